#include "publish/rss_feed.h"

#include <gtest/gtest.h>

#include <string>

#include "support/deployment.h"
#include "support/settings.h"

namespace {

// The text `AppendFeedText` appends.
std::string FeedText(std::string_view text) {
  std::string out = "held ";
  AppendFeedText(out, text);
  return out.substr(5);
}

DateTime Friday() {
  return EncodeDateTime({2025, 10, 3, 13, 53, 7, 0});
}

Item MakeItem(const std::string& title, const std::string& description = "") {
  Item item;
  item.id = 7;
  item.active = true;
  item.displayTitle = title;
  item.description = description;
  return item;
}

std::string FeedItemText(int32_t count, const Item& item, const std::string& link,
                         const std::string& uid = "") {
  std::string feed;
  AppendFeedItem(feed, count, item, link, uid);
  return feed;
}

}  // namespace

TEST(RssFeed, HeaderNamesTheListFile) {
  EXPECT_EQ(FeedHeader(Friday(), "list.json"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
            "<!-- Generated: 03/10/2025 13:53:07 by Varno.exe v2025.10.3.1353 Main():6910 "
            "sJSONFile=\"list.json\" -->\r\n");
}

TEST(RssFeed, GenerationCommentNeverHoldsTwoHyphens) {
  const std::string header = FeedHeader(Friday(), "a--b---c-d<&>\x01.json");
  EXPECT_NE(header.find("sJSONFile=\"a-b-c-d<&>.json\" -->\r\n"), std::string::npos) << header;
  EXPECT_EQ(FeedCommentText("--"), "-");
  EXPECT_EQ(FeedCommentText("x-y"), "x-y");
}

TEST(RssFeed, ChannelElementsInOrder) {
  const Settings saved = processSettings;
  processSettings.selfName = "VARNO";
  processSettings.version = "2025.10.3.1353";
  // The pubDate shows the universal time it is given.
  const std::string channel = FeedChannel("listrss.xml", "http://h/l?a=1&b=<2>", Friday());
  processSettings = saved;
  EXPECT_EQ(channel, std::string("<rss version=\"2.0\">\r\n"
                                 "<channel>\r\n"
                                 "<title>listrss.xml</title>\r\n"
                                 "<description>2025.10.3.1353</description>\r\n"
                                 "<link>http://h/l?a=1&amp;b=&lt;2&gt;</link>\r\n"
                                 "<language>en-us</language>\r\n"
                                 "<generator>VARNO 2025.10.3.1353</generator>\r\n") +
                         "<copyright>" + FeedText(kFeedCopyright) + "</copyright>\r\n" +
                         "<managingEditor>" + FeedText(kFeedManagingEditor) +
                         "</managingEditor>\r\n" + "<webMaster>" + FeedText(kFeedWebMaster) +
                         "</webMaster>\r\n" +
                         "<pubDate>Fri, 3 Oct 2025 13:53:07 +0000</pubDate>\r\n"
                         "<ttl>5</ttl>\r\n");
}

TEST(RssFeed, ItemTitledWithTheActiveCount) {
  // The description is decoded first, so an escaped "&" is escaped for XML
  // like any other; text that already looks escaped is escaped again.
  EXPECT_EQ(FeedItemText(2, MakeItem("Fish & Chips", "Buy%20fish %26 %3Cchips%3E & a&amp;b"),
                         "/v?a=1&id=7"),
            "<item>\r\n"
            "<title>2. Fish &amp; Chips</title>\r\n"
            "<description>Buy fish &amp; &lt;chips&gt; &amp; a&amp;amp;b</description>\r\n"
            "<link>/v?a=1&amp;id=7</link>\r\n"
            "<guid>/v?a=1&amp;id=7</guid>\r\n"
            "</item>\r\n");
}

// Readers merge items with one guid, and an empty link is no link.
TEST(RssFeed, ItemWithoutALinkOfItsOwnIsKnownByItsUID) {
  EXPECT_EQ(FeedItemText(1, MakeItem("t"), "", "list-7@example.org"),
            "<item>\r\n<title>1. t</title>\r\n<description></description>\r\n"
            "<guid isPermaLink=\"false\">list-7@example.org</guid>\r\n</item>\r\n");
  EXPECT_EQ(FeedItemText(3, MakeItem("t"), "/same?a&b", "a&b-7-2@x"),
            "<item>\r\n<title>3. t</title>\r\n<description></description>\r\n"
            "<link>/same?a&amp;b</link>\r\n"
            "<guid isPermaLink=\"false\">a&amp;b-7-2@x</guid>\r\n</item>\r\n");
}

TEST(RssFeed, TextKeepsOnlyWhatXmlAllows) {
  EXPECT_EQ(FeedText("a\tb\nc\rd"), "a\tb\nc\rd");
  EXPECT_EQ(FeedText(std::string("a\x00\x01\x08\x0B\x0C\x1F\x7F"
                                 "b",
                                 9)),
            "a\x7F"
            "b");
  // Well-formed UTF-8 stays, U+FFFE and U+FFFF do not.
  EXPECT_EQ(FeedText("caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x98\x80"),
            "caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x98\x80");
  EXPECT_EQ(FeedText("x\xEF\xBF\xBEy\xEF\xBF\xBFz"), "xyz");
  // Bytes that are not UTF-8 (Latin-1, overlong forms, surrogates, cut-off
  // sequences) become U+FFFD, one for each byte.
  EXPECT_EQ(FeedText("caf\xE9"), "caf\xEF\xBF\xBD");
  EXPECT_EQ(FeedText("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(FeedText("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(FeedText("\xE2\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(FeedText("\xF4\x90\x80\x80").substr(0, 3), "\xEF\xBF\xBD");
}

TEST(RssFeed, CloseEndsWithoutLineBreak) {
  std::string feed = "x";
  CloseFeed(feed);
  EXPECT_EQ(feed, "x</channel>\r\n</rss>");
}
