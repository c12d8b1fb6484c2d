#include "support/utf8_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>

TEST(UTF8Text, ValidTexts) {
  for (const char* text : {"", "plain ASCII text, long enough for whole words", "Café crème",
                           "✓ 日本", "😀 at the end 😀", "\xC2\x80\xDF\xBF\xEF\xBF\xBF"}) {
    EXPECT_TRUE(IsUtf8(text)) << text;
  }
}

TEST(UTF8Text, InvalidTexts) {
  for (const char* text : {
           "Caf\xE9",                   // Windows-1252
           "\xA9",                      // a lone continuation byte
           "long ASCII run then \xC3",  // cut short at the end
           "\xC3\x41",                  // the second byte no continuation
           "\xC0\xAF",                  // over-long "/"
           "\xE0\x9F\xBF",              // over-long three bytes
           "\xF0\x8F\xBF\xBF",          // over-long four bytes
           "\xED\xA0\x80",              // a surrogate
           "\xF4\x90\x80\x80",          // above U+10FFFF
           "\xFF",                      // never in UTF-8
       }) {
    EXPECT_FALSE(IsUtf8(text)) << text;
  }
}

TEST(UTF8Text, Windows1252Conversion) {
  EXPECT_EQ(Windows1252ToUtf8("Cr\xE8me br\xFBl\xE9\x65"), "Crème brûlée");
  EXPECT_EQ(Windows1252ToUtf8("\x80 \x85 \x93x\x94 \x99 \x9F \xA0\xFF"), "€ … “x” ™ Ÿ \u00A0ÿ");
  // The bytes the code page leaves undefined keep their numbers.
  EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  // Every byte gives one valid character.
  for (int byte = 0; byte < 256; ++byte) {
    const std::string converted = Windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
    EXPECT_TRUE(IsUtf8(converted)) << byte;
    EXPECT_EQ(Utf8CharLength(converted), converted.size()) << byte;
  }
}

TEST(UTF8Text, OneEncodingPerValue) {
  // Valid UTF-8 stays as it is, even where it could also be read as 1252.
  EXPECT_EQ(AsUtf8("CafÃ©"), "CafÃ©");
  EXPECT_EQ(AsUtf8("Café"), "Café");
  // A value with one invalid byte is read as 1252 as a whole.
  EXPECT_EQ(AsUtf8("\xC3\xA9 and \xE9"), "Ã© and é");
  std::string value = "na\xEFve";
  MakeUtf8(value);
  EXPECT_EQ(value, "naïve");
  MakeUtf8(value);
  EXPECT_EQ(value, "naïve");
}

TEST(UTF8Text, Utf16WithItsMarkIsReadAsItsCharacters) {
  using namespace std::string_literals;
  // "é😀\r\n" in both byte orders: the emoji is a surrogate pair.
  EXPECT_EQ(Utf16ToUtf8("\xFF\xFE\xE9\x00\x3D\xD8\x00\xDE\r\x00\n\x00"s), "é😀\r\n");
  EXPECT_EQ(Utf16ToUtf8("\xFE\xFF\x00\xE9\xD8\x3D\xDE\x00\x00\r\x00\n"s), "é😀\r\n");
  // A lone half of a pair, either half, and an odd last byte.
  EXPECT_EQ(Utf16ToUtf8("\xFF\xFE\x3D\xD8x\x00\x00\xDEy"s), "\uFFFDx\uFFFD\uFFFD");
  EXPECT_EQ(Utf16ToUtf8("\xFF\xFE"), "");
  // Without the mark (UTF-8, with its own mark or not) the text is not UTF-16.
  for (const std::string& text : {"{\r\n"s, "\xEF\xBB\xBF{"s, "\xFF"s, ""s}) {
    EXPECT_EQ(Utf16ToUtf8(text), std::nullopt) << text;
  }
}

namespace {

// A character is a byte and the continuation bytes after it, whatever the
// byte: the prefix of `count` characters, counted one character at a time.
size_t PrefixBytesOneByOne(std::string_view text, size_t count) {
  size_t at = 0;
  for (; count > 0; --count) {
    if (at == text.size()) return std::string_view::npos;
    do {
      ++at;
    } while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
  }
  return at;
}

// Random texts of ASCII, lead and continuation bytes (a continuation byte
// right after ASCII included): the prefix of every length agrees with the
// count one character at a time, and so do the characters taken from it.
TEST(UTF8Text, PrefixOfCharactersAgreesWithCountingOneByOne) {
  std::mt19937 random(11);
  const char bytes[] = {'a', '2', '-', '\x80', '\xBF', '\xC3', '\xE2', '\xF0', '\xFF'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 14, ' ');
    for (char& c : text) c = bytes[random() % sizeof bytes];
    for (size_t count = 0; count <= text.size() + 1; ++count) {
      ASSERT_EQ(Utf8PrefixBytes(text, count), PrefixBytesOneByOne(text, count))
          << testing::PrintToString(text) << " " << count;
    }
    const size_t from = random() % 5;
    const size_t start = std::min(PrefixBytesOneByOne(text, from), text.size());
    const std::string_view rest = std::string_view(text).substr(start);
    EXPECT_EQ(Utf8Chars(text, from, 3), rest.substr(0, PrefixBytesOneByOne(rest, 3)));
  }
}

}  // namespace
