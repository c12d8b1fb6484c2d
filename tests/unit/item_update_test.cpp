#include "tasklist/item_update.h"

#include <gtest/gtest.h>

#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;

namespace {

const DateTime kNow = At(2025, 10, 3, 13, 53);

Item Stored(int32_t id, const std::string& title) {
  Item item;
  item.id = id;
  item.active = true;
  item.order = "00002";
  item.title = title;
  item.displayTitle = title;
  item.notes = "kept";
  return item;
}

class ItemUpdate : public InFreshFolder {
 protected:
  void SetUp() override {
    InFreshFolder::SetUp();
    for (int32_t id : {3, 5, 11}) list.items.push_back(Stored(id, "item " + std::to_string(id)));
    list.maxId = 11;
  }
  void Request(int32_t id, const std::string& attribute, const std::string& value) {
    UpdateOrInsertItem(list, {id, attribute, value}, "list.json", clock, log);
  }
  const Item& Slot(size_t i) const { return list.items[i]; }
};

}  // namespace

TEST_F(ItemUpdate, TitleOfAnExistingItem) {
  Request(5, "title", "2025-10-06 Call back %DOW%");
  EXPECT_EQ(Slot(1).title, "2025-10-06 Call back %DOW%");
  EXPECT_EQ(Slot(1).displayTitle, "2025-10-06 Call back MON");
  EXPECT_EQ(Slot(1).notes, "kept");
  EXPECT_EQ(list.items.size(), 3u);
  EXPECT_NE(
      LogText().find(" 5500 Updating VarnoArray[1]. ID=5 Title=\"2025-10-06 Call back %DOW%\" "
                     "Attribute=\"title\", Value=\"2025-10-06 Call back %DOW%\".\r\n"),
      std::string::npos);
  EXPECT_EQ(log.trace, 5800);
}

TEST_F(ItemUpdate, AttributeNamesMatchExactly) {
  testing::internal::CaptureStdout();
  Request(5, "Title", "x");
  const std::string console = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Slot(1).title, "item 5");
  EXPECT_NE(console.find("********** Unprocessed sParam1_JSONFile=\"list.json\"\n5500 Updating"),
            std::string::npos);
}

TEST_F(ItemUpdate, InsertionAppendsTheRequestRecord) {
  Request(12, "title", "new");
  ASSERT_EQ(list.items.size(), 4u);
  EXPECT_EQ(Slot(3).id, 12);
  EXPECT_TRUE(Slot(3).active);
  EXPECT_EQ(Slot(3).order, "00000");
  EXPECT_EQ(Slot(3).title, "new");
  EXPECT_EQ(Slot(3).notes, "");
  EXPECT_EQ(list.maxId, 12);
  const std::string text = LogText();
  for (const char* line :
       {" iVarnoArrayLength=3 Length(VarnoArray) Before SetLength=3\r\n",
        " 5620 iVarnoArrayCount was incremented. Now=4\r\n",
        " 5700 iRecordFoundID=-1 -> Adding item. VarnoParam.ID=12 at iVarnoArrayCount-1=3, "
        "Attribute=\"title\", Value=\"new\".\r\n",
        " 5710 VarnoParam.ID=12, VarnoParam.Active=True, VarnoParam.Title=\"new\", "
        "VarnoParam.Description=\"\", VarnoParam.Priority=0\r\n",
        " 5720 VarnoArray[3].ID=12, Active=True, Title=\"new\", Description=\"\", "
        "Priority=0\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST_F(ItemUpdate, InsertionBelowTheHighestIdKeepsIt) {
  Request(7, "notes", "n");
  EXPECT_EQ(list.maxId, 11);
  EXPECT_EQ(Slot(3).notes, "n");
}

TEST_F(ItemUpdate, UnknownAttributeStillInserts) {
  Request(20, "colour", "red");
  EXPECT_EQ(Slot(3).id, 20);
  EXPECT_EQ(Slot(3).title, "");
}

TEST_F(ItemUpdate, IdZeroOrNegativeChangesNothing) {
  for (int32_t id : {0, -1}) {
    Request(id, "title", "x");
    EXPECT_EQ(list.items.size(), 3u);
  }
  EXPECT_FALSE(std::filesystem::exists("varno-log.txt"));
}

TEST_F(ItemUpdate, EmptyListTakesAnInsertion) {
  list = ItemList{};
  Request(1, "title", "Dentist");
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(Slot(0).id, 1);
  EXPECT_EQ(list.maxId, 1);
}

TEST_F(ItemUpdate, OnlyTheFirstOfTwoEqualIdsChanges) {
  list.items[2].id = 5;
  Request(5, "notes", "changed");
  EXPECT_EQ(Slot(1).notes, "changed");
  EXPECT_EQ(Slot(2).notes, "kept");
}

// Every output shows the title as the rewritten list does.
TEST(SetItemAttribute, ChangedMemberShowsInTheDisplayTitle) {
  const DateTime now = At(2025, 10, 3);
  Item item;
  SetItemAttribute(item, "title", "Buy milk %RPT% P%PRTY%", "20251003", now);
  EXPECT_EQ(item.displayTitle, "Buy milk - P0");
  SetItemAttribute(item, "repeat", "2w", "20251003", now);
  SetItemAttribute(item, "priority", "4", "20251003", now);
  EXPECT_EQ(item.displayTitle, "Buy milk 2W P4");
  SetItemAttribute(item, "title", "2025-10-01 Rent", "20251003", now);
  SetItemAttribute(item, "repeat", "1M", "20251003", now);
  EXPECT_EQ(item.displayTitle, "2025-11-01 Rent");
}

TEST(SetItemAttribute, TheTable) {
  const DateTime now = At(2025, 10, 3);
  Item item;
  const auto set = [&](const std::string& attribute, const std::string& value) {
    return SetItemAttribute(item, attribute, value, "20251003", now);
  };
  EXPECT_TRUE(set("active", "true"));
  EXPECT_TRUE(item.active);
  set("active", "True");
  EXPECT_FALSE(item.active);
  set("days", "4");
  EXPECT_EQ(item.days, 4);
  set("days", "four");
  EXPECT_EQ(item.days, 0);
  set("dotoday", "true");
  EXPECT_EQ(item.doToday, "20251003");
  set("dotoday", "yes");
  EXPECT_EQ(item.doToday, "");
  set("description", "d%20");
  EXPECT_EQ(item.description, "d%20");
  set("etc", "e");
  set("flags", "f");
  set("notes", "n");
  set("status", "s");
  EXPECT_EQ(item.etc + item.flags + item.notes + item.status, "efns");
  set("order", "7");
  EXPECT_EQ(item.order, "00007");
  set("order", "x");
  EXPECT_EQ(item.order, "00000");
  set("order", "-3");
  EXPECT_EQ(item.order, "-00003");
  set("priority", "0x10");
  EXPECT_EQ(item.priority, 16);
  set("public", "true");
  EXPECT_TRUE(item.isPublic);
  set("repeat", "1w");
  EXPECT_EQ(item.repeat, "1W");
  set("title", "2025-10-03 %DOW%");
  EXPECT_EQ(item.displayTitle, "2025-10-03 FRI");
  EXPECT_FALSE(set("", "x"));
  EXPECT_FALSE(set("Active", "true"));
}
