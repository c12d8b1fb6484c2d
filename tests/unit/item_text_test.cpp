#include "tasklist/item_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "tasklist_test_helpers.h"

namespace {

// A text referred to stays where it stands; one held survives what it was
// copied from. AddressSanitizer turns any read of freed room into a failure.
TEST(ItemText, CopiesHoldTheirOwnBytesOnlyWhereTheOriginalDid) {
  auto source = std::make_unique<std::string>("loaded text");
  ItemText referred;
  referred.Refer(*source);
  ItemText held;
  held = std::string("set by a run");
  const ItemText referredCopy = referred;
  ItemText heldCopy = held;
  ItemText alike;
  alike = held;
  held = std::string_view("changed");

  EXPECT_EQ(referredCopy.data(), source->data());
  EXPECT_EQ(heldCopy, "set by a run");
  EXPECT_EQ(alike, "set by a run");
  (*source)[0] = 'L';
  EXPECT_EQ(referredCopy, "Loaded text");
}

TEST(ItemText, TakesAPartOfItselfAndMovesWithoutCopying) {
  ItemText text;
  text = std::string_view("  1W  ");
  text = text.View().substr(2, 2);
  EXPECT_EQ(text, "1W");

  const char* const bytes = text.data();
  ItemText moved = std::move(text);
  EXPECT_EQ(moved.data(), bytes);
  EXPECT_TRUE(text.empty());  // NOLINT(bugprone-use-after-move): a moved-from text is empty
  text = moved;
  moved.clear();
  EXPECT_EQ(text, "1W");
  EXPECT_TRUE(moved.empty());
  EXPECT_EQ(std::string("every ") + text, "every 1W");
  EXPECT_LT(text, "2W");
}

}  // namespace
