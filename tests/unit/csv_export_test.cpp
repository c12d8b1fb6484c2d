#include "publish/csv_export.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader =
    "\"#\",\"ID\",\"Active\",\"DisplayTitle\",\"Description\",\"Status\",\"ETC\",\"Notes\","
    "\"Priority\",\"Flags\",\"Order\",\"Days\"\r\n";
const std::string kTodayHeader = "\"#\",\"ID\",\"DisplayTitle\",\"Description\",\"Flags\"\r\n";
const std::string kToday = "20251003";

tVarno Item(const std::string& title, bool active = true, const std::string& doToday = "") {
  tVarno item;
  item.ID = 9;
  item.Active = active;
  item.Order = "00012";
  item.DisplayTitle = title;
  item.DoToday = doToday;
  return item;
}

}  // namespace

TEST(CsvExport, EmptyExportsHoldTheHeadersOnly) {
  tCsvTexts csv;
  csv.Text = "left over";
  csv.Row = 4;
  StartCsvTexts(csv);
  EXPECT_EQ(csv.Text, kHeader);
  EXPECT_EQ(csv.TodayText, kTodayHeader);
  EXPECT_EQ(csv.Row, 0);
  EXPECT_EQ(csv.TodayRow, 0);
}

TEST(CsvExport, RowsHoldEveryColumnInOrder) {
  tVarno item = Item("2025-10-03 Dentist FRI", true, kToday);
  item.Description = "Bring%20card";
  item.Status = "open";
  item.ETC = "1h";
  item.Notes = "n";
  item.Priority = 2;
  item.Flags = "1on1";
  item.Order = "00040";
  item.Days = 3;
  tCsvTexts csv;
  StartCsvTexts(csv);
  AddCsvRows(csv, item, 17, kToday);
  EXPECT_EQ(csv.Text, kHeader +
                          "\"1\",\"17\",\"true\",\"2025-10-03 Dentist FRI\",\"Bring card\","
                          "\"open\",\"1h\",\"n\",\"2\",\"1on1\",40,3\r\n");
  EXPECT_EQ(csv.TodayText,
            kTodayHeader + "\"1\",\"17\",\"2025-10-03 Dentist FRI\",\"Bring card\",\r\n");
}

TEST(CsvExport, OrderIsWrittenAsAPlainNumber) {
  for (const auto& [order, written] :
       {std::pair{"-00003", "-3"}, {"00000", "0"}, {"01000", "1000"}}) {
    tVarno item = Item("x");
    item.Order = order;
    tCsvTexts csv;
    StartCsvTexts(csv);
    AddCsvRows(csv, item, 1, kToday);
    EXPECT_EQ(csv.Text, kHeader + "\"1\",\"1\",\"true\",\"x\",\"\",\"\",\"\",\"\",\"0\",\"\"," +
                            written + ",0\r\n");
  }
}

TEST(CsvExport, RowsAreNumberedOverActiveItemsAndTodayRowsSeparately) {
  tCsvTexts csv;
  StartCsvTexts(csv);
  AddCsvRows(csv, Item("X", true, kToday), 1, kToday);
  AddCsvRows(csv, Item("gone", false, kToday), 2, kToday);
  AddCsvRows(csv, Item("Y", true, "20251002"), 3, kToday);
  AddCsvRows(csv, Item("Z", true, kToday), 4, kToday);
  EXPECT_EQ(csv.Row, 3);
  EXPECT_EQ(csv.TodayRow, 2);
  EXPECT_EQ(csv.Text, kHeader +
                          "\"1\",\"1\",\"true\",\"X\",\"\",\"\",\"\",\"\",\"0\",\"\",12,0\r\n"
                          "\"2\",\"3\",\"true\",\"Y\",\"\",\"\",\"\",\"\",\"0\",\"\",12,0\r\n"
                          "\"3\",\"4\",\"true\",\"Z\",\"\",\"\",\"\",\"\",\"0\",\"\",12,0\r\n");
  EXPECT_EQ(csv.TodayText, kTodayHeader +
                               "\"1\",\"1\",\"X\",\"\",\r\n"
                               "\"2\",\"4\",\"Z\",\"\",\r\n");
}

TEST(CsvExport, QuotesInsideFieldsAreDoubled) {
  EXPECT_EQ(QuotedCsvField(""), "\"\"");
  EXPECT_EQ(QuotedCsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(QuotedCsvField("\""), "\"\"\"\"");
  // Commas and line breaks are safe inside the quotes and stay as they are.
  EXPECT_EQ(QuotedCsvField("a,b\r\nc"), "\"a,b\r\nc\"");

  tVarno item = Item("The \"big\" one", true, kToday);
  item.Description = "%22quoted%22, with%0Abreak";
  item.Notes = "\"";
  tCsvTexts csv;
  StartCsvTexts(csv);
  AddCsvRows(csv, item, 5, kToday);
  EXPECT_EQ(csv.Text, kHeader +
                          "\"1\",\"5\",\"true\",\"The \"\"big\"\" one\",\"\"\"quoted\"\", "
                          "with\nbreak\",\"\",\"\",\"\"\"\",\"0\",\"\",12,0\r\n");
  EXPECT_EQ(csv.TodayText, kTodayHeader +
                               "\"1\",\"5\",\"The \"\"big\"\" one\",\"\"\"quoted\"\", "
                               "with\nbreak\",\r\n");
}
