// Date routines that report a failure and go on with a neutral value (an
// empty text, or 0 for no date); the date-time value and its plain
// conversions come with this header.
#pragma once

#include <string>
#include <string_view>

#include "support/date_value.h"

namespace reported {

// ShortDateTimeText, reported as "loam32.StringOfString".
std::string ShortDateTimeText(DateTime value);
// Rfc822DateText, reported as "loam32.DateTimeToRFC822".
std::string Rfc822DateText(int zoneOffset, DateTime value);
// UniversalTimeOf, reported as "loam32.LocalTimeToGMT".
DateTime UniversalTimeOf(DateTime localDateTime);
// ShortDateOf, reported as "Loam32.StrToDate".
DateTime ShortDateOf(std::string_view text);

}  // namespace reported
