// Placeholder bodies; the real writer replaces them.
#include "publish/rss_feed.h"

std::string FeedHeader(TDateTime, const std::string&) { return {}; }
std::string FeedChannel(const std::string&, const std::string&, TDateTime) { return {}; }
void AppendFeedItem(std::string&, int32_t, const tVarno&, const std::string&) {}
void CloseFeed(std::string&) {}
