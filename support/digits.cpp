#include "support/digits.h"

#include <charconv>

void AppendNumber(std::string& out, long long value) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void AppendZeroPadded(std::string& out, long long value, int width) {
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const auto length = static_cast<int>(end - digits);
  if (length < width) out.append(static_cast<size_t>(width - length), '0');
  out.append(digits, static_cast<size_t>(length));
}
