#include "publish/publishing_pass.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/deployment.h"
#include "support/failures.h"
#include "tasklist/item_update.h"
#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;
using tasklist_test::ReadFile;

namespace {

const DateTime kFriday = At(2025, 10, 3, 13, 53);

Item MakeItem(int32_t id, bool active, const std::string& title) {
  Item item;
  item.id = id;
  item.active = active;
  item.title = title;
  item.displayTitle = title;
  return item;
}

class PublishingPass : public InFreshFolder {
 protected:
  void SetItems(const ItemArray& items) {
    list.items = items;
    list.feedName = "listrss.xml";
  }
  Publishing Pass() { return {list, files, clock, redoId, log}; }
  // The list file's text, as the pass builds it.
  std::string ListText() {
    StartPublishingPass(Pass());
    std::string text;
    BuildListText(Pass(), text);
    return text;
  }
  // The "Name":value lines of the list text for one member, in order.
  std::vector<std::string> Values(const std::string& text, const std::string& name) {
    std::vector<std::string> values;
    for (std::string_view line : tasklist_test::SplitLines(text)) {
      if (line.starts_with("    \"" + name + "\":")) values.push_back(ValueOfLine(line));
    }
    return values;
  }
};

}  // namespace

std::string ItemLinkOf(const std::string& itemLinkLine, int32_t id) {
  std::string link = "held";
  ItemLink(itemLinkLine).Into(link, id);
  return link;
}

TEST(ItemLink, FromTheItemLinkLine) {
  EXPECT_EQ(ItemLinkOf("  \"ItemLink\":\"/view?id=$ID$\",", 7), "/view?id=7");
  EXPECT_EQ(ItemLinkOf("\"itemlink\":\"/v?a=$id$&b=$ID$\"", 7), "/v?a=7&b=$ID$");
  EXPECT_EQ(ItemLinkOf("  \"ItemLink\":\"/same\",", 7), "/same");
  EXPECT_EQ(ItemLinkOf("", 7), "");
  EXPECT_EQ(ItemLinkOf("  \"ItemLink\":\"\",", 7), "");
  // Escapes as another JSON writer puts them, read like the list's other texts.
  EXPECT_EQ(ItemLinkOf("\"ItemLink\":\"http:\\/\\/x\\/caf\\u00e9?id=$ID$&d=\\/\",", 7),
            "http://x/caf\u00e9?id=7&d=/");
}

TEST(CopyNames, WeekdayThenMonth) {
  EXPECT_EQ(WeekdayCopyName("list.json", kFriday), "list-fri.json");
  EXPECT_EQ(MonthCopyName("list-fri.json", kFriday), "list-oct.json");
  EXPECT_EQ(WeekdayCopyName("sub/a.json.json", kFriday), "sub/a-fri.json.json");
  EXPECT_EQ(MonthCopyName("sub/a-fri.json.json", kFriday), "sub/a-oct.json.json");
}

TEST(SameFileName, NormalisedAndWithoutCase) {
  EXPECT_TRUE(SameFileName("list.json", "./list.json"));
  EXPECT_TRUE(SameFileName("List.JSON", "list.json"));
  EXPECT_TRUE(SameFileName("a/../list.json", "list.json"));
  EXPECT_FALSE(SameFileName("listrss.xml", "list.json"));
}

TEST_F(PublishingPass, CountAndOrderOverActiveAndInactiveItems) {
  SetItems({MakeItem(1, true, "X"), MakeItem(2, false, "Y"), MakeItem(3, true, "Z")});
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "Count"), (std::vector<std::string>{"1", "1", "2"}));
  EXPECT_EQ(Values(text, "Order"), (std::vector<std::string>{"002", "004", "006"}));
  EXPECT_EQ(Values(text, "ID"), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(PublishingPass, ItemWithIdZeroIsLeftOutAndTheArrayStillCloses) {
  SetItems({MakeItem(1, true, "X"), MakeItem(0, true, "")});
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "ID"), (std::vector<std::string>{"1"}));
  EXPECT_TRUE(text.ends_with("    \"Repeat\":\"\"\r\n  }]\r\n}"));
}

TEST_F(PublishingPass, OnlyEmptySlotsGiveAnEmptyArray) {
  SetItems({MakeItem(0, false, "")});
  const std::string text = ListText();
  EXPECT_TRUE(text.ends_with("  \"items\":[\r\n]\r\n}"));
}

TEST_F(PublishingPass, RenumberingWritesPositionsAndKeepsNextId) {
  SetItems({MakeItem(30, true, "a"), MakeItem(0, false, ""), MakeItem(12, true, "b")});
  list.maxId = 30;
  redoId = true;
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "ID"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_NE(text.find("  \"NextID\":31,\r\n"), std::string::npos);
}

TEST_F(PublishingPass, FreshDisplayTitleIsWritten) {
  Item item = MakeItem(1, true, "2025-10-06 %DOW%");
  item.displayTitle = "stale";
  SetItems({item});
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "DisplayTitle"), (std::vector<std::string>{"2025-10-06 MON"}));
}

TEST_F(PublishingPass, ContextNoteAndLogLines) {
  SetItems({MakeItem(1, true, "a"), MakeItem(2, true, "b")});
  StartPublishingPass(Pass());
  EXPECT_EQ(log.notes, "iVarnoArrayCount=2 Length(VarnoArray)=2 sJSONFile=\"list.json\"");
  const std::string log = LogText();
  EXPECT_NE(log.find(" 8110 for iVarnoArrayItem:=0 to 1 iVarnoArrayCount-1\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(" 9100 iVarnoArrayItem=2, iVarnoArrayItem=iVarnoArrayCount=2\r\n"),
            std::string::npos);
}

TEST_F(PublishingPass, WritesTheListAndItsCopies) {
  SetItems({MakeItem(1, true, "a")});
  list.activeRecords = 1;
  list.maxId = 1;
  RunPublishingPass(Pass());
  const std::string written = ReadFile("list.json");
  EXPECT_TRUE(written.starts_with("{\r\n  \"Updated\":\"13:53:00 03/10/25 by varno.exe v"));
  EXPECT_EQ(ReadFile("list-fri.json"), written);
  EXPECT_EQ(ReadFile("list-oct.json"), written);
  const std::string log = LogText();
  for (const char* line :
       {" 9110 Writing \"listrss.xml\"\r\n",
        " 9120 Writing \"list.json\" (Length(VarnoArray)=1)\r\n",
        " 9130 Writing \"list-fri.json\"\r\n", " 9140 Writing \"list-oct.json\"\r\n",
        " 9150 Writing \"list.csv\"\r\n", " 9160 Writing \"listtoday.csv\"\r\n",
        " 9200 Total Records=1 [0..0]\r\n", " 9210 Active Records=1\r\n", " 9220 Max ID=1\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(PublishingPass, FeedNamedLikeTheListFileIsSkipped) {
  SetItems({MakeItem(1, true, "a")});
  list.feedName = "list.json";
  RunPublishingPass(Pass());
  EXPECT_TRUE(ReadFile("list.json").starts_with("{\r\n  \"Updated\""));
  EXPECT_NE(
      LogText().find(" 9110 ERROR: Skipping \"list.json\": it would replace the list file.\r\n"),
      std::string::npos);
}

TEST_F(PublishingPass, ListWithoutFeedNameTakesANewListsName) {
  SetItems({MakeItem(1, true, "a")});
  list.feedName = "";
  const std::string text = ListText();
  EXPECT_EQ(list.feedName, "listrss.xml");
  EXPECT_NE(text.find("  \"RSSOutput\":\"listrss.xml\",\r\n"), std::string::npos);
}

TEST_F(PublishingPass, WrittenListLoadsBackUnchanged) {
  Item item = MakeItem(4, true, "say \"hi\" c:\\dir");
  item.description = "two\nlines \\ and \"quotes\"";
  item.notes = "back\\slash";
  item.flags = "a\\\\b";
  item.repeat = "1W";
  item.priority = 2;
  item.days = 3;
  item.isPublic = true;
  SetItems({item});
  list.headTitle = "Home \\ office";
  list.maxId = 4;
  const std::string text = ListText();
  ItemList loaded;
  LoadListText(text, {files.list, false, clock}, loaded, log);
  ASSERT_EQ(loaded.recordsFromFile, 1);
  const Item& back = loaded.items[0];
  EXPECT_EQ(back.title, "say %22hi%22 c:\\dir");
  EXPECT_EQ(back.description, "two lines \\ and \"quotes\"");
  EXPECT_EQ(back.notes, "back\\slash");
  EXPECT_EQ(back.flags, "a\\\\b");
  EXPECT_EQ(back.repeat, "1W");
  EXPECT_EQ(back.priority, 2);
  EXPECT_EQ(back.days, 3);
  EXPECT_TRUE(back.isPublic);
  EXPECT_EQ(loaded.headTitle, "Home \\ office");
  EXPECT_EQ(loaded.nextIdFromFile, 5);
}

TEST_F(PublishingPass, EachTextIsTheSameBuiltInRoomThatHeldAnotherText) {
  Item dated = MakeItem(2, true, "2025-10-06 %DOW% call");
  dated.doToday = clock.today;
  dated.isPublic = true;
  SetItems({MakeItem(1, true, "a"), dated});
  StartPublishingPass(Pass());
  const std::string held(5000, 'x');

  std::string fresh, reused = held;
  BuildFeedText(Pass(), fresh);
  BuildFeedText(Pass(), reused);
  EXPECT_EQ(reused, fresh);
  BuildListText(Pass(), fresh);
  BuildListText(Pass(), reused);
  EXPECT_EQ(reused, fresh);

  CalendarTexts freshCalendars, reusedCalendars;
  reusedCalendars.privateText = reusedCalendars.publicText = held;
  BuildCalendarTexts(Pass(), freshCalendars);
  BuildCalendarTexts(Pass(), reusedCalendars);
  BuildCalendarTexts(Pass(), reusedCalendars);  // the UIDs start afresh
  EXPECT_EQ(reusedCalendars.privateText, freshCalendars.privateText);
  EXPECT_EQ(reusedCalendars.publicText, freshCalendars.publicText);

  CsvTexts freshCsv, reusedCsv;
  reusedCsv.fullText = reusedCsv.todayText = held;
  BuildCsvTexts(Pass(), freshCsv);
  BuildCsvTexts(Pass(), reusedCsv);
  BuildCsvTexts(Pass(), reusedCsv);  // the row numbers start afresh
  EXPECT_EQ(reusedCsv.fullText, freshCsv.fullText);
  EXPECT_EQ(reusedCsv.todayText, freshCsv.todayText);
  EXPECT_NE(freshCsv.todayText.find("call"), std::string::npos);
}

// Written on in pieces while they are built, the calendars, the feed and the
// CSV exports of a long list come out as they do built whole, and are never
// held whole.
TEST_F(PublishingPass, TextsWrittenOnInPiecesAreTheWholeTexts) {
  ItemArray items;
  for (int32_t id = 1; id <= 3000; ++id) {
    Item item = MakeItem(id, id % 7 != 0, "2025-10-" + std::to_string(10 + id % 20) + " task");
    item.isPublic = id % 3 == 0;
    item.description = std::string(static_cast<size_t>(id % 50), 'd');
    if (id % 2 == 0) item.doToday = clock.today;
    items.push_back(item);
  }
  SetItems(items);
  StartPublishingPass(Pass());

  std::string wholeFeed, feed, feedPieces;
  BuildFeedText(Pass(), wholeFeed);
  size_t pieces = 0, longest = 0;
  const auto takePiece = [&](std::string& text, std::string& into) {
    longest = std::max(longest, text.size());
    into += text;
    text.clear();
    ++pieces;
  };
  BuildFeedText(Pass(), feed, [&] { takePiece(feed, feedPieces); });
  EXPECT_EQ(feedPieces + feed, wholeFeed);

  CalendarTexts whole, calendars;
  std::string privatePieces, publicPieces;
  BuildCalendarTexts(Pass(), whole);
  BuildCalendarTexts(Pass(), calendars, [&] {
    takePiece(calendars.privateText, privatePieces);
    takePiece(calendars.publicText, publicPieces);
  });
  EXPECT_EQ(privatePieces + calendars.privateText, whole.privateText);
  EXPECT_EQ(publicPieces + calendars.publicText, whole.publicText);

  CsvTexts wholeCsv, csv;
  std::string fullPieces, todayPieces;
  BuildCsvTexts(Pass(), wholeCsv);
  BuildCsvTexts(Pass(), csv, [&] {
    takePiece(csv.fullText, fullPieces);
    takePiece(csv.todayText, todayPieces);
  });
  EXPECT_EQ(fullPieces + csv.fullText, wholeCsv.fullText);
  EXPECT_EQ(todayPieces + csv.todayText, wholeCsv.todayText);
  EXPECT_GT(wholeCsv.todayText.size(), kBytesWorthWriting / 4);
  EXPECT_GT(pieces, 6u);
  EXPECT_LT(longest, kBytesWorthWriting + 4096);
}

TEST_F(PublishingPass, TitleWorkedOutAtLoadIsWrittenUntilItsItemChanges) {
  Item changed = MakeItem(1, true, "2025-10-06 P%PRTY% in %DTG% days");
  changed.priority = 3;
  Item kept = MakeItem(2, true, "2025-10-07 P%PRTY%");
  kept.priority = 4;
  SetItems({changed, kept});
  const std::string written = ListText();
  ItemList loaded;
  LoadListText(written, {files.list, false, clock}, loaded, log);
  ASSERT_TRUE(loaded.items[1].displayTitleCurrent);

  UpdateOrInsertItem(loaded, {1, "priority", "5"}, "list.json", clock, log);
  std::string text;
  BuildListText({loaded, files, clock, false, log}, text);
  EXPECT_EQ(Values(text, "DisplayTitle"),
            (std::vector<std::string>{"2025-10-06 P5 in 3 days", "2025-10-07 P4"}));
}

// Readers tell feed items apart by their guids: a link stands for its item
// only when no other active item has it.
TEST_F(PublishingPass, FeedGuidIsTheLinkOnlyWhereTheLinkIsTheItemsOwn) {
  const auto guidsAndLinks = [this](const std::string& itemLinkLine) {
    list.itemLinkLine = itemLinkLine;
    std::string feed;
    BuildFeedText(Pass(), feed);
    std::vector<std::string> lines;
    for (std::string_view line : tasklist_test::SplitLines(feed)) {
      if (line.starts_with("<guid") || line.starts_with("<link>/")) lines.emplace_back(line);
    }
    return lines;
  };
  const std::string domain = kCalendarMailDomain;
  const std::string byID = "  \"ItemLink\":\"/v?id=$ID$\",";
  SetItems({MakeItem(5, true, "a"), MakeItem(6, false, "done"), MakeItem(5, true, "b"),
            MakeItem(7, true, "c")});
  EXPECT_EQ(
      guidsAndLinks(byID),
      (std::vector<std::string>{
          "<link>/v?id=5</link>", "<guid isPermaLink=\"false\">list-5@" + domain + "</guid>",
          "<link>/v?id=5</link>", "<guid isPermaLink=\"false\">list-5-2@" + domain + "</guid>",
          "<link>/v?id=7</link>", "<guid>/v?id=7</guid>"}));
  // Without "$ID$" every item has the same link; an empty link is left out.
  const std::string same = "  \"ItemLink\":\"/same\",";
  SetItems({MakeItem(5, true, "a"), MakeItem(7, true, "c")});
  EXPECT_EQ(guidsAndLinks(same),
            (std::vector<std::string>{
                "<link>/same</link>", "<guid isPermaLink=\"false\">list-5@" + domain + "</guid>",
                "<link>/same</link>", "<guid isPermaLink=\"false\">list-7@" + domain + "</guid>"}));
  EXPECT_EQ(guidsAndLinks("  \"ItemLink\":\"\","),
            (std::vector<std::string>{"<guid isPermaLink=\"false\">list-5@" + domain + "</guid>",
                                      "<guid isPermaLink=\"false\">list-7@" + domain + "</guid>"}));
  SetItems({MakeItem(6, false, "done"), MakeItem(7, true, "c")});
  EXPECT_EQ(guidsAndLinks(same),
            (std::vector<std::string>{"<link>/same</link>", "<guid>/same</guid>"}));
}

// A long list's texts are built on a second thread while the one before is
// written; the files and the order of the log lines are those of one thread.
TEST_F(PublishingPass, LongListWritesTheTextsEachBuilderGives) {
  ItemArray items;
  for (int32_t id = 1; id <= static_cast<int32_t>(kItemsWorthThreads); ++id) {
    Item item = MakeItem(id, id % 3 != 0,
                         "2025-10-0" + std::to_string(id % 9 + 1) + " t" + std::to_string(id));
    item.isPublic = id % 2 == 0;
    item.doToday = id % 5 == 0 ? clock.today : "";
    items.push_back(item);
  }
  SetItems(items);
  StartPublishingPass(Pass());
  CalendarTexts calendars;
  BuildCalendarTexts(Pass(), calendars);
  std::string feed, text;
  BuildFeedText(Pass(), feed);
  BuildListText(Pass(), text);
  CsvTexts csv;
  BuildCsvTexts(Pass(), csv);

  RunPublishingPass(Pass());
  // Again, so that every file replaces one: no old file is left behind.
  RunPublishingPass(Pass());
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_EQ(entry.path().string().find(".varno-tmp."), std::string::npos) << entry.path();
  }
  EXPECT_EQ(ReadFile(files.calendar), calendars.privateText);
  EXPECT_EQ(ReadFile("listrss.xml"), feed);
  EXPECT_EQ(ReadFile("list.json"), text);
  EXPECT_EQ(ReadFile("list-fri.json"), text);
  EXPECT_EQ(ReadFile(files.csv), csv.fullText);
  EXPECT_EQ(ReadFile(files.todayCsv), csv.todayText);
  const std::string log = LogText();
  size_t at = 0;
  for (const std::string& name : {files.calendar, std::string("listrss.xml"), files.list,
                                  files.weekdayCopy, files.monthCopy, files.csv, files.todayCsv}) {
    at = log.find("Writing \"" + name + "\"", at);
    EXPECT_NE(at, std::string::npos) << name;
  }
}

TEST_F(PublishingPass, LongListWhoseFileCannotBeReplacedStopsAfterTheFeed) {
  ItemArray items;
  for (int32_t id = 1; id <= static_cast<int32_t>(kItemsWorthThreads); ++id) {
    items.push_back(MakeItem(id, true, "t"));
  }
  SetItems(items);
  tasklist_test::WriteFile("list.json", "old");
  std::filesystem::permissions("list.json", std::filesystem::perms::owner_read);
  EXPECT_THROW(RunPublishingPass(Pass()), InOutError);
  EXPECT_EQ(log.trace, 9120);
  EXPECT_EQ(ReadFile("list.json"), "old");
  EXPECT_TRUE(std::filesystem::exists("listrss.xml"));
  EXPECT_FALSE(std::filesystem::exists("list-fri.json"));
  EXPECT_FALSE(std::filesystem::exists(files.csv));
}

// Another program that writes the list file while a run holds it keeps what it
// wrote: the run's text was made from bytes that changed under it.
TEST_F(PublishingPass, ListFileChangedWhileTheRunHeldItKeepsTheOtherProgramsText) {
  ItemArray items;
  for (int32_t id = 1; id <= 100; ++id) items.push_back(MakeItem(id, true, "title"));
  SetItems(items);
  tasklist_test::WriteFile(files.list, ListText());
  const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(files.list, anHourAgo);
  platform::FileBytes bytes;
  list = ItemList{};
  LoadListFile({files.list, false, clock}, bytes, list, log);
  ASSERT_EQ(list.recordsFromFile, 100);
  tasklist_test::WriteFile(files.list, "the other program's");
  EXPECT_THROW(RunPublishingPass(Pass()), InOutError);
  EXPECT_EQ(log.trace, 9120);
  EXPECT_EQ(ReadFile(files.list), "the other program's");
  EXPECT_FALSE(std::filesystem::exists("list-fri.json"));
  EXPECT_FALSE(std::filesystem::exists(files.csv));
}
