#include "tasklist/list_loader.h"

#include <gtest/gtest.h>

#include <random>

#include "support/failures.h"
#include "support/utf8_text.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;

namespace {

const DateTime kNow = At(2025, 10, 3, 13, 53);

// A list text in the rewrite layout with the given item objects.
std::string ListText(const std::vector<std::string>& items, const std::string& header = "") {
  std::string text =
      "{\r\n"
      "  \"Updated\":\"13:53:07 03/10/25 by varno.exe v2025.10.3.1353\",\r\n"
      "  \"RSSOutput\": \"ListRSS.xml\",\r\n"
      "  \"Trace\":\"Main():8010\",\r\n"
      "  \"SortBy\":\"Title\",\r\n"
      "  \"Link\":\"http://x/a,b\",\r\n"
      "  \"ItemLink\":\"http://x/?id=$ID$\",\r\n"
      "  \"HeadTitle\":\"Home \\\\ office\",\r\n" +
      header +
      "  \"NextID\":9,\r\n"
      "  \"items\":[\r\n";
  for (size_t i = 0; i < items.size(); ++i) {
    text += "  {\r\n" + items[i] + "\r\n  }" + (i + 1 < items.size() ? ",\r\n" : "]\r\n");
  }
  if (items.empty()) text += "]\r\n";
  return text + "}";
}

std::string Member(const std::string& name, const std::string& value, bool quoted = true) {
  return "    \"" + name + "\":" + (quoted ? "\"" + value + "\"" : value) + ",";
}

std::string FullItem(int id, const std::string& title) {
  return Member("ID", std::to_string(id), false) + "\r\n" + Member("Count", "1", false) + "\r\n" +
         Member("Order", "004") + "\r\n" + Member("Days", "2", false) + "\r\n" +
         Member("Active", "true", false) + "\r\n" + Member("DoToday", "20251003") + "\r\n" +
         Member("DoTodayBoolean", "true", false) + "\r\n" + Member("Flags", "f") + "\r\n" +
         Member("Priority", "3", false) + "\r\n" + Member("Public", "true", false) + "\r\n" +
         Member("Title", title) + "\r\n" + Member("DisplayTitle", "ignored") + "\r\n" +
         Member("Description", "%DAYS% nights, 50%25") + "\r\n" + Member("Status", "st") + "\r\n" +
         Member("ETC", "etc") + "\r\n" + Member("Notes", "c:\\\\dir") + "\r\n" +
         "    \"Repeat\":\" 1W \"";
}

class ListLoader : public InFreshFolder {
 protected:
  void Load(const std::string& text) {
    loaded = text;  // the items refer to it
    LoadListText(loaded, {files.list, newListFile, clock}, list, log);
  }
  std::string loaded;
  bool newListFile = false;
};

// The member table applied by plain substring tests in the table's order.
ListMember MemberBySubstrings(std::string_view line) {
  static const std::pair<const char*, ListMember> kRows[] = {
      {"{", ListMember::kItemStart},
      {"\"ID\":", ListMember::kId},
      {"\"Order\":", ListMember::kOrder},
      {"\"Active\":", ListMember::kActive},
      {"\"Days\":", ListMember::kDays},
      {"\"HeadTitle\":", ListMember::kHeadTitle},
      {"\"Priority\":", ListMember::kPriority},
      {"\"Public\":", ListMember::kPublic},
      {"\"Title\":", ListMember::kTitle},
      {"\"Repeat\":", ListMember::kRepeat},
      {"\"Description\":", ListMember::kDescription},
      {"\"Flags\":", ListMember::kFlags},
      {"\"DoToday\":", ListMember::kDoToday},
      {"\"SortBy\":", ListMember::kSortBy},
      {"\"Notes\":", ListMember::kNotes},
      {"\"ETC\":", ListMember::kEtc},
      {"\"Status\":", ListMember::kStatus},
      {"\"RSSOutput\":", ListMember::kRssOutput},
      {"\"Link\":", ListMember::kLink},
      {"\"ItemLink\":", ListMember::kItemLink}};
  for (const auto& [text, member] : kRows) {
    if (line.find(text) != std::string_view::npos) return member;
  }
  return ListMember::kNone;
}

}  // namespace

TEST(ListLoaderValueRule, Steps) {
  EXPECT_EQ(ValueOfLine("    \"Title\":\"a:b\","), "a:b");
  EXPECT_EQ(ValueOfLine("    \"Repeat\":\"1W\""), "1W");
  EXPECT_EQ(ValueOfLine("    \"Repeat\":\"a,b\""), "a,b");
  EXPECT_EQ(ValueOfLine("    \"Notes\":\"a,b\","), "a,b");
  EXPECT_EQ(ValueOfLine("    \"Active\":true,", true), "true");
  EXPECT_EQ(ValueOfLine("  \"SortBy\": \"Title\",", false, true), "Title");
  EXPECT_EQ(ValueOfLine("  \"SortBy\": \"Title\","), " Title");
  EXPECT_EQ(ValueOfLine("  \"SortBy\":\" Title \",", false, true), " Title ");
  EXPECT_EQ(ValueOfLine("no colon"), "");
}

ListMember MemberOfLine(std::string_view line) {
  return FactsOfLines(line).at(0).member;
}

TEST(ListLoaderMemberTable, FirstRowInTableOrderWins) {
  EXPECT_EQ(MemberOfLine("    \"Notes\":\"see \"ID\":3\","), ListMember::kId);
  EXPECT_EQ(MemberOfLine("    \"Title\":\"a { b\","), ListMember::kItemStart);
  EXPECT_EQ(MemberOfLine("  \"HeadTitle\":\"x\","), ListMember::kHeadTitle);
  EXPECT_EQ(MemberOfLine("    \"DisplayTitle\":\"x\","), ListMember::kNone);
  EXPECT_EQ(MemberOfLine("    \"DoTodayBoolean\":true,"), ListMember::kNone);
  EXPECT_EQ(MemberOfLine("  \"ItemLink\":\"x\","), ListMember::kItemLink);
  EXPECT_EQ(MemberOfLine("  \"NextID\":3,"), ListMember::kNone);
  EXPECT_EQ(MemberOfLine("    \"Repeat\":\"\"Days\":\""), ListMember::kDays);
  EXPECT_EQ(MemberOfLine("  }"), ListMember::kNone);
}

TEST(ListLoaderMemberTable, AgreesWithSubstringTestsInOrder) {
  std::mt19937 random(11);
  const char* pieces[] = {"\"ID\":",
                          "\"Title\":",
                          "\"Link\":",
                          "\"ItemLink\":",
                          "\"Notes\":",
                          "\"Status\":",
                          "\"",
                          ":",
                          "x",
                          " ",
                          "ID",
                          "{",
                          "\"Repeat\"",
                          "\"SortBy\":",
                          "\"RSSOutput\":",
                          "\"DoToday\":",
                          "\"ETC\":\"",
                          "\"NextID\":",
                          "\"SortBy\":\""};
  for (int n = 0; n < 20000; ++n) {
    std::string line;
    for (int i = random() % 6; i >= 0; --i) line += pieces[random() % std::size(pieces)];
    const LineFacts facts = FactsOfLines(line).at(0);
    EXPECT_EQ(facts.member, MemberBySubstrings(line)) << line;
    EXPECT_EQ(facts.holdsNextId, line.find("\"NextID\":") != std::string::npos) << line;
    EXPECT_EQ(facts.holdsId, line.find("\"ID\":") != std::string::npos) << line;
    EXPECT_EQ(facts.holdsSortByText, line.find("\"SortBy\":\"") != std::string::npos) << line;
  }
}

// Whole texts are walked for line ends and quotes together, eight bytes at a
// time: every line of a text of many, in any alignment, with CR LF, a lone
// CR and a last line without LF, tells what it tells on its own.
// Each name of the table, "NextID" and every name one letter away from them.
TEST(ListLoaderMemberTable, KnowsEachNameAndNoNeighbourOfIt) {
  const std::vector<std::string> names = {
      "ID",    "Order",  "Active",      "Days",  "HeadTitle", "Priority", "Public",
      "Title", "Repeat", "Description", "Flags", "DoToday",   "SortBy",   "Notes",
      "ETC",   "Status", "RSSOutput",   "Link",  "ItemLink",  "NextID"};
  for (const std::string& name : names) {
    std::vector<std::string> variants = {name, name + "s", name.substr(1),
                                         name.substr(0, name.size() - 1)};
    for (size_t i = 0; i < name.size(); ++i) {
      for (const char other : {'x', 'o', 'D', 'S'}) {
        std::string changed = name;
        changed[i] = other;
        variants.push_back(changed);
      }
    }
    for (const std::string& variant : variants) {
      const std::string line = "  \"" + variant + "\":1,";
      const LineFacts facts = FactsOfLines(line).at(0);
      ASSERT_EQ(facts.member, MemberBySubstrings(line)) << line;
      ASSERT_EQ(facts.holdsNextId, variant == "NextID") << line;
    }
  }
}

TEST(ListLoaderMemberTable, EveryLineOfATextAgreesWithSubstringTests) {
  std::mt19937 random(12);
  const char* pieces[] = {"\"ID\":",     "\"Title\":\"",
                          "\"NextID\":", "\"SortBy\":\"",
                          "\"SortBy\":", "\"",
                          ":",           "x",
                          "  ",          "{",
                          "}",           "\r",
                          "\n",          "\r\n"};
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    for (int i = random() % 40; i > 0; --i) text += pieces[random() % std::size(pieces)];
    // The lines: split at LF, one CR before it dropped; none after a last LF.
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
      const size_t lineFeed = std::min(text.find('\n', start), text.size());
      std::string_view line(text.data() + start, lineFeed - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.push_back(line);
      start = lineFeed + 1;
    }
    const std::vector<LineFacts> facts = FactsOfLines(text);
    ASSERT_EQ(facts.size(), lines.size()) << text;
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string_view line = lines[i];
      ASSERT_EQ(facts[i].member, MemberBySubstrings(line)) << text;
      ASSERT_EQ(facts[i].holdsNextId, line.find("\"NextID\":") != std::string::npos) << text;
      ASSERT_EQ(facts[i].holdsId, line.find("\"ID\":") != std::string::npos) << text;
      ASSERT_EQ(facts[i].holdsSortByText, line.find("\"SortBy\":\"") != std::string::npos) << text;
    }
  }
}

// The bytes are looked at in blocks of 64: a name, its quotes, the colon
// after it and the line's end tell the same wherever the block edges fall
// among them.
TEST(ListLoaderMemberTable, LinesTellTheSameWhereverTheBlockEdgesFall) {
  const std::string lines = "    \"Title\":\"a\",\r\n  \"NextID\":3,\n\"SortBy\":\"T\"\n\"ID\":";
  for (size_t pad = 0; pad <= 2 * 64; ++pad) {
    const std::string text = std::string(pad, 'x') + "\n" + lines;
    const std::vector<LineFacts> facts = FactsOfLines(text);
    ASSERT_EQ(facts.size(), 5u) << pad;
    EXPECT_EQ(facts[0].member, ListMember::kNone) << pad;
    EXPECT_EQ(facts[1].member, ListMember::kTitle) << pad;
    EXPECT_TRUE(facts[2].holdsNextId) << pad;
    EXPECT_TRUE(facts[3].holdsSortByText) << pad;
    EXPECT_TRUE(facts[4].holdsId) << pad;
    EXPECT_EQ(facts[4].member, ListMember::kId) << pad;
  }
}

// A whole number reads by the value rule and then as a whole number, in the
// program's own form ("12,") and in every hand-written one.
TEST_F(ListLoader, ReadsWholeNumbersInEveryForm) {
  const std::vector<std::string> values = {
      "12,",          "12",   "0012,",    " 12,",       "\"12\",",    "-3,",         "+4,",
      "$1F,",         "x1f,", "0x10",     "123456789,", "999999999,", "2147483647,", "2147483648,",
      "-2147483648,", "1,2,", ",",        "",           "12 ,",       "1 2,",        "12,,",
      "\"\",",        "١٢,",  "\"002\",", "\"002\"",    "\"0\"2\",",  "\"\"2\",",    "\"2\"\",",
      "\"2,",         "2\",", "\"-2\","};
  for (const std::string& value : values) {
    const std::string line = "    \"Priority\":" + value;
    Load(ListText({"    \"ID\":4,\r\n" + line + "\r\n    \"Title\":\"a\""}));
    ASSERT_EQ(list.items.size(), 1u) << line;
    EXPECT_EQ(list.items[0].priority, ParseIntOr(ValueOfLine(line), 0)) << line;
  }
}

// A switch is on when the value rule's text of its line holds "true": the
// program's own forms and every hand-written one.
TEST_F(ListLoader, ReadsSwitchesInEveryForm) {
  const std::vector<std::string> values = {
      "true,",  "true",   "false,", "false",      " true,", "true ,", "\"true\",", "TRUE,",
      "true,,", "truer,", "xtrue",  "false,true", "tru,e",  "",       ",",         "1,"};
  for (const std::string& value : values) {
    for (const char* name : {"Active", "Public"}) {
      const std::string line = "    \"" + std::string(name) + "\":" + value;
      Load(ListText({"    \"ID\":4,\r\n" + line + "\r\n    \"Title\":\"a\""}));
      ASSERT_EQ(list.items.size(), 1u) << line;
      std::string raw = line.substr(line.find(':') + 1);
      if (raw.find(',') != std::string::npos) raw.pop_back();
      const bool on = raw.find("true") != std::string::npos;
      EXPECT_EQ(name[0] == 'A' ? list.items[0].active : list.items[0].isPublic, on) << line;
    }
  }
}

// A text member reads by the value rule, backslash escapes and all, into
// UTF-8, whatever quotes, commas, colons, backslashes and bytes above 127 its
// line holds, and wherever they stand (a colon before the name too).
TEST_F(ListLoader, ReadsTextsInEveryForm) {
  const std::vector<std::string> pieces = {"a", "b", ",",    "\"",       "\\",        "u007b",
                                           ":", " ", "\xe9", "\xc3\xa9", "0123456789"};
  const std::vector<std::string> ends = {",", "", " ,", ", ", ",,"};
  std::mt19937 random(7);
  std::vector<std::string> lines, items;
  for (int i = 0; i < 400; ++i) {
    std::string value;
    for (size_t n = random() % 9; n > 0; --n) value += pieces[random() % pieces.size()];
    if (random() % 4 != 0) value = "\"" + value + "\"";
    const char* const starts[] = {"    ", "", "  a:b ", ":"};
    lines.push_back(starts[random() % 4] + ("\"Title\":" + value) + ends[random() % ends.size()]);
    items.push_back("    \"ID\":" + std::to_string(i + 1) + ",\r\n" + lines.back() +
                    "\r\n    \"Description\":\"d\"");
  }
  Load(ListText(items));
  ASSERT_EQ(list.items.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string expected;
    ValueOfLineInto(expected, lines[i], false, false, true);
    MakeUtf8(expected);
    EXPECT_EQ(list.items[i].title, expected) << lines[i];
  }
}

TEST_F(ListLoader, ReadsEveryMember) {
  Load(ListText({FullItem(4, "2025-10-06 %DOW% Dentist")}));
  ASSERT_EQ(list.items.size(), 1u);
  ASSERT_EQ(list.recordsFromFile, 1);
  const Item& item = list.items[0];
  EXPECT_EQ(item.id, 4);
  EXPECT_EQ(item.order, "00004");
  EXPECT_EQ(item.days, 2);
  EXPECT_TRUE(item.active);
  EXPECT_EQ(item.doToday, "20251003");
  EXPECT_EQ(item.flags, "f");
  EXPECT_EQ(item.priority, 3);
  EXPECT_TRUE(item.isPublic);
  EXPECT_EQ(item.title, "2025-10-06 %DOW% Dentist");
  EXPECT_EQ(item.displayTitle, "2025-10-06 MON Dentist");
  EXPECT_EQ(item.description, "2 nights, 50%");
  EXPECT_EQ(item.status, "st");
  EXPECT_EQ(item.etc, "etc");
  EXPECT_EQ(item.notes, "c:\\dir");
  EXPECT_EQ(item.repeat, "1W");
  EXPECT_EQ(list.feedName, "listrss.xml");
  EXPECT_EQ(list.sortBy, "Title");
  EXPECT_EQ(list.link, "http://x/ab,");
  EXPECT_EQ(list.itemLinkLine, "  \"ItemLink\":\"http://x/?id=$ID$\",");
  EXPECT_EQ(list.headTitle, "Home \\ office");
  EXPECT_EQ(list.nextIdFromFile, 9);
  EXPECT_EQ(list.maxId, 4);
  EXPECT_EQ(list.activeRecords, 1);
  EXPECT_EQ(list.lineCount, 30);
}

// Placeholders show the item's members even where their lines follow the
// Title line, as the rewritten list shows them.
TEST_F(ListLoader, UndatedTitleShowsMembersReadAfterIt) {
  Load(ListText({FullItem(4, "Buy milk %RPT% %DAYS% P%PRTY% #%ID%"),
                 Member("ID", "5", false) + "\r\n" + Member("Title", "Plain %RPT%") + "\r\n" +
                     "    \"Repeat\":\"2W\""}));
  ASSERT_EQ(list.recordsFromFile, 2);
  EXPECT_EQ(list.items[0].displayTitle, "Buy milk 1W 2 P3 #4");
  EXPECT_EQ(list.items[1].displayTitle, "Plain 2W");
  EXPECT_TRUE(list.items[1].displayTitleCurrent);
}

TEST_F(ListLoader, ReportsItsLines) {
  newListFile = false;
  Load(ListText({FullItem(4, "x")}));
  const std::string log = LogText();
  EXPECT_NE(log.find(" 1040 \"SortBy\" set line 5\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" 1050 Records loaded from \"list.json\"=1 [0..0], lines processed=30, "
                     "iVarnoArrayCount=1. New JSON file created=False\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(" 4400 SortBy=\"Title\" (Loaded from \"list.json\")\r\n"), std::string::npos);
}

TEST_F(ListLoader, FinishesTheFeedLink) {
  list.link = "http://x/\",";
  FinishListLink(list, log);
  EXPECT_EQ(list.feedLink, "http://x/");
  EXPECT_EQ(log.trace, 5040);
}

TEST_F(ListLoader, DoTodayOfAnotherDayIsEmpty) {
  clock.today = "20251004";
  Load(ListText({FullItem(4, "x")}));
  EXPECT_EQ(list.items[0].doToday, "");
}

TEST_F(ListLoader, ItemWithoutTitleOrDescriptionLeavesAnEmptySlotAtTheEnd) {
  Load(ListText({Member("ID", "1", false) + "\r\n" + Member("Notes", "n"), FullItem(2, "t")}));
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.recordsFromFile, 1);
  EXPECT_EQ(list.items[0].id, 2);
  EXPECT_EQ(list.items[1].id, 0);
  EXPECT_EQ(list.items[1].order, "");
}

TEST_F(ListLoader, ItemWithoutIdIsNotStoredAndANonNumberIdIsZero) {
  Load(ListText(
      {Member("Title", "no id"), Member("ID", "one", false) + "\r\n" + Member("Title", "t")}));
  ASSERT_EQ(list.recordsFromFile, 1);
  EXPECT_EQ(list.items[0].id, 0);
  EXPECT_EQ(list.items[0].title, "t");
}

TEST_F(ListLoader, HeaderWithoutSortByOrdersByOrder) {
  std::string text = ListText({FullItem(1, "t")});
  text.erase(text.find("  \"SortBy\""), std::string("  \"SortBy\":\"Title\",\r\n").size());
  Load(text);
  EXPECT_EQ(list.sortBy, "Order");
}

// Without its "{" an item goes on from what the item before it held.
TEST_F(ListLoader, ItemWithoutItsBraceKeepsThePreviousItemsMembers) {
  std::string text =
      ListText({FullItem(1, "a"), Member("ID", "2", false) + "\r\n" + Member("Title", "b") +
                                      "\r\n" + Member("Notes", "own")});
  const size_t first = text.find("  {\r\n");
  text.erase(text.find("  {\r\n", first + 1), 5);
  Load(text);
  ASSERT_EQ(list.recordsFromFile, 2);
  const Item& second = list.items[1];
  EXPECT_EQ(
      std::vector<std::string_view>({second.title, second.notes, second.status, second.repeat}),
      std::vector<std::string_view>({"b", "own", list.items[0].status, list.items[0].repeat}));
  EXPECT_EQ(second.id, 2);
  EXPECT_EQ(list.items[0].title, "a");
  EXPECT_FALSE(list.items[0].status.empty());
}

// Members before any item's "{" fill a zero-filled item, stored at its "}";
// an item taken back after it and then reset by a "{" leaves no slot.
TEST_F(ListLoader, ItemBeforeAnyBraceStartsZeroFilled) {
  Load("{\r\n" + Member("ID", "5", false) + "\r\n" + Member("Title", "z") + "\r\n  },\r\n" +
       Member("Notes", "n") + "\r\n  {\r\n" + Member("ID", "6", false) + "\r\n" +
       Member("Title", "y") + "\r\n  }\r\n}\r\n");
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.recordsFromFile, 2);
  EXPECT_EQ(list.items[0].id, 5);
  EXPECT_FALSE(list.items[0].active);
  EXPECT_EQ(list.items[0].order, "");
  EXPECT_EQ(list.items[0].notes, "");
  EXPECT_EQ(list.items[1].id, 6);
  EXPECT_TRUE(list.items[1].active);
  EXPECT_EQ(list.items[1].notes, "");
  EXPECT_EQ(list.items[1].order, "00010");
}

TEST_F(ListLoader, MoreItemsThanCountedAreAllKept) {
  // "NextID" and "ID" on one line: no item is counted there, but an ID is
  // read (0, from the value rule) and the item stored.
  Load(ListText({"    \"ID\":1,\"NextID\":9\r\n" + Member("Title", "a"), FullItem(2, "b")}));
  EXPECT_EQ(list.recordsFromFile, 2);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0].title, "a");
  EXPECT_EQ(list.items[1].id, 2);
}

TEST_F(ListLoader, TellsTheFirstLineItCannotRead) {
  // Line 1 is never read: one item there is lost as two on a later line are.
  Load("{\"items\":[{\"ID\":1,\"Title\":\"a\"}]}");
  EXPECT_EQ(list.unreadableLine, 1);
  Load(ListText({FullItem(1, "a"), "    \"ID\":2,\"NextID\":3,\"ID\":4,"}));
  EXPECT_EQ(list.unreadableLine, 31);
  Load(ListText({FullItem(1, "a"), FullItem(2, "b")}));
  EXPECT_EQ(list.unreadableLine, 0);
  // "ID" with a blank before its colon is unknown to the member table: in a
  // list without any other "ID" no item is read.
  Load("{\r\n  \"items\" : [\r\n  {\r\n    \"ID\" : 1,\r\n    \"Title\" : \"a\"\r\n  }]\r\n}");
  EXPECT_EQ(list.unreadableLine, 4);
  Load(ListText({FullItem(1, "a") + "\r\n    \"ID\" :2,"}));
  EXPECT_EQ(list.unreadableLine, 0);
}

TEST_F(ListLoader, NextIdThatIsNotANumberFails) {
  std::string text = ListText({FullItem(1, "t")});
  text.replace(text.find("\"NextID\":9,"), 11, "\"NextID\":9 ,");
  EXPECT_THROW(Load(text), ConvertError);
  EXPECT_EQ(log.trace, 1040);
}

TEST_F(ListLoader, ContextNotesFollowTheLines) {
  Load(ListText({FullItem(4, "t")}));
  EXPECT_EQ(log.notes, "iJSONStringListCount=29 VarnoLoad.ID=-1");
  Load("{\r\n  {\r\n    \"ID\":3,\r\n");
  EXPECT_EQ(log.notes, "iJSONStringListCount=2 VarnoLoad.ID=3");
}

TEST_F(ListLoader, ValueWithBracesStartsAnItem) {
  Load(ListText({Member("ID", "1", false) + "\r\n" + Member("Title", "a { b")}));
  EXPECT_EQ(list.recordsFromFile, 0);
}

TEST_F(ListLoader, TemplateLoadsEmpty) {
  Load(ListTemplateText(kNow, "listrss.xml"));
  EXPECT_EQ(list.items.size(), 0u);
  EXPECT_EQ(list.lineCount, 14);
  EXPECT_EQ(list.headTitle, "Varno");
  EXPECT_EQ(list.nextIdFromFile, 1);
}

TEST_F(ListLoader, ListsThatEndAsListsEndAreWhole) {
  for (const std::string& text :
       {ListTemplateText(kNow, "listrss.xml"), ListText({FullItem(1, "a")}) + "\r\n\r\n",
        ListText({FullItem(1, "a")})
            .insert(ListText({FullItem(1, "a")}).size() - 1, ",\r\n  \"Extra\":1\r\n"),
        std::string("{\n  \"items\": [\n    {\n      \"ID\": 1\n    }\n  ]\n}\n"),
        std::string("{\"NextID\":2,\"items\":[{\"ID\":1}]}"), std::string(" \r\n")}) {
    Load(text);
    EXPECT_TRUE(list.endsClosed) << text;
  }
}

TEST_F(ListLoader, TruncationSweep) {
  const std::string text =
      ListText({FullItem(1, "2025-10-06 a"), FullItem(2, "b"), FullItem(3, "c")});
  for (size_t length = 0; length <= text.size(); ++length) {
    list = ItemList{};
    try {
      Load(text.substr(0, length));
    } catch (const ConvertError&) {
      // A cut inside the "NextID" line is the one clean failure.
      continue;
    }
    ASSERT_LE(static_cast<size_t>(list.recordsFromFile), list.items.size()) << length;
    // Every cut is told, so that no run rewrites what is left of the list.
    EXPECT_EQ(list.endsClosed, length == text.size() || length == 0) << length;
    if (length == text.size()) {
      EXPECT_EQ(list.recordsFromFile, 3);
    }
  }
}

TEST_F(ListLoader, MissingFileFailsOnOpening) {
  platform::FileBytes file;
  EXPECT_THROW(LoadListFile({"missing.json", false, clock}, file, list, log), InOutError);
  EXPECT_EQ(log.trace, 1030);
}

TEST_F(ListLoader, CreatesTheTemplateOnlyWhenMissing) {
  files = NameListFiles("home.json", kNow);
  EXPECT_TRUE(CreateListFileWhenMissing(files, kNow, list, log));
  EXPECT_EQ(list.feedName, "homerss.xml");
  EXPECT_EQ(tasklist_test::ReadFile("home.json"), ListTemplateText(kNow, "homerss.xml"));
  EXPECT_NE(LogText().find(" home.json created.\r\n"), std::string::npos);
  tasklist_test::WriteFile("home.json", "kept");
  EXPECT_FALSE(CreateListFileWhenMissing(files, kNow, list, log));
  EXPECT_EQ(tasklist_test::ReadFile("home.json"), "kept");
}
