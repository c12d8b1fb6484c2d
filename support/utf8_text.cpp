#include "support/utf8_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The characters of bytes 0x80 to 0x9F in Windows-1252; from 0xA0 on the
// code page is Latin-1, whose bytes are their own code points.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

constexpr char32_t kHighHalf = 0xD800, kLowHalf = 0xDC00, kReplacement = 0xFFFD;

bool IsHalfOfAPair(char32_t code, char32_t first) {
  return code >= first && code < first + 0x400;
}

}  // namespace

void AppendUtf8Char(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

size_t DecodeUtf8Char(std::string_view text, char32_t& codePoint) {
  if (text.empty()) return 0;
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  // The second byte's range rules out the over-long forms (E0, F0), the
  // surrogates (ED) and code points above U+10FFFF (F4).
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(byte(i))) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  return length;
}

size_t Utf8PrefixBytes(std::string_view text, size_t count) {
  size_t at = 0;
  // A text usually starts in ASCII, a byte a character; continuation bytes
  // after the last of them belong to it.
  const size_t asciiEnd = std::min(count, text.size());
  while (at < asciiEnd && static_cast<unsigned char>(text[at]) < 0x80) ++at;
  count -= at;
  if (at > 0) {
    while (at < text.size() && IsContinuation(static_cast<unsigned char>(text[at]))) ++at;
  }
  for (; count > 0; --count) {
    if (at == text.size()) return std::string_view::npos;
    // A character is its lead byte and the continuation bytes after it.
    do {
      ++at;
    } while (at < text.size() && IsContinuation(static_cast<unsigned char>(text[at])));
  }
  return at;
}

std::string_view Utf8Chars(std::string_view text, size_t from, size_t count) {
  const std::string_view rest = text.substr(std::min(Utf8PrefixBytes(text, from), text.size()));
  return rest.substr(0, Utf8PrefixBytes(rest, count));
}

size_t Utf8CharLength(std::string_view text) {
  char32_t codePoint = 0;
  return DecodeUtf8Char(text, codePoint);
}

bool IsUtf8(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    // Plain ASCII, most of every text, is passed eight bytes at a time.
    if (text.size() - at >= 8) {
      uint64_t word;
      std::memcpy(&word, text.data() + at, sizeof word);
      if ((word & 0x8080808080808080ull) == 0) {
        at += 8;
        continue;
      }
    }
    const size_t length = Utf8CharLength(text.substr(at));
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else if (byte < 0xA0) {
      AppendUtf8Char(out, kWindows1252High[byte - 0x80]);
    } else {
      AppendUtf8Char(out, byte);
    }
  }
  return out;
}

char32_t Utf16Char(char32_t unit, std::optional<char32_t> next, bool& paired) {
  paired = IsHalfOfAPair(unit, kHighHalf) && next && IsHalfOfAPair(*next, kLowHalf);
  if (paired) return 0x10000 + ((unit - kHighHalf) << 10) + (*next - kLowHalf);
  return IsHalfOfAPair(unit, kHighHalf) || IsHalfOfAPair(unit, kLowHalf) ? kReplacement : unit;
}

std::optional<std::string> Utf16ToUtf8(std::string_view bytes) {
  const auto byte = [bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() < 2) return std::nullopt;
  const bool bigEndian = byte(0) == 0xFE && byte(1) == 0xFF;
  if (!bigEndian && !(byte(0) == 0xFF && byte(1) == 0xFE)) return std::nullopt;
  const auto unit = [&](size_t i) -> char32_t {
    return static_cast<char32_t>(bigEndian ? byte(i) << 8 | byte(i + 1)
                                           : byte(i + 1) << 8 | byte(i));
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    bool paired = false;
    const std::optional<char32_t> next =
        i + 3 < bytes.size() ? std::optional(unit(i + 2)) : std::nullopt;
    AppendUtf8Char(out, Utf16Char(unit(i), next, paired));
    if (paired) i += 2;
  }
  if (bytes.size() % 2 != 0) AppendUtf8Char(out, kReplacement);
  return out;
}

void MakeUtf8(std::string& text) {
  if (!IsUtf8(text)) text = Windows1252ToUtf8(text);
}

std::string AsUtf8(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}
