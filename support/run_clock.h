// The run's one reading of the clock, taken at start-up and passed to every
// stage, so that a run straddling midnight still sees one day.
#pragma once

#include <optional>
#include <string>

#include "support/date_time.h"

struct RunClock {
  DateTime now = 0;
  std::string today;  // `now` as "yyyymmdd"
  // `now` as universal time, read from the clock with it; nullopt for a
  // clock set to a local time, or a reading beyond the dates held.
  std::optional<DateTime> universalNow;
};

// The clock set to the local time `now`.
RunClock ClockAt(DateTime now);
// The clock's present moment.
RunClock ReadRunClock();
// The run's moment as universal time: as read, or else worked out from the
// local time by the zone's rules (reported as "loam32.LocalTimeToGMT").
DateTime UniversalNowOf(const RunClock& clock);
