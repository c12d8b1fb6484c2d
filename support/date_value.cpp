#include "support/date_value.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "support/failures.h"
#include "support/text_tools.h"

namespace {

using std::chrono::days;
using std::chrono::month_day_last;
using std::chrono::sys_days;
using std::chrono::year_month_day;
using std::chrono::year_month_day_last;

constexpr long long kMsPerDay = 86'400'000;
constexpr sys_days kDayZero{std::chrono::year{1899} / 12 / 30};

// This build has no locale: these are the fixed short date and long time
// formats, separators and English name tables.
constexpr std::string_view kShortDateFormat = "dd/mm/yyyy";
constexpr std::string_view kLongTimeFormat = "hh:nn:ss";
constexpr char kDateSeparator = '/';
constexpr char kTimeSeparator = ':';
constexpr std::array<std::string_view, 7> kShortDayNames = {"Sun", "Mon", "Tue", "Wed",
                                                            "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kShortMonthNames = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A value split into its day number and the milliseconds of that day.
struct DayAndTime {
  long long day;
  long long ms;
};

// Rounds half away from zero as std::llround does, for magnitudes below 2^52
// (a date-time value's milliseconds), where the fraction is exact. Done here
// so that the program loads no maths library at start-up.
long long RoundToWhole(double value) {
  const auto whole = static_cast<long long>(value);
  const double fraction = value - static_cast<double>(whole);
  return whole + (fraction >= 0.5 ? 1 : 0) - (fraction <= -0.5 ? 1 : 0);
}

// Rounds to the nearest millisecond first, so a value built from a time
// decodes back to exactly that time. A negative value counts days back from
// day zero while its fraction is still a time forward within that day.
DayAndTime Split(DateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > kLastDayNumber + 1) {
    throw std::out_of_range("date-time value out of range");
  }
  const long long total = RoundToWhole(value * kMsPerDay);
  const DayAndTime parts{total / kMsPerDay, std::llabs(total % kMsPerDay)};
  if (parts.day < kFirstDayNumber || parts.day > kLastDayNumber) {
    throw std::out_of_range("date-time value out of range");
  }
  return parts;
}

// One division of the exact millisecond count gives the closest double.
DateTime Join(long long day, long long ms) {
  return static_cast<double>(day * kMsPerDay + (day < 0 ? -ms : ms)) / kMsPerDay;
}

year_month_day CivilDate(long long day) {
  return year_month_day{kDayZero + days{day}};
}

// Reads a run of decimal digits at `pos`; false unless its length is one of
// `lengths` (a run that is too long is refused, not cut).
bool ReadDigits(std::string_view text, size_t& pos, std::initializer_list<size_t> lengths,
                int& value) {
  size_t end = pos;
  int number = 0;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
    if (end - pos < 4) number = number * 10 + (text[end] - '0');
    ++end;
  }
  for (size_t length : lengths) {
    if (end - pos == length) {
      value = number;
      pos = end;
      return true;
    }
  }
  return false;
}

bool ReadChar(std::string_view text, size_t& pos, char expected) {
  if (pos >= text.size() || text[pos] != expected) return false;
  ++pos;
  return true;
}

// Reads the short date d/m/yyyy at `pos`: one or two digits for day and month.
// A two-digit year means 20yy, as a reader without a century window does in
// this century.
bool ReadShortDate(std::string_view text, size_t& pos, DateTime& date) {
  int day = 0, month = 0, year = 0;
  if (!ReadDigits(text, pos, {1, 2}, day) || !ReadChar(text, pos, kDateSeparator) ||
      !ReadDigits(text, pos, {1, 2}, month) || !ReadChar(text, pos, kDateSeparator)) {
    return false;
  }
  const size_t yearStart = pos;
  if (!ReadDigits(text, pos, {2, 4}, year)) return false;
  if (pos - yearStart == 2) year += 2000;
  return TryEncodeDate(year, month, day, date);
}

bool IsShortDate(std::string_view text, DateTime& date) {
  size_t pos = 0;
  return ReadShortDate(text, pos, date) && pos == text.size();
}

long long MsOfDay(int hour, int minute, int second, int millisecond) {
  return ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
}

bool TryEncodeParts(const DateParts& p, DateTime& value) {
  DateTime date = 0, time = 0;
  if (!TryEncodeDate(p.year, p.month, p.day, date) ||
      !TryEncodeTime(p.hour, p.minute, p.second, p.millisecond, time)) {
    return false;
  }
  value = Join(static_cast<long long>(date), MsOfDay(p.hour, p.minute, p.second, p.millisecond));
  return true;
}

bool TryEncodeCivil(const platform::CivilTime& t, DateTime& value) {
  return TryEncodeParts({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}, value);
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, DateTime& value) {
  value = 0;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  const year_month_day date{std::chrono::year{year}, std::chrono::month(month),
                            std::chrono::day(day)};
  if (!date.ok()) return false;
  value = static_cast<double>((sys_days{date} - kDayZero).count());
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& value) {
  value = 0;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  value = static_cast<double>(MsOfDay(hour, minute, second, millisecond)) / kMsPerDay;
  return true;
}

DateTime EncodeDateTime(const DateParts& parts) {
  DateTime value = 0;
  if (!TryEncodeParts(parts, value)) throw ConvertError("invalid date or time");
  return value;
}

DateParts DecodeDateTime(DateTime value) {
  const DayAndTime split = Split(value);
  const year_month_day date = CivilDate(split.day);
  DateParts parts;
  parts.year = static_cast<int>(date.year());
  parts.month = static_cast<int>(static_cast<unsigned>(date.month()));
  parts.day = static_cast<int>(static_cast<unsigned>(date.day()));
  parts.hour = static_cast<int>(split.ms / 3'600'000);
  parts.minute = static_cast<int>(split.ms / 60'000 % 60);
  parts.second = static_cast<int>(split.ms / 1000 % 60);
  parts.millisecond = static_cast<int>(split.ms % 1000);
  return parts;
}

DateTime DateOf(DateTime value) {
  return static_cast<double>(Split(value).day);
}

int DayOfWeek(DateTime value) {
  return static_cast<int>(std::chrono::weekday{kDayZero + days{Split(value).day}}.c_encoding()) + 1;
}

DateTime IncMonth(DateTime value, int months) {
  const DayAndTime split = Split(value);
  const year_month_day date = CivilDate(split.day);
  const long long monthIndex =
      static_cast<int>(date.year()) * 12LL + static_cast<unsigned>(date.month()) - 1 + months;
  if (monthIndex < 12 || monthIndex >= 10000 * 12) {
    throw std::out_of_range("month step leaves the date range");
  }
  const std::chrono::year year{static_cast<int>(monthIndex / 12)};
  const std::chrono::month month{static_cast<unsigned>(monthIndex % 12) + 1};
  const std::chrono::day lastDay = year_month_day_last{year, month_day_last{month}}.day();
  const year_month_day moved{year, month, std::min(date.day(), lastDay)};
  return Join((sys_days{moved} - kDayZero).count(), split.ms);
}

DateTime Now() {
  return ReadNow().local;
}

NowReading ReadNow() {
  const platform::ClockReading reading = platform::ReadClock();
  NowReading now;
  if (!TryEncodeCivil(reading.local, now.local)) now.local = 0;
  if (DateTime universal = 0; TryEncodeCivil(reading.universal, universal)) {
    now.universal = universal;
  }
  return now;
}

namespace {

// The fields a date pattern may name.
enum Field {
  kYear4,
  kYear2,
  kMonthName,
  kMonth2,
  kDayName,
  kDay2,
  kDay,
  kHour2,
  kMinute2,
  kSecond2,
  kMs3
};
// Each field's token; longest first among tokens that share a letter.
constexpr std::pair<std::string_view, Field> kTokens[] = {
    {"yyyy", kYear4},  {"yy", kYear2},   {"mmm", kMonthName}, {"mm", kMonth2},
    {"ddd", kDayName}, {"dd", kDay2},    {"d", kDay},         {"hh", kHour2},
    {"nn", kMinute2},  {"ss", kSecond2}, {"zzz", kMs3}};

// Appends one field of the pattern for the date parts `p` on `weekday`.
void AppendField(std::string& out, Field field, const DateParts& p, int weekday) {
  switch (field) {
    case kYear4:
      AppendZeroPadded(out, p.year, 4);
      break;
    case kYear2:
      AppendZeroPadded(out, p.year % 100, 2);
      break;
    case kMonthName:
      out += kShortMonthNames[p.month - 1];
      break;
    case kMonth2:
      AppendZeroPadded(out, p.month, 2);
      break;
    case kDayName:
      out += kShortDayNames[weekday - 1];
      break;
    case kDay2:
      AppendZeroPadded(out, p.day, 2);
      break;
    case kDay:
      AppendZeroPadded(out, p.day, 1);
      break;
    case kHour2:
      AppendZeroPadded(out, p.hour, 2);
      break;
    case kMinute2:
      AppendZeroPadded(out, p.minute, 2);
      break;
    case kSecond2:
      AppendZeroPadded(out, p.second, 2);
      break;
    case kMs3:
      AppendZeroPadded(out, p.millisecond, 3);
      break;
  }
}

}  // namespace

std::string FormatDateTime(std::string_view pattern, DateTime value) {
  const DateParts p = DecodeDateTime(value);
  const int weekday = DayOfWeek(value);
  std::string out;
  size_t pos = 0;
  while (pos < pattern.size()) {
    const auto token = std::find_if(std::begin(kTokens), std::end(kTokens), [&](const auto& t) {
      return SameTextNoCase(pattern.substr(pos, t.first.size()), t.first);
    });
    if (token == std::end(kTokens)) {
      const char c = pattern[pos++];
      out += c == '/' ? kDateSeparator : c == ':' ? kTimeSeparator : c;
      continue;
    }
    pos += token->first.size();
    AppendField(out, token->second, p, weekday);
  }
  return out;
}

std::string ShortDateTimeText(DateTime value) {
  if (value == 0) return {};
  const DateParts p = DecodeDateTime(value);
  std::string text = FormatDateTime(kShortDateFormat, value);
  // Milliseconds alone do not count as a time of day here.
  if (p.hour != 0 || p.minute != 0 || p.second != 0) {
    text += ' ';
    text += FormatDateTime(kLongTimeFormat, value);
  }
  return text;
}

std::string Rfc822DateText(int zoneOffset, DateTime value) {
  // The offset is hours and minutes written together (-530 is -0530).
  std::string text = FormatDateTime("ddd, d mmm yyyy hh:nn:ss ", value);
  text.push_back(zoneOffset < 0 ? '-' : '+');
  AppendZeroPadded(text, std::llabs(static_cast<long long>(zoneOffset)), 4);
  return text;
}

DateTime UniversalTimeOf(DateTime localDateTime) {
  const DateParts p = DecodeDateTime(localDateTime);
  platform::CivilTime universal;
  DateTime value = 0;
  if (!platform::LocalToUniversal(
          {p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}, universal) ||
      !TryEncodeCivil(universal, value)) {
    throw std::runtime_error("local time cannot be converted to universal time");
  }
  return value;
}

bool IsDate(std::string_view text) {
  DateTime date = 0;
  return IsShortDate(text.substr(0, text.find('.')), date);
}

DateTime ShortDateOf(std::string_view text) {
  const std::string_view datePart = text.substr(0, text.find(' '));
  if (datePart.empty() || !IsDate(datePart)) return 0;
  // IsDate looked only before the first "."; the whole part must read here.
  DateTime date = 0;
  if (!IsShortDate(datePart, date)) {
    throw ConvertError("'" + std::string(datePart) + "' is not a valid date");
  }
  return date;
}

bool TryParseDateTime(std::string_view text, DateTime& value) {
  value = 0;
  size_t pos = 0;
  DateTime date = 0, time = 0;
  int hour = 0, minute = 0;
  if (!ReadShortDate(text, pos, date) || !ReadChar(text, pos, ' ') ||
      !ReadDigits(text, pos, {1, 2}, hour) || !ReadChar(text, pos, kTimeSeparator) ||
      !ReadDigits(text, pos, {1, 2}, minute) || pos != text.size() ||
      !TryEncodeTime(hour, minute, 0, 0, time)) {
    return false;
  }
  value = Join(static_cast<long long>(date), MsOfDay(hour, minute, 0, 0));
  return true;
}
