#include "support/run_clock.h"

RunClock ClockAt(DateTime now) {
  return {now, FormatDateTime("yyyymmdd", now), std::nullopt};
}

RunClock ReadRunClock() {
  const NowReading reading = ReadNow();
  RunClock clock = ClockAt(reading.local);
  clock.universalNow = reading.universal;
  return clock;
}

DateTime UniversalNowOf(const RunClock& clock) {
  return clock.universalNow ? *clock.universalNow : reported::UniversalTimeOf(clock.now);
}
