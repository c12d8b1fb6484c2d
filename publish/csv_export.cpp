#include "publish/csv_export.h"

#include <charconv>

#include "support/text_helpers.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kHeader =
    "\"#\",\"ID\",\"Active\",\"DisplayTitle\",\"Description\",\"Status\",\"ETC\",\"Notes\","
    "\"Priority\",\"Flags\",\"Order\",\"Days\"\r\n";
// The today export's rows leave its last column, Flags, empty.
constexpr const char* kTodayHeader = "\"#\",\"ID\",\"DisplayTitle\",\"Description\",\"Flags\"\r\n";

void AppendNumber(std::string& out, long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// QuotedCsvField of `value`, appended, and a comma.
void AppendField(std::string& out, std::string_view value) {
  out.push_back('"');
  for (size_t quote = value.find('"'); quote != std::string_view::npos; quote = value.find('"')) {
    out.append(value.substr(0, quote + 1)).push_back('"');
    value.remove_prefix(quote + 1);
  }
  out.append(value).append("\",");
}

void AppendNumberField(std::string& out, long long value) {
  out.push_back('"');
  AppendNumber(out, value);
  out.append("\",");
}

}  // namespace

std::string QuotedCsvField(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 3);
  AppendField(out, value);
  out.pop_back();
  return out;
}

void StartCsvTexts(tCsvTexts& csv) {
  csv = tCsvTexts{};
  csv.Text = kHeader;
  csv.TodayText = kTodayHeader;
}

void AddCsvRows(tCsvTexts& csv, const tVarno& item, int32_t writtenID, const std::string& sToday) {
  if (!item.Active) return;
  // Most descriptions hold no escape and are their own decoding.
  std::string decoded;
  std::string_view description = item.Description;
  if (MayHoldURLEscape(description)) {
    decoded = URLDecodeText(description);
    description = decoded;
  }

  ++csv.Row;
  std::string& row = csv.Text;
  AppendNumberField(row, csv.Row);
  AppendNumberField(row, writtenID);
  row.append("\"true\",");
  AppendField(row, item.DisplayTitle);
  AppendField(row, description);
  AppendField(row, item.Status);
  AppendField(row, item.ETC);
  AppendField(row, item.Notes);
  AppendNumberField(row, item.Priority);
  AppendField(row, item.Flags);
  AppendNumber(row, StrToIntDef(item.Order, 0));
  row.push_back(',');
  AppendNumber(row, item.Days);
  row.append(kLineEnd);

  if (item.DoToday.empty() || item.DoToday != sToday) return;
  ++csv.TodayRow;
  std::string& today = csv.TodayText;
  AppendNumberField(today, csv.TodayRow);
  AppendNumberField(today, writtenID);
  AppendField(today, item.DisplayTitle);
  AppendField(today, description);
  today.append(kLineEnd);
}
