#include "support/id_counts.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>

namespace {

// Random IDs (runs of neighbours, IDs a table's size apart, the extremes and
// 0) counted far beyond the room made at first, with the IDs' array holding
// none, some or all of the neighbours: every count agrees with a plain map's,
// before and after growing, and an ID never counted gives 0.
TEST(IdCounts, AgreeWithAMapThroughGrowth) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    IdCounts counts(static_cast<size_t>(round % 3) * 100);
    std::map<int32_t, int32_t> expected;
    for (int n = 0; n < 2000; ++n) {
      int32_t id = 0;
      switch (random() % 4) {
        case 0:
          id = static_cast<int32_t>(random() % 300);
          break;
        case 1:
          id = static_cast<int32_t>((random() % 8) * 4096) - 16384;
          break;
        case 2:
          id = (random() % 2) != 0 ? INT32_MIN : INT32_MAX;
          break;
        default:
          id = static_cast<int32_t>(random());
          break;
      }
      ASSERT_EQ(counts.Add(id), ++expected[id]) << round << " " << n;
    }
    for (const auto& [id, count] : expected) ASSERT_EQ(counts.CountOf(id), count) << id;
    EXPECT_EQ(counts.CountOf(-1), expected.count(-1) != 0 ? expected[-1] : 0);
  }
}

}  // namespace
