#include "support/text_helpers.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "support/text_tools.h"
#include "support/utf8_text.h"

TEST(TextHelpersURLDecode, DecodesTheTableOnly) {
  EXPECT_EQ(reported::DecodeUrlText("Buy%20milk%2C%20eggs"), "Buy milk, eggs");
  EXPECT_EQ(reported::DecodeUrlText("x%0Ay"), "x\ny");
  EXPECT_EQ(reported::DecodeUrlText("%44"), ",");
  EXPECT_EQ(reported::DecodeUrlText("10%E2%80%93"), "10-");
  EXPECT_EQ(reported::DecodeUrlText("a%C2%B7b"), "a-b");
  EXPECT_EQ(reported::DecodeUrlText("%22%23%24%26%27%2F%3A%3B%3C%3E%3F%5B%5D"), "\"#$&'/:;<>?[]");
  EXPECT_EQ(reported::DecodeUrlText(""), "");
}

TEST(TextHelpersURLDecode, LeavesOtherEscapesAlone) {
  EXPECT_EQ(reported::DecodeUrlText("a+b%2bc"), "a+b%2bc");
  EXPECT_EQ(reported::DecodeUrlText("%41%3D%2B%40%2c%0a"), "%41%3D%2B%40%2c%0a");
}

TEST(TextHelpersURLDecode, EscapedPercentDecodesTwice) {
  EXPECT_EQ(reported::DecodeUrlText("%2520"), " ");
  EXPECT_EQ(reported::DecodeUrlText("%252C"), ",");
  EXPECT_EQ(reported::DecodeUrlText("%2541"), "%41");
  // Each step scans once, so a decoded "%25" is not decoded again by step 1.
  EXPECT_EQ(reported::DecodeUrlText("%252541"), "%2541");
}

TEST(TextHelpersURLDecode, EscapedUTF8CharactersOfEveryLength) {
  EXPECT_EQ(reported::DecodeUrlText("Caf%C3%A9%20cr%C3%A8me"), "Café crème");
  EXPECT_EQ(reported::DecodeUrlText("%E2%9C%93%20%E6%97%A5%E6%9C%AC"), "✓ 日本");
  EXPECT_EQ(reported::DecodeUrlText("%F0%9F%98%80"), "😀");
  EXPECT_EQ(reported::DecodeUrlText("%C2%80%DF%BF%E0%A0%80%EF%BF%BF%F0%90%80%80%F4%8F%BF%BF"),
            "\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF");
  // The table comes first: the en dash and the middle dot stay hyphens, and
  // an escaped escape spells its character.
  EXPECT_EQ(reported::DecodeUrlText("%E2%80%93%C2%B7%E2%80%94"), "--—");
  EXPECT_EQ(reported::DecodeUrlText("%25C3%25A9"), "é");
}

TEST(TextHelpersURLDecode, EscapesThatSpellNoCharacterStay) {
  for (const char* text : {
           "%C3",           // a lone lead byte
           "%A9",           // a lone continuation byte
           "%C3%A9%A9",     // one continuation too many: the last stays
           "%c3%a9",        // lower-case hexadecimal
           "%C3%a9",        // half lower-case
           "%C3%41",        // the second byte no continuation
           "%C0%AF%C1%BF",  // over-long forms of "/" and DEL
           "%E0%9F%BF",     // over-long three bytes
           "%F0%8F%BF%BF",  // over-long four bytes
           "%ED%A0%80",     // a surrogate
           "%F4%90%80%80",  // above U+10FFFF
           "%F5%80%80%80",  // no lead byte at all
           "%E2%9C",        // cut short
           "%E2%9C%2C",     // cut short by a table escape, which decodes
           "%41%2B+",       // one byte, and "+"
       }) {
    const std::string decoded = reported::DecodeUrlText(text);
    EXPECT_NE(decoded.find('%'), std::string::npos) << text;
    EXPECT_TRUE(IsUtf8(decoded)) << text;
  }
  EXPECT_EQ(reported::DecodeUrlText("%C3%A9%A9"), "é%A9");
  EXPECT_EQ(reported::DecodeUrlText("%E2%9C%2C"), "%E2%9C,");
  EXPECT_EQ(reported::DecodeUrlText("%ED%A0%80"), "%ED%A0%80");
  EXPECT_EQ(reported::DecodeUrlText("%41%2B+"), "%41%2B+");
}

// The table's twenty passes, one after the other, as the decoding is defined,
// then the pass of escaped UTF-8 characters: escapes read as bytes, their
// code point worked out and kept where it is in range and not over-long.
std::string DecodeByPasses(std::string text) {
  static const char* const kTable[][2] = {
      {"%25", "%"}, {"%E2%80%93", "-"}, {"%C2%B7", "-"}, {"%20", " "}, {"%22", "\""},
      {"%23", "#"}, {"%24", "$"},       {"%26", "&"},    {"%27", "'"}, {"%2C", ","},
      {"%2F", "/"}, {"%3A", ":"},       {"%3B", ";"},    {"%3C", "<"}, {"%3E", ">"},
      {"%3F", "?"}, {"%44", ","},       {"%5B", "["},    {"%5D", "]"}, {"%0A", "\n"}};
  for (const auto& [from, to] : kTable) text = ReplaceAll(text, from, to);
  const auto byteAt = [&text](size_t at) -> int {
    if (at + 3 > text.size() || text[at] != '%') return -1;
    const std::string hex = text.substr(at + 1, 2);
    if (hex.find_first_not_of("0123456789ABCDEF") != std::string::npos) return -1;
    return std::stoi(hex, nullptr, 16);
  };
  std::string result;
  for (size_t at = 0; at < text.size();) {
    const int lead = byteAt(at);
    const int length = lead >= 0xF8   ? 0
                       : lead >= 0xF0 ? 4
                       : lead >= 0xE0 ? 3
                       : lead >= 0xC0 ? 2
                                      : 0;
    long code = length == 0 ? -1 : lead & (0x7F >> length);
    for (int i = 1; i < length && code >= 0; ++i) {
      const int next = byteAt(at + 3 * static_cast<size_t>(i));
      code = next >= 0x80 && next <= 0xBF ? code * 64 + (next & 0x3F) : -1;
    }
    const long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code >= least[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
      for (int i = 0; i < length; ++i) result += static_cast<char>(byteAt(at + 3 * i));
      at += 3 * static_cast<size_t>(length);
    } else {
      result += text[at++];
    }
  }
  return result;
}

TEST(TextHelpersURLDecode, EqualsThePassesInTableOrderOnDenseEscapes) {
  // Texts made of the escapes' own characters, so that escapes abut, overlap
  // and form anew after "%25": every one decodes as the passes do.
  const std::string pieces[] = {"%",   "2",   "5",   "0",   "E",   "8",   "9", "3",   "C",
                                "B",   "7",   "A",   "4",   "D",   "F",   "x", "%25", "%E2%80",
                                "%C2", "%C3", "%F0", "%9F", "%ED", "%A9", "%8"};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(reported::DecodeUrlText(text), DecodeByPasses(text)) << text;
    // Only a text the decoding changes is decoded.
    ASSERT_EQ(HoldsUrlEscape(text), DecodeByPasses(text) != text) << text;
  }
  // Placeholders and lone hexadecimal pairs are no escapes.
  EXPECT_FALSE(HoldsUrlEscape("(P%PRTY%, %DAYS% nights) #%ID% %C3 %41"));
  EXPECT_TRUE(HoldsUrlEscape("%DAYS%20"));
}

TEST(TextHelpersBetween, Markers) {
  EXPECT_EQ(reported::TextBetween("\"NextID\":17,", "\"NextID\":", ","), "17");
  EXPECT_EQ(reported::TextBetween("abc", "x", "c"), "");
  EXPECT_EQ(reported::TextBetween("abc", "", "c"), "ab");
  EXPECT_EQ(reported::TextBetween("abc", "a", "z"), "bc");
  EXPECT_EQ(reported::TextBetween("abc", "a", ""), "bc");
  // The end marker is searched only after the start marker.
  EXPECT_EQ(reported::TextBetween("c-a-b-c-d", "a", "c"), "-b-");
}

TEST(TextHelpersExtractFileName, EitherSeparator) {
  EXPECT_EQ(reported::FileNameOf("varno.json"), "varno.json");
  EXPECT_EQ(reported::FileNameOf("C:\\web\\lists/varno.json"), "varno.json");
  EXPECT_EQ(reported::FileNameOf("a/b\\c"), "c");
  EXPECT_EQ(reported::FileNameOf("C:varno.json"), "C:varno.json");
  EXPECT_EQ(reported::FileNameOf("dir\\"), "");
  EXPECT_EQ(reported::FileNameOf("dir/"), "");
}

TEST(TextHelpersZeroPad, PadsInFrontOfEverything) {
  EXPECT_EQ(ZeroPadded(7, 4), "0007");
  EXPECT_EQ(ZeroPadded(12345, 4), "12345");
  EXPECT_EQ(ZeroPadded(1234, 4), "1234");
  EXPECT_EQ(ZeroPadded(-5, 4), "00-5");
  EXPECT_EQ(ZeroPadded(0, 0), "0");
  EXPECT_EQ(ZeroPadded(3, -2), "3");
}

TEST(TextHelpersBooleanTStr, PicksByFlag) {
  EXPECT_EQ(reported::BooleanText(true, "True", "False"), "True");
  EXPECT_EQ(reported::BooleanText(false, "True", "False"), "False");
}

TEST(TextHelpersReplace, AllAndFirst) {
  EXPECT_EQ(ReplaceAll("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(ReplaceFirst("a.b.c", ".", "::"), "a::b.c");
  // Replaced text is not scanned again.
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceFirst("abc", "z", "x"), "abc");
}

TEST(TextHelpersReplace, NoCase) {
  EXPECT_EQ(ReplaceAllNoCase("%dow% %Dow% %DOW%", "%DOW%", "FRI"), "FRI FRI FRI");
  EXPECT_EQ(ReplaceFirstNoCase("x%Id%y%ID%", "%id%", "7"), "x7y%ID%");
  EXPECT_EQ(FindNoCase("Hello World", "WORLD"), 6u);
  EXPECT_EQ(FindNoCase("Hello", "hellos"), std::string::npos);
  EXPECT_EQ(FindNoCase("abc", ""), 0u);
}

TEST(TextHelpersCase, AsciiOnly) {
  EXPECT_EQ(UpperCase("sat\xe9z1"), "SAT\xe9Z1");
  EXPECT_EQ(LowerCase("SAT\xc9Z@["), "sat\xc9z@[");
  EXPECT_TRUE(SameTextNoCase("ToDo", "tOdO"));
  EXPECT_FALSE(SameTextNoCase("ToDo", "ToDos"));
  EXPECT_FALSE(SameTextNoCase("\xe9", "\xc9"));
}

TEST(TextHelpersTrim, BlanksAndControlsAtBothEnds) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01\x1f "), "x y");
  EXPECT_EQ(Trim("\xa0x\xa0"), "\xa0x\xa0");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim(""), "");
}

TEST(TextHelpersSubstring, ContainsStartsEnds) {
  EXPECT_TRUE(Contains("\"ID\": 5", "ID"));
  EXPECT_FALSE(Contains("\"ID\": 5", "id"));
  EXPECT_TRUE(StartsWith("varno.json", "varno"));
  EXPECT_FALSE(StartsWith("va", "varno"));
  EXPECT_TRUE(EndsWith("varno.json", ".json"));
  EXPECT_FALSE(EndsWith("varno.json", ".JSON"));
}
