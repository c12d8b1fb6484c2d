// Placeholder bodies; the real routines replace them.
#include "support/text_helpers.h"

std::string URLDecodeText(std::string_view t) { return std::string(t); }
std::string BooleanTStr(bool f, std::string_view a, std::string_view b) { return std::string(f ? a : b); }
std::string Between(std::string_view, std::string_view, std::string_view) { return {}; }
std::string ExtractFileName(std::string_view p) { return std::string(p); }
std::string ZeroPad(long long n, int) { return std::to_string(n); }
std::string ReplaceAll(std::string_view t, std::string_view, std::string_view) { return std::string(t); }
std::string ReplaceFirst(std::string_view t, std::string_view, std::string_view) { return std::string(t); }
std::string ReplaceAllNoCase(std::string_view t, std::string_view, std::string_view) { return std::string(t); }
std::string ReplaceFirstNoCase(std::string_view t, std::string_view, std::string_view) { return std::string(t); }
size_t FindNoCase(std::string_view t, std::string_view w) { return t.find(w); }
std::string LowerCase(std::string_view t) { return std::string(t); }
std::string UpperCase(std::string_view t) { return std::string(t); }
bool SameTextNoCase(std::string_view a, std::string_view b) { return a == b; }
std::string Trim(std::string_view t) { return std::string(t); }
bool Contains(std::string_view t, std::string_view w) { return t.find(w) != t.npos; }
bool StartsWith(std::string_view t, std::string_view p) { return t.starts_with(p); }
bool EndsWith(std::string_view t, std::string_view s) { return t.ends_with(s); }
