// The CSV export and the "today" CSV export of the active items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tasklist/varno_item.h"

struct tCsvTexts {
  std::string Text;       // the full export
  std::string TodayText;  // the items marked for today
  int32_t Row = 0;
  int32_t TodayRow = 0;
};

// Starts both texts with their header lines and both row numbers at 0; the
// texts keep their room.
void StartCsvTexts(tCsvTexts& csv);
// Adds the rows of one active item (written ID as the pass gives it): a row of
// the full export, and a row of the today export when its DoToday is `sToday`.
// An inactive item adds nothing.
void AddCsvRows(tCsvTexts& csv, const tVarno& item, int32_t writtenID, const std::string& sToday);
// `value` between double quotes, each double quote inside it doubled.
std::string QuotedCsvField(std::string_view value);
