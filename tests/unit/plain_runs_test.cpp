#include "support/plain_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Random byte sets (ranges that start or end at either end of the byte
// values, stops inside and outside them) against texts of every byte and
// length: the run measured 16 bytes at a time ends where a byte-by-byte walk
// finds the first byte that is not plain.
TEST(PlainRuns, EndAtTheFirstByteThatIsNotPlain) {
  std::mt19937 random(5);
  const unsigned char edges[] = {0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFE, 0xFF};
  for (int n = 0; n < 3000; ++n) {
    unsigned char lowest = edges[random() % std::size(edges)];
    unsigned char highest = edges[random() % std::size(edges)];
    if (lowest > highest) std::swap(lowest, highest);
    PlainByteSet plain{lowest, highest, {}};
    for (char& stop : plain.stops) stop = static_cast<char>(random() % 256);
    std::string text(random() % 70, '\0');
    for (char& byte : text) {
      // Mostly plain, so that runs are long enough to span blocks.
      byte = random() % 8 != 0 ? static_cast<char>(lowest + random() % (highest - lowest + 1))
                               : static_cast<char>(random() % 256);
    }
    size_t expected = 0;
    while (expected < text.size() && plain.Holds(text[expected])) ++expected;
    ASSERT_EQ(PlainRunLength(text, plain), expected) << n;
  }
}

}  // namespace
