#include "support/date_time.h"

#include "support/guarded.h"

std::string StringOfString(TDateTime value) {
  return Guarded("loam32.StringOfString", 0, {}, [value] { return ShortDateTimeText(value); });
}

std::string DateTimeToRFC822(int zoneOffset, TDateTime value) {
  return Guarded("loam32.DateTimeToRFC822", 0, {},
                 [=] { return Rfc822DateText(zoneOffset, value); });
}

TDateTime LocalTimeToGMT(TDateTime localDateTime) {
  return Guarded("loam32.LocalTimeToGMT", 0, 0,
                 [localDateTime] { return UniversalTimeOf(localDateTime); });
}

TDateTime StrToDate(std::string_view text) {
  return Guarded("Loam32.StrToDate", 0, 0, [text] { return ShortDateOf(text); });
}
