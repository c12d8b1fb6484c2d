#include "publish/publishing_pass.h"

#include <gtest/gtest.h>

#include "support/deployment.h"
#include "tasklist/item_update.h"
#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;
using tasklist_test::ReadFile;

namespace {

const TDateTime kFriday = At(2025, 10, 3, 13, 53);

tVarno Item(int32_t id, bool active, const std::string& title) {
  tVarno item;
  item.ID = id;
  item.Active = active;
  item.Title = title;
  item.DisplayTitle = title;
  return item;
}

class PublishingPass : public InFreshFolder {
 protected:
  void SetItems(const std::vector<tVarno>& items) {
    run.List.VarnoArray = items;
    run.List.iVarnoArrayCount = static_cast<int32_t>(items.size());
    run.List.sRSSOutput = "listrss.xml";
  }
  // The list file's text, as the pass builds it.
  std::string ListText() {
    StartPublishingPass(run);
    std::string text;
    BuildListText(run, kFriday, text);
    return text;
  }
  // The "Name":value lines of the list text for one member, in order.
  std::vector<std::string> Values(const std::string& text, const std::string& name) {
    std::vector<std::string> values;
    for (std::string_view line : SplitListLines(text)) {
      if (line.starts_with("    \"" + name + "\":")) values.push_back(ValueOfLine(line));
    }
    return values;
  }
};

}  // namespace

TEST(ItemLink, FromTheItemLinkLine) {
  EXPECT_EQ(ItemLinkOf("  \"ItemLink\":\"/view?id=$ID$\",", 7), "/view?id=7");
  EXPECT_EQ(ItemLinkOf("\"itemlink\":\"/v?a=$id$&b=$ID$\"", 7), "/v?a=7&b=$ID$");
  EXPECT_EQ(ItemLinkOf("  \"ItemLink\":\"/same\",", 7), "/same");
  EXPECT_EQ(ItemLinkOf("", 7), "");
  EXPECT_EQ(ItemLinkOf("  \"ItemLink\":\"\",", 7), "");
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
  SetItems({Item(1, true, "X"), Item(2, false, "Y"), Item(3, true, "Z")});
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "Count"), (std::vector<std::string>{"1", "1", "2"}));
  EXPECT_EQ(Values(text, "Order"), (std::vector<std::string>{"002", "004", "006"}));
  EXPECT_EQ(Values(text, "ID"), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(PublishingPass, ItemWithIdZeroIsLeftOutAndTheArrayStillCloses) {
  SetItems({Item(1, true, "X"), Item(0, true, "")});
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "ID"), (std::vector<std::string>{"1"}));
  EXPECT_TRUE(text.ends_with("    \"Repeat\":\"\"\r\n  }]\r\n}"));
}

TEST_F(PublishingPass, OnlyEmptySlotsGiveAnEmptyArray) {
  SetItems({Item(0, false, "")});
  const std::string text = ListText();
  EXPECT_TRUE(text.ends_with("  \"items\":[\r\n]\r\n}"));
}

TEST_F(PublishingPass, RenumberingWritesPositionsAndKeepsNextId) {
  SetItems({Item(30, true, "a"), Item(0, false, ""), Item(12, true, "b")});
  run.List.iMaxID = 30;
  run.RedoID = true;
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "ID"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_NE(text.find("  \"NextID\":31,\r\n"), std::string::npos);
}

TEST_F(PublishingPass, FreshDisplayTitleIsWritten) {
  tVarno item = Item(1, true, "2025-10-06 %DOW%");
  item.DisplayTitle = "stale";
  SetItems({item});
  const std::string text = ListText();
  EXPECT_EQ(Values(text, "DisplayTitle"), (std::vector<std::string>{"2025-10-06 MON"}));
}

TEST_F(PublishingPass, ContextNoteAndLogLines) {
  SetItems({Item(1, true, "a"), Item(2, true, "b")});
  StartPublishingPass(run);
  EXPECT_EQ(run.ExceptionRec.Notes,
            "iVarnoArrayCount=2 Length(VarnoArray)=2 sJSONFile=\"list.json\"");
  const std::string log = LogText();
  EXPECT_NE(log.find(" 8110 for iVarnoArrayItem:=0 to 1 iVarnoArrayCount-1\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(" 9100 iVarnoArrayItem=2, iVarnoArrayItem=iVarnoArrayCount=2\r\n"),
            std::string::npos);
}

TEST_F(PublishingPass, WritesTheListAndItsCopies) {
  SetItems({Item(1, true, "a")});
  run.List.iActiveRecords = 1;
  run.List.iMaxID = 1;
  RunPublishingPass(run, kFriday);
  const std::string list = ReadFile("list.json");
  EXPECT_TRUE(list.starts_with("{\r\n  \"Updated\":\"13:53:00 03/10/25 by varno.exe v"));
  EXPECT_EQ(ReadFile("list-fri.json"), list);
  EXPECT_EQ(ReadFile("list-oct.json"), list);
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
  SetItems({Item(1, true, "a")});
  run.List.sRSSOutput = "list.json";
  RunPublishingPass(run, kFriday);
  EXPECT_TRUE(ReadFile("list.json").starts_with("{\r\n  \"Updated\""));
  EXPECT_NE(
      LogText().find(" 9110 ERROR: Skipping \"list.json\": it would replace the list file.\r\n"),
      std::string::npos);
}

TEST_F(PublishingPass, ListWithoutFeedNameTakesANewListsName) {
  SetItems({Item(1, true, "a")});
  run.List.sRSSOutput = "";
  const std::string text = ListText();
  EXPECT_EQ(run.List.sRSSOutput, "listrss.xml");
  EXPECT_NE(text.find("  \"RSSOutput\":\"listrss.xml\",\r\n"), std::string::npos);
}

TEST_F(PublishingPass, WrittenListLoadsBackUnchanged) {
  tVarno item = Item(4, true, "say \"hi\" c:\\dir");
  item.Description = "two\nlines \\ and \"quotes\"";
  item.Notes = "back\\slash";
  item.Flags = "a\\\\b";
  item.Repeat = "1W";
  item.Priority = 2;
  item.Days = 3;
  item.Public = true;
  SetItems({item});
  run.List.sHeadTitle = "Home \\ office";
  run.List.iMaxID = 4;
  const std::string text = ListText();
  RunState loaded;
  loaded.sToday = run.sToday;
  loaded.sJSONFile = "list.json";
  LoadListText(loaded, text, kFriday);
  ASSERT_EQ(loaded.List.iRecordsFromFile, 1);
  const tVarno& back = loaded.List.VarnoArray[0];
  EXPECT_EQ(back.Title, "say %22hi%22 c:\\dir");
  EXPECT_EQ(back.Description, "two lines \\ and \"quotes\"");
  EXPECT_EQ(back.Notes, "back\\slash");
  EXPECT_EQ(back.Flags, "a\\\\b");
  EXPECT_EQ(back.Repeat, "1W");
  EXPECT_EQ(back.Priority, 2);
  EXPECT_EQ(back.Days, 3);
  EXPECT_TRUE(back.Public);
  EXPECT_EQ(loaded.List.sHeadTitle, "Home \\ office");
  EXPECT_EQ(loaded.List.iNextIDFromJSON, 5);
}

TEST_F(PublishingPass, EachTextIsTheSameBuiltInRoomThatHeldAnotherText) {
  tVarno dated = Item(2, true, "2025-10-06 %DOW% call");
  dated.DoToday = run.sToday;
  dated.Public = true;
  SetItems({Item(1, true, "a"), dated});
  StartPublishingPass(run);
  const std::string held(5000, 'x');

  std::string fresh, reused = held;
  BuildFeedText(run, kFriday, fresh);
  BuildFeedText(run, kFriday, reused);
  EXPECT_EQ(reused, fresh);
  BuildListText(run, kFriday, fresh);
  BuildListText(run, kFriday, reused);
  EXPECT_EQ(reused, fresh);

  tCalendarTexts freshCalendars, reusedCalendars;
  reusedCalendars.Private = reusedCalendars.Public = held;
  BuildCalendarTexts(run, kFriday, freshCalendars);
  BuildCalendarTexts(run, kFriday, reusedCalendars);
  BuildCalendarTexts(run, kFriday, reusedCalendars);  // the UIDs start afresh
  EXPECT_EQ(reusedCalendars.Private, freshCalendars.Private);
  EXPECT_EQ(reusedCalendars.Public, freshCalendars.Public);

  tCsvTexts freshCsv, reusedCsv;
  reusedCsv.Text = reusedCsv.TodayText = held;
  BuildCsvTexts(run, freshCsv);
  BuildCsvTexts(run, reusedCsv);
  BuildCsvTexts(run, reusedCsv);  // the row numbers start afresh
  EXPECT_EQ(reusedCsv.Text, freshCsv.Text);
  EXPECT_EQ(reusedCsv.TodayText, freshCsv.TodayText);
  EXPECT_NE(freshCsv.TodayText.find("call"), std::string::npos);
}

TEST_F(PublishingPass, TitleWorkedOutAtLoadIsWrittenUntilItsItemChanges) {
  tVarno changed = Item(1, true, "2025-10-06 P%PRTY% in %DTG% days");
  changed.Priority = 3;
  tVarno kept = Item(2, true, "2025-10-07 P%PRTY%");
  kept.Priority = 4;
  SetItems({changed, kept});
  RunState loaded;
  loaded.sToday = run.sToday;
  loaded.sJSONFile = "list.json";
  LoadListText(loaded, ListText(), kFriday);
  ASSERT_TRUE(loaded.List.VarnoArray[1].DisplayTitleCurrent);

  loaded.VarnoParam.ID = 1;
  loaded.sParam3_Attribute = "priority";
  loaded.sParam4_Value = "5";
  UpdateOrInsertItem(loaded, kFriday);
  std::string text;
  BuildListText(loaded, kFriday, text);
  EXPECT_EQ(Values(text, "DisplayTitle"),
            (std::vector<std::string>{"2025-10-06 P5 in 3 days", "2025-10-07 P4"}));
}

// Readers tell feed items apart by their guids: a link stands for its item
// only when no other active item has it.
TEST_F(PublishingPass, FeedGuidIsTheLinkOnlyWhereTheLinkIsTheItemsOwn) {
  const auto guidsAndLinks = [this](const std::string& itemLinkLine) {
    run.List.sItemLinkLine = itemLinkLine;
    std::string feed;
    BuildFeedText(run, kFriday, feed);
    std::vector<std::string> lines;
    for (std::string_view line : SplitListLines(feed)) {
      if (line.starts_with("<guid") || line.starts_with("<link>/")) lines.emplace_back(line);
    }
    return lines;
  };
  const std::string domain = kCalendarMailDomain;
  const std::string byID = "  \"ItemLink\":\"/v?id=$ID$\",";
  SetItems({Item(5, true, "a"), Item(6, false, "done"), Item(5, true, "b"), Item(7, true, "c")});
  EXPECT_EQ(
      guidsAndLinks(byID),
      (std::vector<std::string>{
          "<link>/v?id=5</link>", "<guid isPermaLink=\"false\">list-5@" + domain + "</guid>",
          "<link>/v?id=5</link>", "<guid isPermaLink=\"false\">list-5-2@" + domain + "</guid>",
          "<link>/v?id=7</link>", "<guid>/v?id=7</guid>"}));
  // Without "$ID$" every item has the same link; an empty link is left out.
  const std::string same = "  \"ItemLink\":\"/same\",";
  SetItems({Item(5, true, "a"), Item(7, true, "c")});
  EXPECT_EQ(guidsAndLinks(same),
            (std::vector<std::string>{
                "<link>/same</link>", "<guid isPermaLink=\"false\">list-5@" + domain + "</guid>",
                "<link>/same</link>", "<guid isPermaLink=\"false\">list-7@" + domain + "</guid>"}));
  EXPECT_EQ(guidsAndLinks("  \"ItemLink\":\"\","),
            (std::vector<std::string>{"<guid isPermaLink=\"false\">list-5@" + domain + "</guid>",
                                      "<guid isPermaLink=\"false\">list-7@" + domain + "</guid>"}));
  SetItems({Item(6, false, "done"), Item(7, true, "c")});
  EXPECT_EQ(guidsAndLinks(same),
            (std::vector<std::string>{"<link>/same</link>", "<guid>/same</guid>"}));
}
