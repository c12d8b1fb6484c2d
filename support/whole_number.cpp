#include "support/whole_number.h"

#include <string>

#include "support/failures.h"

bool TryParseInt(std::string_view text, int32_t& value) {
  // Up to nine decimal digits and nothing else, as the list file holds its
  // numbers, cannot overflow: read at once.
  if (!text.empty() && text.size() <= 9) {
    uint32_t digits = 0;
    size_t at = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      digits = digits * 10 + static_cast<uint32_t>(text[at] - '0');
    }
    if (at == text.size()) {
      value = static_cast<int32_t>(digits);
      return true;
    }
  }
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  // Decimal values must fit a signed 32-bit number; hexadecimal ones may use
  // all 32 bits, so $FFFFFFFF reads as -1.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  const uint32_t bits = static_cast<uint32_t>(magnitude);
  value = static_cast<int32_t>(negative ? 0u - bits : bits);
  return true;
}

int32_t ParseIntOr(std::string_view text, int32_t defaultValue) {
  int32_t value;
  return TryParseInt(text, value) ? value : defaultValue;
}

int32_t ParseIntStrict(std::string_view text) {
  int32_t value;
  if (!TryParseInt(text, value)) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}
