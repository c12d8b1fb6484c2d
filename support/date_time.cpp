#include "support/date_time.h"

#include "support/guarded.h"

std::string reported::ShortDateTimeText(DateTime value) {
  return Guarded("loam32.StringOfString", 0, {}, [value] { return ::ShortDateTimeText(value); });
}

std::string reported::Rfc822DateText(int zoneOffset, DateTime value) {
  return Guarded("loam32.DateTimeToRFC822", 0, {},
                 [=] { return ::Rfc822DateText(zoneOffset, value); });
}

DateTime reported::UniversalTimeOf(DateTime localDateTime) {
  return Guarded("loam32.LocalTimeToGMT", 0, 0,
                 [localDateTime] { return ::UniversalTimeOf(localDateTime); });
}

DateTime reported::ShortDateOf(std::string_view text) {
  return Guarded("Loam32.StrToDate", 0, 0, [text] { return ::ShortDateOf(text); });
}
