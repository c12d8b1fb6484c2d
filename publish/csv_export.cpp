#include "publish/csv_export.h"

#include "support/text_helpers.h"
#include "support/whole_number.h"

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kHeader =
    "\"#\",\"ID\",\"Active\",\"DisplayTitle\",\"Description\",\"Status\",\"ETC\",\"Notes\","
    "\"Priority\",\"Flags\",\"Order\",\"Days\"\r\n";
// The today export's rows leave its last column, Flags, empty.
constexpr const char* kTodayHeader = "\"#\",\"ID\",\"DisplayTitle\",\"Description\",\"Flags\"\r\n";

std::string QuotedNumber(int32_t number) {
  return QuotedCsvField(std::to_string(number));
}

}  // namespace

std::string QuotedCsvField(std::string_view value) {
  return "\"" + ReplaceAll(value, "\"", "\"\"") + "\"";
}

void StartCsvTexts(tCsvTexts& csv) {
  csv = tCsvTexts{};
  csv.Text = kHeader;
  csv.TodayText = kTodayHeader;
}

void AddCsvRows(tCsvTexts& csv, const tVarno& item, int32_t writtenID, const std::string& sToday) {
  if (!item.Active) return;
  const std::string description = URLDecodeText(item.Description);

  ++csv.Row;
  csv.Text += QuotedNumber(csv.Row) + "," + QuotedNumber(writtenID) + ",\"true\"," +
              QuotedCsvField(item.DisplayTitle) + "," + QuotedCsvField(description) + "," +
              QuotedCsvField(item.Status) + "," + QuotedCsvField(item.ETC) + "," +
              QuotedCsvField(item.Notes) + "," + QuotedNumber(item.Priority) + "," +
              QuotedCsvField(item.Flags) + "," + std::to_string(StrToIntDef(item.Order, 0)) + "," +
              std::to_string(item.Days) + kLineEnd;

  if (item.DoToday.empty() || item.DoToday != sToday) return;
  ++csv.TodayRow;
  csv.TodayText += QuotedNumber(csv.TodayRow) + "," + QuotedNumber(writtenID) + "," +
                   QuotedCsvField(item.DisplayTitle) + "," + QuotedCsvField(description) + "," +
                   kLineEnd;
}
