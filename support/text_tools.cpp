#include "support/text_tools.h"

#include <charconv>
#include <iterator>
#include <utility>

#include "support/utf8_text.h"

namespace {

// Whether `what` occurs at `pos` of `text`, letters compared without ASCII case.
bool MatchesNoCaseAt(std::string_view text, size_t pos, std::string_view what) {
  if (text.size() - pos < what.size()) return false;
  for (size_t i = 0; i < what.size(); ++i) {
    if (LowerAscii(text[pos + i]) != LowerAscii(what[i])) return false;
  }
  return true;
}

size_t FindFrom(std::string_view text, std::string_view what, size_t from, bool noCase) {
  if (!noCase) return text.find(what, from);
  for (size_t pos = from; pos + what.size() <= text.size(); ++pos) {
    if (MatchesNoCaseAt(text, pos, what)) return pos;
  }
  return std::string_view::npos;
}

// Replaces left to right, never rescanning replaced text; an empty `from`
// matches nothing.
std::string Replace(std::string_view text, std::string_view from, std::string_view to, bool all,
                    bool noCase) {
  if (from.empty()) return std::string(text);
  std::string result;
  size_t done = 0;
  for (size_t pos = FindFrom(text, from, 0, noCase); pos != std::string_view::npos;
       pos = FindFrom(text, from, done, noCase)) {
    result.append(text.substr(done, pos - done)).append(to);
    done = pos + from.size();
    if (!all) break;
  }
  result.append(text.substr(done));
  return result;
}

// The escapes the request and list texts use, in the order they must be
// decoded: "%25" first, so an escaped escape such as %2520 decodes twice.
constexpr std::pair<std::string_view, std::string_view> kUrlEscapes[] = {
    {"%25", "%"}, {"%E2%80%93", "-"}, {"%C2%B7", "-"}, {"%20", " "}, {"%22", "\""},
    {"%23", "#"}, {"%24", "$"},       {"%26", "&"},    {"%27", "'"}, {"%2C", ","},
    {"%2F", "/"}, {"%3A", ":"},       {"%3B", ";"},    {"%3C", "<"}, {"%3E", ">"},
    {"%3F", "?"}, {"%44", ","},       {"%5B", "["},    {"%5D", "]"}, {"%0A", "\n"},
};

int UpperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The escape of the table that starts at `at` (a "%") of `text`, other than
// "%25"; nullptr when none does.
const std::pair<std::string_view, std::string_view>* EscapeAt(std::string_view text, size_t at) {
  if (text.size() - at < 3) return nullptr;
  // Every escape of the table starts with "%" and two upper-case hexadecimal
  // digits; a placeholder such as "%DOW%" is no escape.
  if (UpperHexValue(text[at + 1]) < 0 || UpperHexValue(text[at + 2]) < 0) return nullptr;
  for (size_t i = 1; i < std::size(kUrlEscapes); ++i) {
    const std::string_view escape = kUrlEscapes[i].first;
    if (escape[1] == text[at + 1] && escape[2] == text[at + 2] &&
        text.compare(at, escape.size(), escape) == 0) {
      return &kUrlEscapes[i];
    }
  }
  return nullptr;
}

// The valid UTF-8 character of two to four bytes that the escapes starting at
// `at` spell in upper-case hexadecimal ("%C3%A9" is "é"), put in `bytes`;
// its length in bytes, 0 when they spell none.
size_t EscapedUtf8At(std::string_view text, size_t at, char (&bytes)[4]) {
  size_t count = 0;
  for (size_t next = at; count < 4 && text.size() - next >= 3 && text[next] == '%'; next += 3) {
    const int high = UpperHexValue(text[next + 1]);
    const int low = UpperHexValue(text[next + 2]);
    if (high < 0 || low < 0) break;
    bytes[count++] = static_cast<char>(high * 16 + low);
  }
  const size_t length = Utf8CharLength(std::string_view(bytes, count));
  return length >= 2 ? length : 0;
}

}  // namespace

void AppendNumber(std::string& out, long long number) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  out.append(digits, result.ptr);
}

void AppendZeroPadded(std::string& out, long long number, int width) {
  char digits[24];
  const auto length =
      static_cast<int>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
  if (width > length) out.append(static_cast<size_t>(width - length), '0');
  out.append(digits, static_cast<size_t>(length));
}

std::string ZeroPadded(long long number, int width) {
  std::string text;
  AppendZeroPadded(text, number, width);
  return text;
}

std::string DecodeUrlText(std::string_view text) {
  if (text.find('%') == std::string_view::npos) return std::string(text);
  std::string unescaped;
  if (text.find("%25") != std::string_view::npos) {
    unescaped = ReplaceAll(text, "%25", "%");
    text = unescaped;
  }
  // The other escapes decode in one scan, as their passes in table order
  // and then the pass of escaped UTF-8 characters would: each is "%" and
  // hexadecimal digits with no escape starting inside another (a UTF-8
  // character's escapes after its first are %80 to %BF, which start no
  // escape; the two of the table that spell characters are tried first),
  // so no two overlap, and each decodes to characters that are neither "%"
  // nor hexadecimal digits, so no decoding makes a new escape.
  std::string result;
  result.reserve(text.size());
  size_t done = 0;
  char bytes[4];
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at)) {
    if (const auto* escape = EscapeAt(text, at)) {
      result.append(text.substr(done, at - done)).append(escape->second);
      at += escape->first.size();
      done = at;
    } else if (const size_t length = EscapedUtf8At(text, at, bytes); length > 0) {
      result.append(text.substr(done, at - done)).append(bytes, length);
      at += 3 * length;
      done = at;
    } else {
      ++at;
    }
  }
  result.append(text.substr(done));
  return result;
}

bool HoldsUrlEscape(std::string_view text) {
  char bytes[4];
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
    // Every escape is "%" and two upper-case hexadecimal digits; most "%"s
    // (placeholders) are not followed by two.
    if (text.size() - at < 3 || UpperHexValue(text[at + 1]) < 0 ||
        UpperHexValue(text[at + 2]) < 0) {
      continue;
    }
    if (text.compare(at, kUrlEscapes[0].first.size(), kUrlEscapes[0].first) == 0 ||
        EscapeAt(text, at) != nullptr || EscapedUtf8At(text, at, bytes) > 0) {
      return true;
    }
  }
  return false;
}

std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker) {
  size_t start = 0;
  if (!startMarker.empty()) {
    start = text.find(startMarker);
    if (start == std::string_view::npos) return {};
  }
  std::string_view rest = text.substr(start + startMarker.size());
  if (!endMarker.empty()) rest = rest.substr(0, rest.find(endMarker));
  return std::string(rest);
}

std::string FileNameOf(std::string_view path) {
  // Only the two separators count, so a bare drive prefix ("C:name") stays.
  const size_t last = path.find_last_of("\\/");
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  return Replace(text, from, to, true, false);
}

std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to) {
  return Replace(text, from, to, false, false);
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
  return Replace(text, from, to, true, true);
}

std::string ReplaceFirstNoCase(std::string_view text, std::string_view from, std::string_view to) {
  return Replace(text, from, to, false, true);
}

size_t FindNoCase(std::string_view text, std::string_view what) {
  return FindFrom(text, what, 0, true);
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && MatchesNoCaseAt(a, 0, b);
}

std::string Trim(std::string_view text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  size_t first = 0;
  size_t end = text.size();
  while (first < end && isBlank(text[first])) ++first;
  while (end > first && isBlank(text[end - 1])) --end;
  return std::string(text.substr(first, end - first));
}

bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.starts_with(prefix);
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.ends_with(suffix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && MatchesNoCaseAt(text, text.size() - suffix.size(), suffix);
}
