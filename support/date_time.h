// Date routines that report a failure and go on with a neutral value (an
// empty text, or 0 for no date); the date-time value and its plain
// conversions come with this header.
#pragma once

#include <string>
#include <string_view>

#include "support/date_value.h"

// ShortDateTimeText, reported as "loam32.StringOfString".
std::string StringOfString(TDateTime value);
// Rfc822DateText, reported as "loam32.DateTimeToRFC822".
std::string DateTimeToRFC822(int zoneOffset, TDateTime value);
// UniversalTimeOf, reported as "loam32.LocalTimeToGMT".
TDateTime LocalTimeToGMT(TDateTime localDateTime);
// ShortDateOf, reported as "Loam32.StrToDate".
TDateTime StrToDate(std::string_view text);
