// Plain text routines: they report nothing and fail only as the standard
// library does (out of memory).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The line end of every file the system writes.
inline constexpr char kCrLf[] = "\r\n";

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Appends `number` in decimal.
void AppendNumber(std::string& out, long long number);
// Appends `number` in decimal with "0"s put in front until it is `width`
// long; in front of a minus sign too, so a signed value puts its sign first
// and pads the magnitude.
void AppendZeroPadded(std::string& out, long long number, int width);
std::string ZeroPadded(long long number, int width);

// Decodes the fixed table of %-escapes, in its fixed order (see the .cpp),
// then every run of upper-case escapes that spells one valid UTF-8 character
// of two to four bytes ("%C3%A9" is "é"); every other escape stays.
std::string DecodeUrlText(std::string_view text);
// Whether DecodeUrlText changes `text`: most texts hold no escape it decodes,
// placeholders such as "%DAYS%" included, and need not be decoded.
bool HoldsUrlEscape(std::string_view text);
// The text after the first `startMarker` (from the start when it is empty) up
// to the first `endMarker` after it; empty when the start marker is missing.
std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker);
// The part of `path` after its last "\" or "/".
std::string FileNameOf(std::string_view path);

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to);
// Replace, matching letters without regard to case.
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceFirstNoCase(std::string_view text, std::string_view from, std::string_view to);
// Position of `what` in `text` ignoring ASCII case, or npos.
size_t FindNoCase(std::string_view text, std::string_view what);
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameTextNoCase(std::string_view a, std::string_view b);
// Removes blanks and control characters at both ends.
std::string Trim(std::string_view text);
bool Contains(std::string_view text, std::string_view what);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
