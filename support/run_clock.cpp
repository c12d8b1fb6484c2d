#include "support/run_clock.h"

RunClock ClockAt(TDateTime now) {
  return {now, FormatDateTime("yyyymmdd", now)};
}
