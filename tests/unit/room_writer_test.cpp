#include "support/room_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(RoomWriter, WritesAfterTheTextAndCutsBackTheRoomLeft) {
  std::string text = "head:";
  RoomWriter w(text, 64);
  w.Put("[");
  w.PutNumber(LLONG_MIN);
  w.PutChar(',');
  w.PutNumber(0);
  w.Put(std::string_view("]x", 1));
  char*& next = w.Next();
  *next++ = '!';
  w.Finish();
  EXPECT_EQ(text, "head:[" + std::to_string(LLONG_MIN) + ",0]!");
}

TEST(RoomWriter, NothingWrittenLeavesTheTextAsItWas) {
  std::string text = "kept";
  RoomWriter w(text, 1000);
  w.Finish();
  EXPECT_EQ(text, "kept");
}
