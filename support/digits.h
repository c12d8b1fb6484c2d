// Digits and line ends written straight into a text, without temporary texts.
#pragma once

#include <string>
#include <string_view>

// The line end of every file the system writes.
inline constexpr char kCrLf[] = "\r\n";

// The day number of 31 December 9999, the last day a date-time value holds.
inline constexpr double kLastRepresentableDay = 2958465;

inline bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// An ASCII letter in lower case; every other byte as it is.
inline char ToLowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Appends `value` in decimal.
void AppendNumber(std::string& out, long long value);
// Appends `value` (not negative) in decimal with "0"s in front up to `width`
// digits; a longer value is written whole.
void AppendZeroPadded(std::string& out, long long value, int width);
