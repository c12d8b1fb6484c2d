// The display title: an item's Title with its date prefix rolled forward and
// its placeholders (%DOW%, %DTG%, %ID%, %PRTY%, %RPT%, %DAYS%) replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/date_time.h"
#include "tasklist/item.h"

// How many bytes the placeholders may add to a title: the rest stay as typed.
inline constexpr size_t kPlaceholderGrowthLimit = 4096;

// The date facts of a title, as GetTitleDate works them out.
struct TitleDate {
  char repeatUnit = '\0';   // 'W', 'M', 'Y', '?' or '\0' when the repeat was not read
  int32_t repeatCount = 0;  // units per step
  DateTime dueDate = 0;     // the (rolled-forward) due date
  std::string dayOfWeek;    // "SUN" to "SAT", empty without a date prefix
  int32_t daysToGo = 0;     // whole days from today to the due date
  // The title's first ten characters already are the due date as "YYYY-MM-DD".
  bool prefixIsDueDate = false;
};

// True when the title's 5th and 8th characters are both "-".
bool HasDatePrefix(std::string_view title);
// True when the title has neither a date prefix nor a "%": then it is its own
// display title, whatever the item's other fields.
bool IsPlainTitle(std::string_view title);
// The date facts of `title` with repeat code `repeat`, seen at `now` (the
// current local date and time). Never fails: a failing step leaves the facts
// as far as they were worked out.
TitleDate GetTitleDate(std::string_view title, std::string_view repeat, DateTime now);
// The display title of `item` seen at `now`. Never fails.
std::string ExpandTitle(const Item& item, DateTime now);
// The same into `result`, which keeps its capacity.
void ExpandTitleInto(std::string& result, const Item& item, DateTime now);
