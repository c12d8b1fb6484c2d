#include "publish/csv_export.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader =
    "\"#\",\"ID\",\"Active\",\"DisplayTitle\",\"Description\",\"Status\",\"ETC\",\"Notes\","
    "\"Priority\",\"Flags\",\"Order\",\"Days\"\r\n";
const std::string kTodayHeader = "\"#\",\"ID\",\"DisplayTitle\",\"Description\",\"Flags\"\r\n";
const std::string kToday = "20251003";

Item MakeItem(const std::string& title, bool active = true, const std::string& doToday = "") {
  Item item;
  item.id = 9;
  item.active = active;
  item.order = "00012";
  item.displayTitle = title;
  item.doToday = doToday;
  return item;
}

}  // namespace

TEST(CsvExport, EmptyExportsHoldTheHeadersOnly) {
  CsvTexts csv;
  csv.fullText = "left over";
  csv.row = 4;
  StartCsvTexts(csv);
  EXPECT_EQ(csv.fullText, kHeader);
  EXPECT_EQ(csv.todayText, kTodayHeader);
  EXPECT_EQ(csv.row, 0);
  EXPECT_EQ(csv.todayRow, 0);
}

TEST(CsvExport, RowsHoldEveryColumnInOrder) {
  Item item = MakeItem("2025-10-03 Dentist FRI", true, kToday);
  item.description = "Bring%20card";
  item.status = "open";
  item.etc = "1h";
  item.notes = "n";
  item.priority = 2;
  item.flags = "1on1";
  item.order = "00040";
  item.days = 3;
  CsvTexts csv;
  StartCsvTexts(csv);
  AddCsvRows(csv, item, 17, kToday);
  EXPECT_EQ(csv.fullText, kHeader +
                              "\"1\",\"17\",\"true\",\"2025-10-03 Dentist FRI\",\"Bring card\","
                              "\"open\",\"1h\",\"n\",\"2\",\"1on1\",40,3\r\n");
  EXPECT_EQ(csv.todayText,
            kTodayHeader + "\"1\",\"17\",\"2025-10-03 Dentist FRI\",\"Bring card\",\r\n");
}

TEST(CsvExport, OrderIsWrittenAsAPlainNumber) {
  for (const auto& [order, written] :
       {std::pair{"-00003", "-3"}, {"00000", "0"}, {"01000", "1000"}}) {
    Item item = MakeItem("x");
    item.order = order;
    CsvTexts csv;
    StartCsvTexts(csv);
    AddCsvRows(csv, item, 1, kToday);
    EXPECT_EQ(csv.fullText, kHeader + "\"1\",\"1\",\"true\",\"x\",\"\",\"\",\"\",\"\",\"0\",\"\"," +
                                written + ",0\r\n");
  }
}

TEST(CsvExport, RowsAreNumberedOverActiveItemsAndTodayRowsSeparately) {
  CsvTexts csv;
  StartCsvTexts(csv);
  AddCsvRows(csv, MakeItem("X", true, kToday), 1, kToday);
  AddCsvRows(csv, MakeItem("gone", false, kToday), 2, kToday);
  AddCsvRows(csv, MakeItem("Y", true, "20251002"), 3, kToday);
  AddCsvRows(csv, MakeItem("Z", true, kToday), 4, kToday);
  EXPECT_EQ(csv.row, 3);
  EXPECT_EQ(csv.todayRow, 2);
  EXPECT_EQ(csv.fullText, kHeader +
                              "\"1\",\"1\",\"true\",\"X\",\"\",\"\",\"\",\"\",\"0\",\"\",12,0\r\n"
                              "\"2\",\"3\",\"true\",\"Y\",\"\",\"\",\"\",\"\",\"0\",\"\",12,0\r\n"
                              "\"3\",\"4\",\"true\",\"Z\",\"\",\"\",\"\",\"\",\"0\",\"\",12,0\r\n");
  EXPECT_EQ(csv.todayText, kTodayHeader +
                               "\"1\",\"1\",\"X\",\"\",\r\n"
                               "\"2\",\"4\",\"Z\",\"\",\r\n");
}

TEST(CsvExport, QuotesInsideFieldsAreDoubled) {
  EXPECT_EQ(QuotedCsvField(""), "\"\"");
  EXPECT_EQ(QuotedCsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(QuotedCsvField("\""), "\"\"\"\"");
  // Commas and line breaks are safe inside the quotes and stay as they are.
  EXPECT_EQ(QuotedCsvField("a,b\r\nc"), "\"a,b\r\nc\"");

  Item item = MakeItem("The \"big\" one", true, kToday);
  item.description = "%22quoted%22, with%0Abreak";
  item.notes = "\"";
  CsvTexts csv;
  StartCsvTexts(csv);
  AddCsvRows(csv, item, 5, kToday);
  EXPECT_EQ(csv.fullText, kHeader +
                              "\"1\",\"5\",\"true\",\"The \"\"big\"\" one\",\"\"\"quoted\"\", "
                              "with\nbreak\",\"\",\"\",\"\"\"\",\"0\",\"\",12,0\r\n");
  EXPECT_EQ(csv.todayText, kTodayHeader +
                               "\"1\",\"5\",\"The \"\"big\"\" one\",\"\"\"quoted\"\", "
                               "with\nbreak\",\r\n");
}
