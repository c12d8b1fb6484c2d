#include "support/byte_masks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

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

// Runs of every length around the 16-byte parts and the 255 parts a count
// holds, from every alignment, some all line feeds.
TEST(CountLineFeeds, CountsWhatStdCountCounts) {
  std::mt19937 random(11);
  std::string text(5000, 'x');
  for (char& byte : text) byte = random() % 3 == 0 ? '\n' : static_cast<char>(random() % 256);
  text.replace(4100, 700, 700, '\n');
  for (size_t from = 0; from < 17; ++from) {
    for (size_t to :
         {from, from + 15, from + 16, from + 33, from + 4080, from + 4097, text.size()}) {
      const char* begin = text.data() + from;
      const char* end = text.data() + to;
      ASSERT_EQ(CountLineFeeds(begin, end), static_cast<size_t>(std::count(begin, end, '\n')))
          << from << ".." << to;
    }
  }
}

}  // namespace
