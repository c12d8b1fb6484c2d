#include "publish/csv_export.h"

#include "support/room_writer.h"
#include "support/text_helpers.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr const char* kHeader =
    "\"#\",\"ID\",\"Active\",\"DisplayTitle\",\"Description\",\"Status\",\"ETC\",\"Notes\","
    "\"Priority\",\"Flags\",\"Order\",\"Days\"\r\n";
// The today export's rows leave its last column, Flags, empty.
constexpr const char* kTodayHeader = "\"#\",\"ID\",\"DisplayTitle\",\"Description\",\"Flags\"\r\n";

// A field between double quotes, each quote inside it doubled, and a comma.
void PutField(RoomWriter& w, std::string_view value) {
  // A pointer of its own, which the bytes written cannot be taken to change.
  char* next = w.Next();
  *next++ = '"';
  for (const char c : value) {
    *next++ = c;
    if (c == '"') *next++ = '"';
  }
  w.Next() = next;
  w.Put("\",");
}

void PutNumberField(RoomWriter& w, long long value) {
  w.PutChar('"');
  w.PutNumber(value);
  w.Put("\",");
}

// More than a row takes besides its values: quotes, commas, "true", five
// numbers and the line end.
constexpr size_t kRowFixedSize = 160;

}  // namespace

std::string QuotedCsvField(std::string_view value) {
  std::string out;
  RoomWriter w(out, 3 + 2 * value.size());
  PutField(w, value);
  w.Finish();
  out.pop_back();
  return out;
}

void StartCsvTexts(tCsvTexts& csv) {
  csv.Text = kHeader;
  csv.TodayText = kTodayHeader;
  csv.Row = 0;
  csv.TodayRow = 0;
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
  // Each value character takes at most two bytes, a doubled quote.
  const size_t values = item.DisplayTitle.size() + description.size() + item.Status.size() +
                        item.ETC.size() + item.Notes.size() + item.Flags.size();
  RoomWriter row(csv.Text, kRowFixedSize + 2 * values);
  PutNumberField(row, csv.Row);
  PutNumberField(row, writtenID);
  row.Put("\"true\",");
  PutField(row, item.DisplayTitle);
  PutField(row, description);
  PutField(row, item.Status);
  PutField(row, item.ETC);
  PutField(row, item.Notes);
  PutNumberField(row, item.Priority);
  PutField(row, item.Flags);
  row.PutNumber(StrToIntDef(item.Order, 0));
  row.PutChar(',');
  row.PutNumber(item.Days);
  row.Put(kLineEnd);
  row.Finish();

  if (item.DoToday.empty() || item.DoToday != sToday) return;
  ++csv.TodayRow;
  RoomWriter today(csv.TodayText,
                   kRowFixedSize + 2 * (item.DisplayTitle.size() + description.size()));
  PutNumberField(today, csv.TodayRow);
  PutNumberField(today, writtenID);
  PutField(today, item.DisplayTitle);
  PutField(today, description);
  today.Put(kLineEnd);
  today.Finish();
}
