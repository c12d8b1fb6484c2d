// Long lists are loaded in two halves side by side; what they load must be
// what one thread loads, walking the lines in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "support/failures.h"
#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::InFreshFolder;

namespace {

std::string Member(const std::string& name, const std::string& value) {
  return "    \"" + name + "\":" + value + ",\r\n";
}

// One item as the program writes it, but for the twists a hand-edited file
// may hold, chosen by `n`: no "{" (the item goes on from the one before), no
// title or description (not stored), an ID of -1, placeholders in the title.
std::string AwkwardItem(int n) {
  std::string item = n % 97 == 5 ? "" : "  {\r\n";
  item += Member("ID", n % 89 == 3 ? "-1" : std::to_string((n * 7919) % 20011));
  item += Member("Order", "\"" + std::to_string(n % 50) + "\"");
  item += Member("Days", std::to_string(n % 9));
  item += Member("Active", n % 3 == 0 ? "false" : "true");
  item += Member("DoToday", n % 5 == 0 ? "\"20251003\"" : "\"20251002\"");
  item += Member("Priority", std::to_string(n % 4));
  item += Member("Public", n % 2 == 0 ? "true" : "false");
  if (n % 83 != 7) {
    item += Member("Title", n % 4 == 0 ? "\"2025-12-2" + std::to_string(n % 10) + " T%ID% %DTG%\""
                                       : "\"Title " + std::to_string(n) + "\"");
    item += Member("Description", "\"%DAYS% nights, caf%C3%A9 " + std::to_string(n) + "\"");
  }
  item += Member("Flags", "\"f\"");
  item += Member("Notes", "\"c:\\\\dir\"");
  item += "    \"Repeat\":\" 1W \"\r\n  },\r\n";
  return item;
}

// Enough items for a list loaded in two halves, each long enough for two.
constexpr int kItems = 8000;

std::string LongList(int items, const std::string& tail = "") {
  std::string text =
      "{\r\n  \"Updated\":\"13:53:07 03/10/25 by varno.exe v2025.10.3.1353\",\r\n"
      "  \"RSSOutput\": \"ListRSS.xml\",\r\n  \"SortBy\":\"Title\",\r\n"
      "  \"NextID\":9,\r\n  \"items\":[\r\n";
  for (int n = 0; n < items; ++n) text += AwkwardItem(n);
  return text + tail + "  ]\r\n}";
}

// Everything loading keeps of an item, as text.
std::string Facts(const Item& item) {
  return std::to_string(item.id) + "|" + std::to_string(item.active) + "|" + item.order + "|" +
         item.description + "|" + std::to_string(item.days) + "|" + item.flags + "|" +
         std::to_string(item.priority) + "|" + item.notes + "|" + item.status + "|" + item.etc +
         "|" + item.title + "|" + item.displayTitle + "|" + item.repeat + "|" + item.doToday + "|" +
         std::to_string(item.isPublic) + std::to_string(item.displayTitleCurrent);
}

// The log's lines without their times.
std::vector<std::string> LinesOf(const std::string& log) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < log.size();) {
    const size_t end = std::min(log.find("\r\n", start), log.size());
    const std::string line = log.substr(start, end - start);
    const size_t time = line.find(' ');
    lines.push_back(line.substr(line.find(' ', time + 1)));
    start = end + 2;
  }
  return lines;
}

class LongListLoading : public InFreshFolder {
 protected:
  ItemList Load(const std::string& text, size_t bytesWorthTwoThreads = kListBytesWorthTwoThreads) {
    ItemList loaded;
    LoadListText(texts.emplace_back(text), {files.list, false, clock, bytesWorthTwoThreads}, loaded,
                 log);
    return loaded;
  }
  std::deque<std::string> texts;  // each loaded list's items refer to its text
};

}  // namespace

TEST_F(LongListLoading, HalvesLoadWhatOneThreadLoads) {
  // Members of the list itself in both halves, each after an item's "}": the
  // item is taken back, the last one read wins and a SortBy line reports.
  std::string text = LongList(kItems);
  std::string last;
  for (size_t at : {text.size() / 4, text.size() * 3 / 4}) {
    const std::string n = last = std::to_string(at);
    text.insert(text.find("  {\r\n", at),
                "  \"HeadTitle\":\"h" + n + "\",\r\n  \"SortBy\":\"Title" + n +
                    "\",\r\n  \"RSSOutput\":\"F" + n + ".xml\",\r\n  \"Link\":\"http://l/" + n +
                    "\",\r\n  \"ItemLink\":\"http://i/" + n + "\",\r\n");
  }
  ASSERT_GT(text.size(), 2 * kListBytesWorthTwoThreads);
  const ItemList halves = Load(text);
  const std::string halvesNotes = log.notes;
  const int32_t halvesTrace = log.trace;
  const size_t halvesLog = LogText().size();
  const ItemList oneThread = Load(text, SIZE_MAX);
  const std::string logText = LogText();

  ASSERT_EQ(halves.items.size(), oneThread.items.size());
  for (size_t i = 0; i < halves.items.size(); ++i) {
    ASSERT_EQ(Facts(halves.items[i]), Facts(oneThread.items[i])) << "item " << i;
  }
  EXPECT_EQ(halves.recordsFromFile, oneThread.recordsFromFile);
  EXPECT_EQ(halves.activeRecords, oneThread.activeRecords);
  EXPECT_EQ(halves.maxId, oneThread.maxId);
  EXPECT_EQ(halves.lineCount, oneThread.lineCount);
  for (const auto member : {&ItemList::headTitle, &ItemList::sortBy, &ItemList::feedName,
                            &ItemList::link, &ItemList::itemLinkLine}) {
    EXPECT_EQ(halves.*member, oneThread.*member);
  }
  EXPECT_EQ(halves.headTitle, "h" + last);
  EXPECT_EQ(halvesNotes, log.notes);
  EXPECT_EQ(halvesNotes,
            "iJSONStringListCount=" + std::to_string(halves.lineCount - 1) + " VarnoLoad.ID=-1");
  EXPECT_EQ(halvesTrace, log.trace);
  EXPECT_EQ(LinesOf(logText.substr(0, halvesLog)), LinesOf(logText.substr(halvesLog)));
}

TEST_F(LongListLoading, NotedLinesOfEveryHalfReportInLineOrder) {
  // A SortBy text and an ID on lines of the second half.
  std::string text = LongList(kItems);
  const size_t late = text.find("  {\r\n", text.size() * 3 / 4);
  text.insert(late, "  \"SortBy\":\"Order\",\r\n  \"NextID\":77,\r\n");
  const auto lineOf = [&](size_t at) {
    return std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
  };
  const ItemList loaded = Load(text);
  EXPECT_EQ(loaded.nextIdFromFile, 77);
  const std::string lines = LogText();
  const size_t first = lines.find(" 1040 \"SortBy\" set line 4\r\n");
  const size_t second =
      lines.find(" 1040 \"SortBy\" set line " + std::to_string(lineOf(late)) + "\r\n");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_EQ(loaded.sortBy, "Order");
}

TEST_F(LongListLoading, BadNextIdInTheSecondHalfStopsBeforeLaterLines) {
  std::string text = LongList(kItems);
  text.insert(text.find("  {\r\n", text.size() * 2 / 3), "  \"NextID\":7 ,\r\n");
  text.insert(text.find("  {\r\n", text.size() * 5 / 6), "  \"SortBy\":\"Order\",\r\n");
  EXPECT_THROW(Load(text), ConvertError);
  EXPECT_EQ(log.trace, 1040);
  const std::string lines = LogText();
  EXPECT_NE(lines.find(" 1040 \"SortBy\" set line 4\r\n"), std::string::npos);
  EXPECT_EQ(lines.find("set line", lines.find("set line 4") + 1), std::string::npos);
}

TEST_F(LongListLoading, FirstLineOfTwoIdsIsFoundInEitherHalf) {
  // Two items on one line: the loader cannot read them.
  const std::string twoItems = "  {\"ID\":1,\"Title\":\"a\"},{\"ID\":2,\"Title\":\"b\"},\r\n";
  std::string text = LongList(kItems);
  EXPECT_EQ(Load(text).unreadableLine, 0);
  const auto lineOf = [&](size_t at) {
    return std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
  };
  const size_t late = text.find("  {\r\n", text.size() * 3 / 4);
  text.insert(late, twoItems);
  EXPECT_EQ(Load(text).unreadableLine, lineOf(late));
  const size_t early = text.find("  {\r\n", text.size() / 4);
  text.insert(early, twoItems);
  EXPECT_EQ(Load(text).unreadableLine, lineOf(early));
}
