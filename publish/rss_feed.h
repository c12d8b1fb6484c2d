// The RSS 2.0 feed of the active items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/date_time.h"
#include "tasklist/item.h"

// The XML declaration and the generation comment.
std::string FeedHeader(DateTime now, const std::string& listFile);
// The channel elements, up to and including the ttl line; the pubDate is
// the run's time in universal time, `universalNow`.
std::string FeedChannel(const std::string& feedName, const std::string& feedLink,
                        DateTime universalNow);
// Appends one item titled with the active count. An empty `itemLink` is left
// out. The guid is the link unless `uid` is given: the item's calendar UID,
// for an item whose link is empty or shared with another item, so that
// readers keep the items apart.
void AppendFeedItem(std::string& feed, int32_t activeCount, const Item& item,
                    std::string_view itemLink, std::string_view uid);
// Closes the channel and the document (no line break after the last line).
void CloseFeed(std::string& feed);

// Appends `text` made safe as XML character data: "&", "<" and ">" escaped,
// characters XML does not allow left out, and bytes that are not UTF-8
// replaced by U+FFFD.
void AppendFeedText(std::string& out, std::string_view text);
// `text` made safe inside an XML comment: as AppendFeedText but unescaped, and every
// run of "-" shortened to one, so it can never hold "--".
std::string FeedCommentText(std::string_view text);
