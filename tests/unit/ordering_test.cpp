#include "tasklist/ordering.h"

#include <gtest/gtest.h>

#include <random>

#include "tasklist_test_helpers.h"

using tasklist_test::InFreshFolder;

namespace {

std::vector<tVarno> Items(const std::vector<std::string>& displayTitles) {
  std::vector<tVarno> items;
  int32_t id = 0;
  for (const std::string& title : displayTitles) {
    tVarno item;
    item.ID = ++id;
    item.DisplayTitle = title;
    item.Description = title;
    item.Order = title;
    item.DoToday = title;
    items.push_back(item);
  }
  return items;
}

std::vector<int32_t> Ids(const std::vector<tVarno>& items) {
  std::vector<int32_t> ids;
  for (const tVarno& item : items) ids.push_back(item.ID);
  return ids;
}

std::vector<int32_t> SortedIds(std::vector<tVarno> items, const std::string& key) {
  SortItems(items, static_cast<int32_t>(items.size()), SortKeyNamed(key));
  return Ids(items);
}

// The designed exchange sort, for comparison.
void BubbleSort(std::vector<tVarno>& items, SortKey key) {
  const size_t count = items.size();
  for (size_t p = 0; p < count; ++p) {
    for (size_t j = 0; j + 1 < count - p + 1 && j + 1 < count; ++j) {
      if (SortsAfter(items[j], items[j + 1], key)) std::swap(items[j], items[j + 1]);
    }
  }
}

}  // namespace

TEST(Ordering, KeyNamesMatchExactly) {
  EXPECT_EQ(SortKeyNamed("Order"), SortKey::Order);
  EXPECT_EQ(SortKeyNamed("DoToday"), SortKey::DoToday);
  EXPECT_EQ(SortKeyNamed("Description"), SortKey::Description);
  EXPECT_EQ(SortKeyNamed("Priority"), SortKey::Priority);
  EXPECT_EQ(SortKeyNamed("Title"), SortKey::DisplayTitle);
  EXPECT_EQ(SortKeyNamed("DisplayTitle"), SortKey::DisplayTitle);
  EXPECT_EQ(SortKeyNamed("order"), SortKey::None);
  EXPECT_EQ(SortKeyNamed("ID"), SortKey::None);
}

TEST(Ordering, TextComparesUnsignedBytesAndPrefixesFirst) {
  EXPECT_LT(CompareText("Zebra", "apple"), 0);
  EXPECT_LT(CompareText("z", "\xc3\xa9"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_LT(CompareText("", "a"), 0);
  EXPECT_EQ(CompareText("a", "a"), 0);
}

TEST(Ordering, PriorityZeroSortsAsNineThousandNineHundredNinetyNine) {
  std::vector<tVarno> items = Items({"", "", "", "", ""});
  const int32_t priorities[] = {2, 0, 1, 10000, -5};
  for (size_t i = 0; i < items.size(); ++i) items[i].Priority = priorities[i];
  EXPECT_EQ(SortedIds(items, "Priority"), (std::vector<int32_t>{5, 3, 1, 2, 4}));
  EXPECT_EQ(items[1].Priority, 0) << "the records keep 0";
}

TEST(Ordering, OrderComparesText) {
  EXPECT_EQ(SortedIds(Items({"00001", "-00003", "-00010", "00000"}), "Order"),
            (std::vector<int32_t>{2, 3, 4, 1}));
}

TEST(Ordering, DescriptionAndDoToday) {
  EXPECT_EQ(SortedIds(Items({"apple", "Zebra"}), "Description"), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(SortedIds(Items({"20251003", "", "20251003", ""}), "DoToday"),
            (std::vector<int32_t>{2, 4, 1, 3}));
}

TEST(Ordering, TitleOrdersByDisplayTitleStably) {
  std::vector<tVarno> items = Items({"b", "a", "b", "a"});
  items[0].Title = "z";
  EXPECT_EQ(SortedIds(items, "Title"), (std::vector<int32_t>{2, 4, 1, 3}));
  EXPECT_EQ(SortedIds(items, "DisplayTitle"), (std::vector<int32_t>{2, 4, 1, 3}));
}

TEST(Ordering, UnknownKeyKeepsTheOrder) {
  EXPECT_EQ(SortedIds(Items({"b", "a", "c"}), "order"), (std::vector<int32_t>{1, 2, 3}));
}

TEST(Ordering, AgreesWithTheDesignedExchangeSort) {
  std::mt19937 random(3);
  const char* keys[] = {"Order", "DoToday", "Description", "Priority", "Title"};
  for (int round = 0; round < 200; ++round) {
    std::vector<tVarno> items;
    for (int i = random() % 30; i > 0; --i) {
      tVarno item;
      item.ID = static_cast<int32_t>(items.size()) + 1;
      const std::string text(1 + random() % 2, static_cast<char>('a' + random() % 3));
      item.Order = item.DoToday = item.Description = item.DisplayTitle = text;
      item.Priority = static_cast<int32_t>(random() % 4);
      items.push_back(item);
    }
    const char* key = keys[round % 5];
    std::vector<tVarno> expected = items;
    BubbleSort(expected, SortKeyNamed(key));
    EXPECT_EQ(SortedIds(items, key), Ids(expected)) << key;
  }
}

TEST(Ordering, OnlyTheCountedItemsTakePart) {
  std::vector<tVarno> items = Items({"c", "b", "a"});
  SortItems(items, 2, SortKey::DisplayTitle);
  EXPECT_EQ(Ids(items), (std::vector<int32_t>{2, 1, 3}));
}

TEST(Ordering, RenumberingWritesPositions) {
  tVarno item;
  item.ID = 40;
  EXPECT_EQ(WrittenID(item, 0, true), 1);
  EXPECT_EQ(WrittenID(item, 2, true), 3);
  EXPECT_EQ(WrittenID(item, 2, false), 40);
}

class OrderListRun : public InFreshFolder {};

TEST_F(OrderListRun, ReportsAndSorts) {
  run.List.VarnoArray = Items({"b", "a"});
  run.List.iVarnoArrayCount = 2;
  run.List.sSortBy = "Title";
  run.RedoID = true;
  OrderList(run);
  EXPECT_EQ(Ids(run.List.VarnoArray), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(run.LogRec.Trace, 6900);
  const std::string log = LogText();
  EXPECT_NE(log.find(" 6000 Bubble sort by \"Title\". iVarnoArrayCount=2\r\n"), std::string::npos);
  EXPECT_NE(log.find(" 6010 RedoID=True\r\n"), std::string::npos);
}
