// The run's one reading of the clock, taken at start-up and passed to every
// stage, so that a run straddling midnight still sees one day.
#pragma once

#include <string>

#include "support/date_time.h"

struct RunClock {
  DateTime now = 0;
  std::string today;  // `now` as "yyyymmdd"
};

// The clock reading for `now`.
RunClock ClockAt(DateTime now);
