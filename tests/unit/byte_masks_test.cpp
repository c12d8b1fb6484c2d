#include "support/byte_masks.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Blocks of quotes, colons, line feeds, their neighbours in the code table
// and bytes above 127 (negative as char): the fast form marks exactly the
// bytes the byte-by-byte one does, at every one of the 64 places.
TEST(BlockMasks, AgreeWithTheByteByByteForm) {
  std::mt19937 random(7);
  const char bytes[] = {'"', ':', '\n', '!', '#', '9', ';', '\t', '\v', '\0', '\x80', '\xBA', 'x'};
  for (int n = 0; n < 5000; ++n) {
    char block[kMaskBlockSize];
    for (char& byte : block) byte = bytes[random() % std::size(bytes)];
    const BlockMasks fast = BlockMasksOf(block);
    const BlockMasks plain = BlockMasksByteByByte(block);
    ASSERT_EQ(fast.quotes, plain.quotes);
    ASSERT_EQ(fast.colons, plain.colons);
    ASSERT_EQ(fast.lineFeeds, plain.lineFeeds);
  }
}

}  // namespace
