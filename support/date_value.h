// The date-time value: days since 30 December 1899 00:00 local time, the
// fraction being the time of day. 0 stands for no date where a caller says so.
#pragma once

#include <optional>
#include <string>
#include <string_view>

using DateTime = double;

// Day numbers of 1 January 0001 and 31 December 9999, the range a value holds.
inline constexpr long long kFirstDayNumber = -693'593;
inline constexpr long long kLastDayNumber = 2'958'465;

struct DateParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The calendar date as a date-time value at midnight; false for an invalid date.
bool TryEncodeDate(int year, int month, int day, DateTime& value);
// The time of day as a fraction; false for an invalid time.
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& value);
// Date and time together; throws ConvertError when either part is
// invalid.
DateTime EncodeDateTime(const DateParts& parts);
// Rounds to the nearest millisecond. This and the routines below that take a
// value throw std::out_of_range for one outside the years 1 to 9999.
DateParts DecodeDateTime(DateTime value);
// The whole-day part (the date at midnight).
DateTime DateOf(DateTime value);
// 1 for Sunday to 7 for Saturday.
int DayOfWeek(DateTime value);
// Adds whole months, keeping the day or taking the last day of a shorter month.
DateTime IncMonth(DateTime value, int months);

// The current local date and time; 0 when the platform gives no valid time.
DateTime Now();
// The current moment as local time (0 as Now() gives it) and, from the same
// reading of the clock, as universal time (nullopt when not a valid time).
struct NowReading {
  DateTime local = 0;
  std::optional<DateTime> universal;
};
NowReading ReadNow();

// Formats by pattern: yyyy yy mmm mm dd d ddd hh nn ss zzz (letters in either
// case); "/" and ":" print the date and time separators; all else is copied.
std::string FormatDateTime(std::string_view pattern, DateTime value);

// The short date and, unless it is exactly midnight, the long time; "" for 0.
std::string ShortDateTimeText(DateTime value);
// "ddd, d mmm yyyy hh:nn:ss " and the zone offset as +hhmm/-hhmm (not converted).
std::string Rfc822DateText(int zoneOffset, DateTime value);
// The same moment in universal time, by the zone's rules at that moment;
// throws std::runtime_error when the platform cannot convert it.
DateTime UniversalTimeOf(DateTime localDateTime);
// True when the text, cut before its first ".", reads as a short date
// (d/m/yyyy, one or two digits for day and month, nothing more).
bool IsDate(std::string_view text);
// The short date before the first blank, or 0 when there is none; throws
// ConvertError, as any other text that should be a date, when that part
// reads as a date only up to a ".".
DateTime ShortDateOf(std::string_view text);
// Reads "dd/mm/yyyy hh:nn" (day first, 24-hour, the date as reported::ShortDateOf reads
// it, one blank, hour and minute of one or two digits, nothing else); false
// when it is not one, a date without a time included.
bool TryParseDateTime(std::string_view text, DateTime& value);
