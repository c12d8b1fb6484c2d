#include "support/text_helpers.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

TEST(TextHelpersURLDecode, DecodesTheTableOnly) {
  EXPECT_EQ(URLDecodeText("Buy%20milk%2C%20eggs"), "Buy milk, eggs");
  EXPECT_EQ(URLDecodeText("x%0Ay"), "x\ny");
  EXPECT_EQ(URLDecodeText("%44"), ",");
  EXPECT_EQ(URLDecodeText("10%E2%80%93"), "10-");
  EXPECT_EQ(URLDecodeText("a%C2%B7b"), "a-b");
  EXPECT_EQ(URLDecodeText("%22%23%24%26%27%2F%3A%3B%3C%3E%3F%5B%5D"), "\"#$&'/:;<>?[]");
  EXPECT_EQ(URLDecodeText(""), "");
}

TEST(TextHelpersURLDecode, LeavesOtherEscapesAlone) {
  EXPECT_EQ(URLDecodeText("a+b%2bc"), "a+b%2bc");
  EXPECT_EQ(URLDecodeText("%41%3D%2B%40%2c%0a"), "%41%3D%2B%40%2c%0a");
}

TEST(TextHelpersURLDecode, EscapedPercentDecodesTwice) {
  EXPECT_EQ(URLDecodeText("%2520"), " ");
  EXPECT_EQ(URLDecodeText("%252C"), ",");
  EXPECT_EQ(URLDecodeText("%2541"), "%41");
  // Each step scans once, so a decoded "%25" is not decoded again by step 1.
  EXPECT_EQ(URLDecodeText("%252541"), "%2541");
}

// The table's twenty passes, one after the other, as the decoding is defined.
std::string DecodeByPasses(std::string text) {
  static const char* const kTable[][2] = {
      {"%25", "%"}, {"%E2%80%93", "-"}, {"%C2%B7", "-"}, {"%20", " "}, {"%22", "\""},
      {"%23", "#"}, {"%24", "$"},       {"%26", "&"},    {"%27", "'"}, {"%2C", ","},
      {"%2F", "/"}, {"%3A", ":"},       {"%3B", ";"},    {"%3C", "<"}, {"%3E", ">"},
      {"%3F", "?"}, {"%44", ","},       {"%5B", "["},    {"%5D", "]"}, {"%0A", "\n"}};
  for (const auto& [from, to] : kTable) text = ReplaceAll(text, from, to);
  return text;
}

TEST(TextHelpersURLDecode, EqualsThePassesInTableOrderOnDenseEscapes) {
  // Texts made of the escapes' own characters, so that escapes abut, overlap
  // and form anew after "%25": every one decodes as the passes do.
  const std::string pieces[] = {"%", "2", "5", "0", "E", "8", "9",   "3",      "C",  "B",
                                "7", "A", "4", "D", "F", "x", "%25", "%E2%80", "%C2"};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(URLDecodeText(text), DecodeByPasses(text)) << text;
  }
}

TEST(TextHelpersBetween, Markers) {
  EXPECT_EQ(Between("\"NextID\":17,", "\"NextID\":", ","), "17");
  EXPECT_EQ(Between("abc", "x", "c"), "");
  EXPECT_EQ(Between("abc", "", "c"), "ab");
  EXPECT_EQ(Between("abc", "a", "z"), "bc");
  EXPECT_EQ(Between("abc", "a", ""), "bc");
  // The end marker is searched only after the start marker.
  EXPECT_EQ(Between("c-a-b-c-d", "a", "c"), "-b-");
}

TEST(TextHelpersExtractFileName, EitherSeparator) {
  EXPECT_EQ(ExtractFileName("varno.json"), "varno.json");
  EXPECT_EQ(ExtractFileName("C:\\web\\lists/varno.json"), "varno.json");
  EXPECT_EQ(ExtractFileName("a/b\\c"), "c");
  EXPECT_EQ(ExtractFileName("C:varno.json"), "C:varno.json");
  EXPECT_EQ(ExtractFileName("dir\\"), "");
  EXPECT_EQ(ExtractFileName("dir/"), "");
}

TEST(TextHelpersZeroPad, PadsInFrontOfEverything) {
  EXPECT_EQ(ZeroPad(7, 4), "0007");
  EXPECT_EQ(ZeroPad(12345, 4), "12345");
  EXPECT_EQ(ZeroPad(1234, 4), "1234");
  EXPECT_EQ(ZeroPad(-5, 4), "00-5");
  EXPECT_EQ(ZeroPad(0, 0), "0");
  EXPECT_EQ(ZeroPad(3, -2), "3");
}

TEST(TextHelpersBooleanTStr, PicksByFlag) {
  EXPECT_EQ(BooleanTStr(true, "True", "False"), "True");
  EXPECT_EQ(BooleanTStr(false, "True", "False"), "False");
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
