// The CSV export and the "today" CSV export of the active items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tasklist/item.h"

struct CsvTexts {
  std::string fullText;   // the full export
  std::string todayText;  // the items marked for today
  int32_t row = 0;
  int32_t todayRow = 0;
};

// Starts both texts with their header lines and both row numbers at 0; the
// texts keep their room.
void StartCsvTexts(CsvTexts& csv);
// Adds the rows of one active item (written ID as the pass gives it): a row of
// the full export, and a row of the today export when its DoToday is `today`.
// An inactive item adds nothing.
void AddCsvRows(CsvTexts& csv, const Item& item, int32_t writtenId, const std::string& today);
// `value` between double quotes, each double quote inside it doubled.
std::string QuotedCsvField(std::string_view value);
