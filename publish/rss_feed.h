// The RSS 2.0 feed of the active items.
#pragma once

#include <cstdint>
#include <string>

#include "support/date_time.h"
#include "tasklist/varno_item.h"

// The XML declaration and the generation comment.
std::string FeedHeader(TDateTime now, const std::string& sJSONFile);
// The channel elements, up to and including the ttl line.
std::string FeedChannel(const std::string& sRSSOutput, const std::string& sFeedLink, TDateTime now);
// Appends one item titled with the active count.
void AppendFeedItem(std::string& feed, int32_t activeCount, const tVarno& item,
                    const std::string& itemLink);
// Closes the channel and the document (no line break after the last line).
void CloseFeed(std::string& feed);
