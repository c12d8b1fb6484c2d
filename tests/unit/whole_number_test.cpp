#include "support/whole_number.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

std::optional<int32_t> Parsed(const std::string& text) {
  int32_t value = 0;
  return TryParseInt(text, value) ? std::optional<int32_t>(value) : std::nullopt;
}

// Plain digits up to nine are read at once; every longer or other form by
// the full rule: blanks before, a sign, hexadecimal, the 32-bit limits.
TEST(WholeNumber, ReadsEveryForm) {
  const std::vector<std::pair<std::string, std::optional<int32_t>>> cases = {
      {"0", 0},
      {"7", 7},
      {"002", 2},
      {"000000012", 12},
      {"123456789", 123456789},
      {"999999999", 999999999},
      {"1234567890", 1234567890},
      {"0000000000012", 12},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"-2147483648", INT32_MIN},
      {"-3", -3},
      {"+4", 4},
      {" 12", 12},
      {"12 ", std::nullopt},
      {"1 2", std::nullopt},
      {"12a", std::nullopt},
      {"$1F", 31},
      {"0x10", 16},
      {"$FFFFFFFF", -1},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"/", std::nullopt},
      {":", std::nullopt}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Parsed(text), expected) << text;
}

}  // namespace
