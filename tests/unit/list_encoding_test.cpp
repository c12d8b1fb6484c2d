// Text encodings of list files: values in UTF-8 are read as they are; a value
// that is not UTF-8 (a list written in the Windows ANSI code page) is read as
// Windows-1252, each value on its own.
#include <gtest/gtest.h>

#include "support/failures.h"
#include "support/utf8_text.h"
#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;

namespace {

const DateTime kNow = At(2025, 10, 3, 13, 53);

std::string ListText(const std::string& headTitle, const std::vector<std::string>& items) {
  std::string text =
      "{\r\n  \"RSSOutput\":\"listrss.xml\",\r\n  \"SortBy\":\"Title\",\r\n"
      "  \"Link\":\"http://x/caf\xE9\",\r\n  \"ItemLink\":\"http://x/$ID$/\xE9t\xE9\",\r\n"
      "  \"HeadTitle\":\"" +
      headTitle + "\",\r\n  \"NextID\":9,\r\n  \"items\":[\r\n";
  for (size_t i = 0; i < items.size(); ++i) {
    text += "  {\r\n" + items[i] + "\r\n  }" + (i + 1 < items.size() ? ",\r\n" : "]\r\n");
  }
  return text + "}";
}

std::string ItemLines(int id, const std::string& title, const std::string& description,
                      const std::string& notes) {
  return "    \"ID\":" + std::to_string(id) + ",\r\n    \"Title\":\"" + title +
         "\",\r\n    \"Description\":\"" + description + "\",\r\n    \"Notes\":\"" + notes + "\"";
}

class ListEncoding : public InFreshFolder {
 protected:
  void Load(const std::string& text) {
    loaded = text;  // the items refer to it
    LoadListText(loaded, {files.list, false, clock}, list, log);
  }
  std::string loaded;
  const Item& ItemAt(size_t slot) { return list.items.at(slot); }
};

}  // namespace

TEST_F(ListEncoding, Windows1252ListIsReadAsUTF8) {
  Load(ListText("Cuisine \x96 recettes", {ItemLines(1, "Cr\xE8me br\xFBl\xE9\x65",
                                                    "Four \xE0 150\xB0", "\x93notes\x94 \x80")}));
  EXPECT_EQ(list.headTitle, "Cuisine – recettes");
  EXPECT_EQ(list.link, "http://x/café");
  EXPECT_EQ(list.itemLinkLine, "  \"ItemLink\":\"http://x/$ID$/été\",");
  EXPECT_EQ(ItemAt(0).title, "Crème brûlée");
  EXPECT_EQ(ItemAt(0).displayTitle, "Crème brûlée");
  EXPECT_EQ(ItemAt(0).description, "Four à 150°");
  EXPECT_EQ(ItemAt(0).notes, "“notes” €");
}

TEST_F(ListEncoding, MixedListKeepsEachValueRight) {
  // UTF-8 and Windows-1252 values side by side, also within one item.
  Load(ListText("Caf\xC3\xA9", {ItemLines(1, "Caf\xC3\xA9 cr\xC3\xA8me", "Caf\xE9", "\xE2\x9C\x93"),
                                ItemLines(2, "Caf\xE9", "\xF0\x9F\x98\x80", "na\xEFve")}));
  EXPECT_EQ(list.headTitle, "Café");
  EXPECT_EQ(ItemAt(0).title, "Café crème");
  EXPECT_EQ(ItemAt(0).description, "Café");
  EXPECT_EQ(ItemAt(0).notes, "✓");
  EXPECT_EQ(ItemAt(1).title, "Café");
  EXPECT_EQ(ItemAt(1).description, "😀");
  EXPECT_EQ(ItemAt(1).notes, "naïve");
}

TEST_F(ListEncoding, EscapedCharactersOfEarlierRunsAreWrittenBackAsCharacters) {
  // Lists written before escapes of UTF-8 characters were decoded hold them.
  Load(ListText("H",
                {ItemLines(1, "Caf%C3%A9 %E2%9C%93", "Cr%C3%A8me %22br%C3%BBl%C3%A9e%22", "")}));
  EXPECT_EQ(ItemAt(0).description, "Crème \"brûlée\"");
  std::string written;
  AppendListEntry(written, ItemAt(0), {1, 1, 2, "Café ✓"}, true);
  EXPECT_NE(written.find("\"Title\":\"Café ✓\""), std::string::npos) << written;
  EXPECT_NE(written.find("\"Description\":\"Crème %22brûlée%22\""), std::string::npos) << written;
}

TEST_F(ListEncoding, EveryValueReadFromACutListIsUTF8) {
  // Cut anywhere, also inside a character, every value read is valid UTF-8.
  const std::string text = ListText("\xE6\x97\xA5\xE6\x9C\xAC",
                                    {ItemLines(1, "Caf\xC3\xA9", "\xF0\x9F\x98\x80,x", "\xE9,"),
                                     ItemLines(2, "\xE2\x9C\x93", "d\xC3\xA9,", "\xC3\xA9")});
  for (size_t length = 0; length <= text.size(); ++length) {
    list = ItemList{};
    try {
      Load(text.substr(0, length));
    } catch (const ConvertError&) {
      continue;  // a cut inside the "NextID" line
    }
    for (const std::string* value :
         {&list.headTitle, &list.link, &list.itemLinkLine, &list.sortBy, &list.feedName}) {
      ASSERT_TRUE(IsUtf8(*value)) << length << ": " << *value;
    }
    for (const Item& item : list.items) {
      for (const ItemText* value :
           {&item.title, &item.displayTitle, &item.description, &item.notes}) {
        ASSERT_TRUE(IsUtf8(*value)) << length << ": " << value->View();
      }
    }
  }
}
