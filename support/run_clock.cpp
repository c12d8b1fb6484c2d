#include "support/run_clock.h"

RunClock ClockAt(DateTime now) {
  return {now, FormatDateTime("yyyymmdd", now)};
}
