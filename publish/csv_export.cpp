#include "publish/csv_export.h"

#include "support/plain_runs.h"
#include "support/room_writer.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"

namespace {

constexpr const char* kHeader =
    "\"#\",\"ID\",\"Active\",\"DisplayTitle\",\"Description\",\"Status\",\"ETC\",\"Notes\","
    "\"Priority\",\"Flags\",\"Order\",\"Days\"\r\n";
// The today export's rows leave its last column, Flags, empty.
constexpr const char* kTodayHeader = "\"#\",\"ID\",\"DisplayTitle\",\"Description\",\"Flags\"\r\n";

// A field between double quotes, each quote inside it doubled, and a comma.
void PutField(RoomWriter& w, std::string_view value) {
  // Everything but a quote is copied a run at a time.
  constexpr PlainByteSet kPlain = {0x00, 0xFF, {'"', '"', '"', '"'}};
  w.PutChar('"');
  ForEachPlainRun(
      value, kPlain, [&w](std::string_view run) { w.Put(run); },
      [&w](size_t at) {
        w.Put("\"\"");
        return at + 1;
      });
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

void StartCsvTexts(CsvTexts& csv) {
  csv.fullText = kHeader;
  csv.todayText = kTodayHeader;
  csv.row = 0;
  csv.todayRow = 0;
}

void AddCsvRows(CsvTexts& csv, const Item& item, int32_t writtenId, const std::string& today) {
  if (!item.active) return;
  // Most descriptions hold no escape and are their own decoding.
  std::string decoded;
  const std::string_view description = DecodeURLEscapes(item.description, decoded);

  ++csv.row;
  // Each value character takes at most two bytes, a doubled quote.
  const size_t values = item.displayTitle.size() + description.size() + item.status.size() +
                        item.etc.size() + item.notes.size() + item.flags.size();
  RoomWriter row(csv.fullText, kRowFixedSize + 2 * values);
  PutNumberField(row, csv.row);
  PutNumberField(row, writtenId);
  row.Put("\"true\",");
  PutField(row, item.displayTitle);
  PutField(row, description);
  PutField(row, item.status);
  PutField(row, item.etc);
  PutField(row, item.notes);
  PutNumberField(row, item.priority);
  PutField(row, item.flags);
  row.PutNumber(ParseIntOr(item.order, 0));
  row.PutChar(',');
  row.PutNumber(item.days);
  row.Put(kCrLf);
  row.Finish();

  if (item.doToday.empty() || item.doToday != today) return;
  ++csv.todayRow;
  RoomWriter todayLine(csv.todayText,
                       kRowFixedSize + 2 * (item.displayTitle.size() + description.size()));
  PutNumberField(todayLine, csv.todayRow);
  PutNumberField(todayLine, writtenId);
  PutField(todayLine, item.displayTitle);
  PutField(todayLine, description);
  todayLine.Put(kCrLf);
  todayLine.Finish();
}
