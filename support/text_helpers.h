// Small text routines shared by every stage.
#pragma once

#include <string>
#include <string_view>

// Decodes the fixed table of %-escapes, in its fixed order (see the .cpp),
// then every run of upper-case escapes that spells one valid UTF-8 character
// of two to four bytes ("%C3%A9" is "é"); every other escape stays.
std::string URLDecodeText(std::string_view text);
// `whenTrue` or `whenFalse` by `flag`.
std::string BooleanTStr(bool flag, std::string_view whenTrue, std::string_view whenFalse);
// The text after the first `startMarker` (from the start when it is empty) up
// to the first `endMarker` after it; empty when the start marker is missing.
std::string Between(std::string_view text, std::string_view startMarker,
                    std::string_view endMarker);
// The part of `path` after its last "\" or "/".
std::string ExtractFileName(std::string_view path);
// `number` in decimal with "0"s put in front until it is `width` long.
std::string ZeroPad(long long number, int width);

// Plain string tools (no reports, no failures).
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
