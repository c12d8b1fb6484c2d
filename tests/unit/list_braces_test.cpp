// Braces inside string values: written as JSON escapes so that the loader,
// which finds items by the braces on a line, never splits or drops an item.
#include <gtest/gtest.h>

#include <random>

#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;

namespace {

const DateTime kNow = At(2025, 10, 3, 13, 53);

std::string Held(std::string_view value) {
  std::string out;
  AppendListString(out, value);
  return out;
}

std::string HeldText(std::string_view value) {
  std::string out;
  AppendListEncodedText(out, value);
  return out;
}

}  // namespace

TEST(ListBraces, AreWrittenAsJsonEscapes) {
  EXPECT_EQ(Held("a {b} c"), "a \\u007bb\\u007d c");
  EXPECT_EQ(HeldText("{\"a\"}"), "\\u007b%22a%22\\u007d");
}

TEST(ListBraces, EscapesAreReadBackInEitherCase) {
  EXPECT_EQ(ReadListString("\\u007b\\u007d\\u007B\\u007D"), "{}{}");
}

TEST(ListBraces, JsonEscapesOfOtherToolsAreReadAsTheirCharacters) {
  EXPECT_EQ(ReadListString("\\u007e\\u0041 caf\\u00E9 \\ud83d\\ude00 http:\\/\\/x"),
            "~A café 😀 http://x");
  // A lone half of a pair.
  EXPECT_EQ(ReadListString("\\ud83d \\ude00x"), "\uFFFD \uFFFDx");
}

TEST(ListBraces, OtherBackslashTextsStayAsTheyAre) {
  // Older lists hold paths unescaped: C:\temp\new is not a tab and a line break.
  for (const char* text : {"\\u007", "\\u12G4", "x\\", "C:\\temp\\new\\u", "\\\""}) {
    EXPECT_EQ(ReadListString(text), text);
  }
}

TEST(ListBraces, TypedBackslashUTextIsNotTakenForABrace) {
  const std::string typed = "\\u007b and \\\\u007d";
  EXPECT_EQ(Held(typed), "\\\\u007b and \\\\\\\\u007d");
  EXPECT_EQ(ReadListString(Held(typed)), typed);
}

TEST(ListBraces, AnyValueRoundTripsThroughALineOfItsOwnMember) {
  std::mt19937 random(11);
  const std::string alphabet = "ab\\\\u007bdD:,{ }%2x";
  for (int n = 0; n < 5000; ++n) {
    std::string value;
    for (int i = random() % 14; i > 0; --i) value += alphabet[random() % alphabet.size()];
    const std::string line = "    \"Notes\":\"" + Held(value) + "\",";
    ASSERT_EQ(FactsOfLines(line).at(0).member, ListMember::kNotes) << line;
    ASSERT_EQ(ReadListString(ValueOfLine(line)), value) << line;
  }
}

class ListBracesLoading : public InFreshFolder {};

TEST_F(ListBracesLoading, ItemWhoseValuesHoldBracesLoadsWhole) {
  Item item;
  item.id = 4;
  item.active = true;
  item.title = "if (x) { y(); }";
  item.description = "}{";
  item.notes = "{\"ID\":9}";
  item.status = "}";
  std::string text;
  AppendListHeader(text, list, kNow, 8010);
  AppendListEntry(text, item, {4, 1, 2, "{"}, true);
  CloseListText(text);

  LoadListText(text, {files.list, false, clock}, list, log);
  ASSERT_EQ(list.recordsFromFile, 1);
  const Item& loaded = list.items[0];
  EXPECT_EQ(loaded.id, 4);
  EXPECT_EQ(loaded.title, item.title);
  EXPECT_EQ(loaded.description, item.description);
  EXPECT_EQ(loaded.notes, "{ID:9}");  // a quote is left out of plain values
  EXPECT_EQ(loaded.status, "}");
}
