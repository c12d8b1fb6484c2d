// The task list worked with a list, a clock and a run log alone: a list text
// loaded, an item changed or added, the list ordered.
#include <gtest/gtest.h>

#include "support/failures.h"
#include "tasklist/item_update.h"
#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist/ordering.h"
#include "tasklist_test_helpers.h"

using tasklist_test::InFreshFolder;

namespace {

// A list text as the program writes it, sorted by `sortBy`.
std::string WrittenList(const std::string& sortBy, const ItemArray& items, DateTime now) {
  ItemList header;
  header.sortBy = sortBy;
  header.feedName = "listrss.xml";
  std::string text;
  AppendListHeader(text, header, now, 8010);
  for (size_t i = 0; i < items.size(); ++i) {
    AppendListEntry(text, items[i], {items[i].id, 1, 2, items[i].title}, i == 0);
  }
  CloseListText(text);
  return text;
}

Item Titled(int32_t id, const std::string& title, int32_t priority) {
  Item item;
  item.id = id;
  item.active = true;
  item.title = title;
  item.priority = priority;
  return item;
}

class TasklistParts : public InFreshFolder {
 protected:
  void Load(const std::string& text) {
    loaded = text;  // the items refer to it
    LoadListText(loaded, {files.list, false, clock}, list, log);
  }
  std::string loaded;
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const Item& item : list.items) titles.emplace_back(item.title);
    return titles;
  }
};

TEST_F(TasklistParts, ChangedPriorityReordersTheList) {
  Load(WrittenList("Priority", {Titled(1, "a", 1), Titled(2, "b", 2), Titled(3, "c", 0)},
                   clock.now));
  UpdateOrInsertItem(list, {1, "priority", "5"}, "list.json", clock, log);
  OrderList(list, false, log);
  // An unset priority (0) sorts last.
  EXPECT_EQ(Titles(), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(log.trace, 6900);
  // The task list reports to the run log and writes nothing else.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
  const std::string text = LogText();
  EXPECT_NE(text.find(" 5500 Updating VarnoArray[0]. ID=1 Title=\"a\" Attribute=\"priority\", "
                      "Value=\"5\".\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" 6000 Bubble sort by \"Priority\". iVarnoArrayCount=3\r\n"),
            std::string::npos);
}

TEST_F(TasklistParts, AddedItemTakesTheRoomLeftByTheLoaderAndItsPlaceInTheOrder) {
  Load(WrittenList("Title", {Titled(4, "delta", 0), Titled(2, "bravo", 0)}, clock.now));
  ASSERT_EQ(list.items.size(), 2u);
  const Item* before = list.items.data();
  UpdateOrInsertItem(list, {9, "title", "charlie"}, "list.json", clock, log);
  // Adding the request's item moves no loaded record.
  EXPECT_EQ(list.items.data(), before);
  EXPECT_EQ(list.maxId, 9);
  OrderList(list, false, log);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"bravo", "charlie", "delta"}));
  EXPECT_NE(LogText().find(" 5620 iVarnoArrayCount was incremented. Now=3\r\n"), std::string::npos);
}

TEST_F(TasklistParts, MarkedForTodayByTheRunsClock) {
  Load(WrittenList("Order", {Titled(1, "a", 0)}, clock.now));
  clock.today = "20251231";
  UpdateOrInsertItem(list, {1, "dotoday", "true"}, "list.json", clock, log);
  EXPECT_EQ(list.items[0].doToday, "20251231");
}

TEST_F(TasklistParts, LoadingFailureLeavesItsStepAndContextInTheLog) {
  std::string text = WrittenList("Order", {Titled(1, "a", 0)}, clock.now);
  const size_t at = text.find("\"NextID\":");
  ASSERT_NE(at, std::string::npos);
  text[at + 9] = 'x';
  EXPECT_THROW(Load(text), ConvertError);
  EXPECT_EQ(log.trace, 1040);
  // "NextID" is read before any item: no context was noted.
  EXPECT_EQ(log.notes, "");
}

}  // namespace
