#include "tasklist/ordering.h"

#include <gtest/gtest.h>

#include <random>

#include "tasklist/list_format.h"
#include "tasklist_test_helpers.h"

using tasklist_test::InFreshFolder;

namespace {

ItemArray Items(const std::vector<std::string>& displayTitles) {
  ItemArray items;
  int32_t id = 0;
  for (const std::string& title : displayTitles) {
    Item item;
    item.id = ++id;
    item.displayTitle = title;
    item.description = title;
    item.order = title;
    item.doToday = title;
    items.push_back(item);
  }
  return items;
}

std::vector<int32_t> Ids(const ItemArray& items) {
  std::vector<int32_t> ids;
  for (const Item& item : items) ids.push_back(item.id);
  return ids;
}

std::vector<int32_t> SortedIds(ItemArray items, const std::string& key) {
  SortItems(items, SortKeyNamed(key));
  return Ids(items);
}

// An exchange sort that swaps neighbours only when the first is strictly
// greater, for comparison.
void BubbleSort(ItemArray& items, SortKey key) {
  const size_t count = items.size();
  for (size_t p = 0; p < count; ++p) {
    for (size_t j = 0; j + 1 < count - p + 1 && j + 1 < count; ++j) {
      if (CompareByKey(items[j], items[j + 1], key) > 0) std::swap(items[j], items[j + 1]);
    }
  }
}

}  // namespace

TEST(Ordering, KeyNamesMatchExactly) {
  EXPECT_EQ(SortKeyNamed("Order"), SortKey::kOrder);
  EXPECT_EQ(SortKeyNamed("DoToday"), SortKey::kDoToday);
  EXPECT_EQ(SortKeyNamed("Description"), SortKey::kDescription);
  EXPECT_EQ(SortKeyNamed("Priority"), SortKey::kPriority);
  EXPECT_EQ(SortKeyNamed("Title"), SortKey::kDisplayTitle);
  EXPECT_EQ(SortKeyNamed("DisplayTitle"), SortKey::kDisplayTitle);
  EXPECT_EQ(SortKeyNamed("order"), SortKey::kNone);
  EXPECT_EQ(SortKeyNamed("ID"), SortKey::kNone);
}

TEST(Ordering, TextComparesUnsignedBytesAndPrefixesFirst) {
  EXPECT_LT(CompareText("Zebra", "apple"), 0);
  EXPECT_LT(CompareText("z", "\xc3\xa9"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_LT(CompareText("", "a"), 0);
  EXPECT_EQ(CompareText("a", "a"), 0);
}

TEST(Ordering, PriorityZeroSortsAsNineThousandNineHundredNinetyNine) {
  ItemArray items = Items({"", "", "", "", ""});
  const int32_t priorities[] = {2, 0, 1, 10000, -5};
  for (size_t i = 0; i < items.size(); ++i) items[i].priority = priorities[i];
  EXPECT_EQ(SortedIds(items, "Priority"), (std::vector<int32_t>{5, 3, 1, 2, 4}));
  EXPECT_EQ(items[1].priority, 0) << "the records keep 0";
}

TEST(Ordering, OrderComparesText) {
  EXPECT_EQ(SortedIds(Items({"00001", "-00003", "-00010", "00000"}), "Order"),
            (std::vector<int32_t>{2, 3, 4, 1}));
}

// Orders are written with five digits at least; from the 50,000th item on
// they have six, and must still sort as their numbers do, or every run would
// move the list's last half among its first tenth.
TEST(Ordering, OrdersOfSixDigitsSortAfterThoseOfFive) {
  EXPECT_EQ(SortedIds(Items({"100002", "09998", "99998", "100000", "-00010", "10000"}), "Order"),
            (std::vector<int32_t>{5, 2, 6, 3, 4, 1}));
  EXPECT_LT(CompareOrders("99998", "100000"), 0);
  EXPECT_GT(CompareOrders("-100000", "-00010"), 0) << "orders below zero compare as text";
  EXPECT_LT(CompareOrders("", "0"), 0);
  EXPECT_GT(CompareOrders("a", "100000"), 0);
}

TEST(Ordering, DescriptionAndDoToday) {
  EXPECT_EQ(SortedIds(Items({"apple", "Zebra"}), "Description"), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(SortedIds(Items({"20251003", "", "20251003", ""}), "DoToday"),
            (std::vector<int32_t>{2, 4, 1, 3}));
}

TEST(Ordering, TitleOrdersByDisplayTitleStably) {
  ItemArray items = Items({"b", "a", "b", "a"});
  items[0].title = "z";
  EXPECT_EQ(SortedIds(items, "Title"), (std::vector<int32_t>{2, 4, 1, 3}));
  EXPECT_EQ(SortedIds(items, "DisplayTitle"), (std::vector<int32_t>{2, 4, 1, 3}));
}

TEST(Ordering, UnknownKeyKeepsTheOrder) {
  EXPECT_EQ(SortedIds(Items({"b", "a", "c"}), "order"), (std::vector<int32_t>{1, 2, 3}));
}

TEST(Ordering, AgreesWithTheExchangeSort) {
  std::mt19937 random(3);
  const char* keys[] = {"Order", "DoToday", "Description", "Priority", "Title"};
  for (int round = 0; round < 200; ++round) {
    ItemArray items;
    for (int i = random() % 30; i > 0; --i) {
      Item item;
      item.id = static_cast<int32_t>(items.size()) + 1;
      const std::string text(1 + random() % 2, static_cast<char>('a' + random() % 3));
      item.order = item.doToday = item.description = item.displayTitle = text;
      item.priority = static_cast<int32_t>(random() % 4);
      items.push_back(item);
    }
    const char* key = keys[round % 5];
    ItemArray expected = items;
    BubbleSort(expected, SortKeyNamed(key));
    EXPECT_EQ(SortedIds(items, key), Ids(expected)) << key;
  }
}

// Keys that share their first eight bytes or more, end within them, hold a
// NUL or bytes above 127: the sort must still agree with comparing whole texts.
TEST(Ordering, AgreesWithTheExchangeSortBeyondTheFirstEightBytes) {
  std::mt19937 random(5);
  const std::string pieces[] = {"",         "00002",    "0000",    std::string("a\0", 2),
                                "\xc3\xa9", "abcdefgh", "abcdefg", "z"};
  const char* keys[] = {"Order", "DoToday", "Description", "Title"};
  for (int round = 0; round < 400; ++round) {
    ItemArray items;
    for (int i = 2 + random() % 40; i > 0; --i) {
      Item item;
      item.id = static_cast<int32_t>(items.size()) + 1;
      std::string text;
      for (int p = random() % 4; p > 0; --p) text += pieces[random() % std::size(pieces)];
      item.order = item.doToday = item.description = item.displayTitle = text;
      items.push_back(item);
    }
    const char* key = keys[round % 4];
    ItemArray expected = items;
    BubbleSort(expected, SortKeyNamed(key));
    EXPECT_EQ(SortedIds(items, key), Ids(expected)) << key;
  }
}

// Orders of digits of every length up to nine, next to orders that start
// with a byte just below "0" or just above "9", are empty, or start with a
// digit and go on with other bytes: orders compare by their length first
// only when both start with a digit.
TEST(Ordering, OrdersAgreeWithTheExchangeSort) {
  std::mt19937 random(7);
  const std::string leads[] = {"", "-", "/", ":", "a", "\xc3\xa9", "0", "9"};
  for (int round = 0; round < 400; ++round) {
    ItemArray items;
    for (int i = 2 + random() % 40; i > 0; --i) {
      Item item;
      item.id = static_cast<int32_t>(items.size()) + 1;
      item.order = leads[random() % std::size(leads)];
      for (int d = random() % 10; d > 0; --d) item.order += static_cast<char>('0' + random() % 3);
      if (random() % 8 == 0) item.order += static_cast<char>("x:/"[random() % 3]);
      items.push_back(item);
    }
    ItemArray expected = items;
    BubbleSort(expected, SortKey::kOrder);
    EXPECT_EQ(SortedIds(items, "Order"), Ids(expected));
  }
}

// A list sorted by the last run, then one or a few of its items changed,
// moved or added, as a run does: equal orders keep their places.
TEST(Ordering, NearlySortedListsAgreeWithTheExchangeSort) {
  std::mt19937 random(11);
  const auto order = [&random] { return OrderText(static_cast<int32_t>(random() % 40) - 4); };
  for (int round = 0; round < 600; ++round) {
    ItemArray items;
    for (int i = 1 + random() % 30; i > 0; --i) {
      Item item;
      item.id = static_cast<int32_t>(items.size()) + 1;
      item.order = order();
      items.push_back(item);
    }
    SortItems(items, SortKey::kOrder);
    for (int changes = 1 + random() % 3; changes > 0; --changes) {
      if (random() % 2 == 0) {
        items[random() % items.size()].order = order();
      } else {
        Item added;
        added.id = static_cast<int32_t>(items.size()) + 100;
        added.order = order();
        items.insert(items.begin() + static_cast<ptrdiff_t>(random() % (items.size() + 1)), added);
      }
    }
    ItemArray expected = items;
    BubbleSort(expected, SortKey::kOrder);
    EXPECT_EQ(SortedIds(items, "Order"), Ids(expected));
  }
}

// Beyond 65,534 digits an order's length no longer fits its lead: the longer
// order still sorts after the shorter one, however its digits compare.
TEST(Ordering, OrdersLongerThanTheirLeadStillSortByLength) {
  const std::string nines(65600, '9');
  EXPECT_EQ(SortedIds(Items({"1" + nines, nines, "1" + std::string(65534, '0'), "2"}), "Order"),
            (std::vector<int32_t>{4, 3, 2, 1}));
}

TEST(Ordering, RenumberingWritesPositions) {
  Item item;
  item.id = 40;
  EXPECT_EQ(WrittenId(item, 0, true), 1);
  EXPECT_EQ(WrittenId(item, 2, true), 3);
  EXPECT_EQ(WrittenId(item, 2, false), 40);
}

class OrderListRun : public InFreshFolder {};

TEST_F(OrderListRun, ReportsAndSorts) {
  list.items = Items({"b", "a"});
  list.sortBy = "Title";
  OrderList(list, true, log);
  EXPECT_EQ(Ids(list.items), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(log.trace, 6900);
  const std::string text = LogText();
  EXPECT_NE(text.find(" 6000 Bubble sort by \"Title\". iVarnoArrayCount=2\r\n"), std::string::npos);
  EXPECT_NE(text.find(" 6010 RedoID=True\r\n"), std::string::npos);
}
