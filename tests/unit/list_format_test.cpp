#include "tasklist/list_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;

namespace {

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

TEST(ListFormatTemplate, BytesExactly) {
  EXPECT_EQ(ListTemplateText(At(2025, 10, 3, 13, 53), "homerss.xml"),
            "{\r\n"
            "  \"Created\":\"13:53:00 03/10/25 by varno.exe v2025.10.3.1353\",\r\n"
            "  \"RSSOutput\":\"homerss.xml\",\r\n"
            "  \"Trace\":\"Main():920 v2025.10.3.1353\",\r\n"
            "  \"SortBy\":\"Order\",\r\n"
            "  \"Link\":\"\",\r\n"
            "  \"ItemLink\":\"\",\r\n"
            "  \"HeadTitle\":\"Varno\",\r\n"
            "  \"NextID\":1,\r\n"
            "  \"SCount\":0,\r\n"
            "  \"items\":\r\n"
            "  [\r\n"
            "  ]\r\n"
            "}\r\n");
}

TEST(ListFormatLayout, HeaderEntryAndClosing) {
  ItemList list;
  list.feedName = "listrss.xml";
  list.sortBy = "Priority";
  list.link = "http://x/";
  list.itemLinkLine = "   \"ItemLink\":\"http://x/?id=$ID$\",  ";
  list.headTitle = "Home";
  list.maxId = 41;
  Item item;
  item.id = 5;
  item.active = true;
  item.days = 2;
  item.doToday = "20251003";
  item.flags = "f";
  item.priority = 1;
  item.isPublic = true;
  item.title = "Say %22hi%22";
  item.description = "50%25 \"off\"";
  item.status = "s";
  item.etc = "e";
  item.notes = "n";
  item.repeat = "1W";
  std::string text;
  AppendListHeader(text, list, At(2025, 10, 3, 9, 5), 8010);
  AppendListEntry(text, item, {5, 1, 2, "Say \"hi\""}, true);
  Item empty;
  empty.id = 6;
  AppendListEntry(text, empty, {6, 1, 4, ""}, false);
  CloseListText(text);
  const std::string expected =
      "{\r\n"
      "  \"Updated\":\"09:05:00 03/10/25 by varno.exe v2025.10.3.1353\",\r\n"
      "  \"RSSOutput\":\"listrss.xml\",\r\n"
      "  \"Trace\":\"Main():8010\",\r\n"
      "  \"SortBy\":\"Priority\",\r\n"
      "  \"Link\":\"http://x/\",\r\n"
      "  \"ItemLink\":\"http://x/?id=$ID$\",\r\n"
      "  \"HeadTitle\":\"Home\",\r\n"
      "  \"NextID\":42,\r\n"
      "  \"items\":[\r\n"
      "  {\r\n"
      "    \"ID\":5,\r\n"
      "    \"Count\":1,\r\n"
      "    \"Order\":\"002\",\r\n"
      "    \"Days\":2,\r\n"
      "    \"Active\":true,\r\n"
      "    \"DoToday\":\"20251003\",\r\n"
      "    \"DoTodayBoolean\":true,\r\n"
      "    \"Flags\":\"f\",\r\n"
      "    \"Priority\":1,\r\n"
      "    \"Public\":true,\r\n"
      "    \"Title\":\"Say %22hi%22\",\r\n"
      "    \"DisplayTitle\":\"Say hi\",\r\n"
      "    \"Description\":\"50% %22off%22\",\r\n"
      "    \"Status\":\"s\",\r\n"
      "    \"ETC\":\"e\",\r\n"
      "    \"Notes\":\"n\",\r\n"
      "    \"Repeat\":\"1W\"\r\n"
      "  },\r\n"
      "  {\r\n"
      "    \"ID\":6,\r\n"
      "    \"Count\":1,\r\n"
      "    \"Order\":\"004\",\r\n"
      "    \"Days\":0,\r\n"
      "    \"Active\":false,\r\n"
      "    \"DoToday\":\"\",\r\n"
      "    \"DoTodayBoolean\":false,\r\n"
      "    \"Flags\":\"\",\r\n"
      "    \"Priority\":0,\r\n"
      "    \"Public\":false,\r\n"
      "    \"Title\":\"\",\r\n"
      "    \"DisplayTitle\":\"\",\r\n"
      "    \"Description\":\"\",\r\n"
      "    \"Status\":\"\",\r\n"
      "    \"ETC\":\"\",\r\n"
      "    \"Notes\":\"\",\r\n"
      "    \"Repeat\":\"\"\r\n"
      "  }]\r\n"
      "}";
  EXPECT_EQ(text, expected);
}

TEST(ListFormatLayout, WithoutEntriesTheArrayClosesBelowTheItemsLine) {
  ItemList list;
  std::string text;
  AppendListHeader(text, list, At(2025, 10, 3), 8010);
  CloseListText(text);
  EXPECT_TRUE(
      text.ends_with("  \"HeadTitle\":\"\",\r\n  \"NextID\":1,\r\n  \"items\":[\r\n]\r\n}"));
  EXPECT_NE(text.find("\r\n  \r\n"), std::string::npos) << "no ItemLink line: two blanks";
}

TEST(ListFormatLayout, EntryOfTheLongestNumbersAndEscapesIsWhole) {
  // Every value character a brace (six bytes once held) and every number as
  // long as it can be: the entry must still come out whole, after a text
  // already there.
  const std::string braces(300, '{');
  Item item;
  item.days = INT32_MIN;
  item.priority = INT32_MIN;
  for (ItemText* value : {&item.doToday, &item.flags, &item.title, &item.description, &item.status,
                          &item.etc, &item.notes, &item.repeat}) {
    *value = braces;
  }
  std::string text = "before";
  AppendListEntry(text, item, {INT32_MIN, INT32_MIN, INT64_MIN, braces}, false);
  std::string held;
  AppendListString(held, braces);
  const std::string number = std::to_string(INT32_MIN);
  std::string expected =
      "before,\r\n  {\r\n    \"ID\":" + number + ",\r\n    \"Count\":" + number +
      ",\r\n    \"Order\":\"00" + std::to_string(INT64_MIN) + "\",\r\n    \"Days\":" + number +
      ",\r\n    \"Active\":false,\r\n    \"DoToday\":\"" + held +
      "\",\r\n    \"DoTodayBoolean\":true,\r\n    \"Flags\":\"" + held +
      "\",\r\n    \"Priority\":" + number + ",\r\n    \"Public\":false,\r\n    \"Title\":\"" + held;
  for (const char* name : {"DisplayTitle", "Description", "Status", "ETC", "Notes", "Repeat"}) {
    expected += std::string("\",\r\n    \"") + name + "\":\"" + held;
  }
  expected += "\"\r\n  }";
  EXPECT_EQ(text, expected);
}

TEST(ListFormatLayout, OrderHasAtLeastThreeDigits) {
  std::string text;
  AppendListEntry(text, Item{}, {1, 0, 1000, ""}, true);
  EXPECT_NE(text.find("\"Order\":\"1000\","), std::string::npos);
}

TEST(ListFormatValues, ControlCharactersBecomeBlanks) {
  EXPECT_EQ(Held("a\nb\rc\td\x01"
                 "e\x1f"),
            "a b c d e ");
  EXPECT_EQ(HeldText("a%0Ab"), "a b");
}

TEST(ListFormatValues, BackslashIsDoubled) {
  EXPECT_EQ(Held("c:\\dir\\"), "c:\\\\dir\\\\");
  EXPECT_EQ(HeldText("c:\\dir"), "c:\\\\dir");
}

TEST(ListFormatValues, QuotesAreLeftOutOrEncoded) {
  EXPECT_EQ(Held("say \"hi\""), "say hi");
  EXPECT_EQ(HeldText("say \"hi\" %22x%22"), "say %22hi%22 %22x%22");
}

TEST(ListFormatValues, EightBitBytesPassUnchanged) {
  EXPECT_EQ(Held("caf\xc3\xa9 \x7f"), "caf\xc3\xa9 \x7f");
}

TEST(ListFormatValues, OrderText) {
  EXPECT_EQ(OrderText(12), "00012");
  EXPECT_EQ(OrderText(0), "00000");
  EXPECT_EQ(OrderText(123456), "123456");
  EXPECT_EQ(OrderText(-3), "-00003");
  EXPECT_EQ(OrderText(INT32_MIN), "-2147483648");
  // Written over a longer text, and past 32 bits (the order a list's line
  // gives an item that has none).
  std::string text = "a longer text held before";
  AssignOrderText(text, 7);
  EXPECT_EQ(text, "00007");
  AssignOrderText(text, 4000000000LL);
  EXPECT_EQ(text, "4000000000");
}

TEST(ListFormatValues, BackslashesRoundTripThroughALine) {
  std::mt19937 random(7);
  const std::string alphabet = "ab\\\\\\:,{ }%2x";
  for (int n = 0; n < 2000; ++n) {
    std::string value;
    for (int i = random() % 12; i > 0; --i) value += alphabet[random() % alphabet.size()];
    if (value.find_first_of("{}") != std::string::npos) continue;
    const std::string line = "    \"Notes\":\"" + Held(value) + "\",";
    EXPECT_EQ(ReadListString(ValueOfLine(line)), value) << line;
  }
}

TEST(ListFormatValues, ReadListStringTakesTwoBackslashesAsOne) {
  EXPECT_EQ(ReadListString("a\\\\b"), "a\\b");
  EXPECT_EQ(ReadListString("a\\\\\\\\b"), "a\\\\b");
  EXPECT_EQ(ReadListString("a\\b\\"), "a\\b\\");
  EXPECT_EQ(ReadListString(""), "");
}
