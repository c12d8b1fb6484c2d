#include "support/large_room_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

// An array that grows past the large room's threshold and shrinks below it
// moves between the heap and large rooms; each room goes back where it came
// from (a mix-up is a crash, or a finding of the address sanitizer).
TEST(LargeRoomAllocator, KeepsTheElementsAcrossTheThresholdBothWays) {
  constexpr size_t kAcross = 3 * kLargeRoomBytes / sizeof(uint64_t);
  std::vector<uint64_t, LargeRoomAllocator<uint64_t>> numbers;
  for (uint64_t n = 0; n < kAcross; ++n) numbers.push_back(n);
  std::vector<uint64_t, LargeRoomAllocator<uint64_t>> copy(numbers);
  numbers.resize(10);
  numbers.shrink_to_fit();
  EXPECT_EQ(std::accumulate(numbers.begin(), numbers.end(), uint64_t{0}), 45u);
  EXPECT_EQ(copy.size(), kAcross);
  EXPECT_EQ(copy.back(), kAcross - 1);
  copy.resize(copy.size() + 5);
  EXPECT_EQ(copy.back(), 0u);
  // Room the system cannot give is a failure to allocate, not a crash.
  EXPECT_THROW(copy.reserve(copy.max_size()), std::bad_alloc);
}
