#include "tasklist/title_placeholders.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <numeric>
#include <stdexcept>

#include "support/date_value.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/utf8_text.h"
#include "tasklist/list_format.h"

namespace {

constexpr std::array<const char*, 7> kDayNames = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};

// The largest month step IncMonth can take inside the years 1 to 9999.
constexpr long long kMaxMonthStep = 12LL * 9999;

// A decimal whole number (leading blanks, optional sign, digits only, 32 bits);
// 0 for anything else.
int32_t DecimalOrZero(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= text.size()) return 0;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return 0;
  }
  value = negative ? -value : value;
  return value > INT32_MAX ? 0 : static_cast<int32_t>(value);
}

// Reads the repeat unit and count: a letter counts only when its first
// occurrence is the repeat's last character.
void ReadRepeat(std::string_view repeat, TitleDate& facts) {
  for (const char unit : {'W', 'M', 'Y'}) {
    const size_t at = repeat.find(unit);
    if (at != std::string_view::npos && at + 1 == repeat.size()) {
      facts.repeatUnit = unit;
      std::string rest(repeat.substr(0, at));
      facts.repeatCount = DecimalOrZero(rest);
      return;
    }
  }
  facts.repeatUnit = '?';
  facts.repeatCount = 1;
}

long long MonthIndex(DateTime value) {
  const DateParts p = DecodeDateTime(value);
  return p.year * 12LL + p.month - 1;
}

// Moves `due` forward by steps of `months` months, each step from the previous
// result, to the first step on or after `today`. Once the day of the month
// can no longer be cut short by a month end, k steps equal one move of k
// times the step, so the walk jumps instead of stepping.
void RollForwardByMonths(DateTime& due, long long months, DateTime today) {
  if (months > kMaxMonthStep) throw std::out_of_range("month step leaves the date range");
  const int step = static_cast<int>(months);
  // The months a step visits repeat every `cycle` steps; without February
  // among them the day is final after one cycle.
  const long long startMonth = MonthIndex(due) % 12;
  const long long cycle = 12 / std::gcd(months, 12LL);
  bool cycleHasFebruary = false;
  for (long long i = 1; i <= cycle; ++i) cycleHasFebruary |= (startMonth + i * months) % 12 == 1;

  for (long long stepsTaken = 0; today > due; ++stepsTaken) {
    const bool dayIsFinal =
        DecodeDateTime(due).day <= 28 || (!cycleHasFebruary && stepsTaken >= cycle);
    if (!dayIsFinal) {
      due = IncMonth(due, step);
      continue;
    }
    const long long monthsBehind = MonthIndex(today) - MonthIndex(due);
    long long k = std::max(1LL, monthsBehind / months);
    while (IncMonth(due, static_cast<int>(k * months)) < today) ++k;
    while (k > 1 && IncMonth(due, static_cast<int>((k - 1) * months)) >= today) --k;
    due = IncMonth(due, static_cast<int>(k * months));
    return;
  }
}

// Step 6 of GetTitleDate: a repeat whose count is 0 or negative leaves the
// due date where it is.
void RollForward(TitleDate& facts, DateTime today) {
  if (facts.repeatCount <= 0 || !(today > facts.dueDate)) return;
  switch (facts.repeatUnit) {
    case 'W': {
      const long long stepDays = 7LL * facts.repeatCount;
      const long long behind = static_cast<long long>(today - DateOf(facts.dueDate));
      const long long moved = (behind + stepDays - 1) / stepDays * stepDays;
      if (facts.dueDate + static_cast<double>(moved) > kLastDayNumber) {
        throw std::out_of_range("week step leaves the date range");
      }
      facts.dueDate += static_cast<double>(moved);
      break;
    }
    case 'M':
      RollForwardByMonths(facts.dueDate, facts.repeatCount, today);
      break;
    case 'Y':
      RollForwardByMonths(facts.dueDate, 12LL * facts.repeatCount, today);
      break;
    default:  // '?': one day at a time, so it ends on today
      facts.dueDate += static_cast<double>(static_cast<long long>(today - DateOf(facts.dueDate)));
      break;
  }
}

// The due date as "YYYY-MM-DD" in place of the first ten characters of
// `title`: written digit by digit where they are there to be written over.
void PutIsoDate(std::string& title, DateTime value) {
  const DateParts p = DecodeDateTime(value);
  const size_t tenChars = Utf8PrefixBytes(title, 10);
  if (tenChars == 10 && p.year >= 0 && p.year <= 9999) {
    const auto put = [&title](size_t at, int number, size_t digits) {
      for (size_t i = digits; i > 0; --i, number /= 10) {
        title[at + i - 1] = static_cast<char>('0' + number % 10);
      }
    };
    put(0, p.year, 4);
    title[4] = '-';
    put(5, p.month, 2);
    title[7] = '-';
    put(8, p.day, 2);
    return;
  }
  std::string date;
  AppendZeroPadded(date, p.year, 4);
  date.push_back('-');
  AppendZeroPadded(date, p.month, 2);
  date.push_back('-');
  AppendZeroPadded(date, p.day, 2);
  title.replace(0, std::min(tenChars, title.size()), date);
}

// Whether a title with a date prefix has digits wherever the prefix's year,
// month and day stand: then its first ten characters are its first ten bytes.
bool HasDigitsInDatePrefix(std::string_view title) {
  return IsDigit(title[0]) && IsDigit(title[1]) && IsDigit(title[2]) && IsDigit(title[3]) &&
         IsDigit(title[5]) && IsDigit(title[6]) && title.size() >= 10 && IsDigit(title[8]) &&
         IsDigit(title[9]);
}

// The date of a title's prefix read day first as a short date: all digits is
// the usual case and reads directly; anything else goes the long way.
DateTime PrefixDate(std::string_view title) {
  if (HasDigitsInDatePrefix(title)) {
    const auto number = [title](size_t at, size_t count) {
      int value = 0;
      for (size_t i = at; i < at + count; ++i) value = value * 10 + (title[i] - '0');
      return value;
    };
    DateTime date = 0;
    return TryEncodeDate(number(0, 4), number(5, 2), number(8, 2), date) ? date : 0;
  }
  std::string dayFirst;
  dayFirst.append(Utf8Chars(title, 8, 2)).append("/").append(Utf8Chars(title, 5, 2)).append("/");
  dayFirst.append(Utf8Chars(title, 0, 4));
  return reported::ShortDateOf(dayFirst);
}

// The placeholders in the order they are replaced: a later one that an
// earlier replacement puts in, or joins from the text around it, is replaced
// too.
constexpr std::array<std::string_view, 6> kPlaceholders = {"%DOW%",  "%DTG%", "%ID%",
                                                           "%PRTY%", "%RPT%", "%DAYS%"};

// Whether `placeholder` (which starts with "%") stands at `at` of `text`,
// letters matched without regard to case.
bool PlaceholderAt(std::string_view text, size_t at, std::string_view placeholder) {
  if (text.size() - at < placeholder.size()) return false;
  for (size_t i = 0; i < placeholder.size(); ++i) {
    if (LowerAscii(text[at + i]) != LowerAscii(placeholder[i])) return false;
  }
  return true;
}

// Which of kPlaceholders `text` holds, bit i for row i, found in one walk
// over its "%"s; the letter after each picks the rows to compare.
unsigned PlaceholdersIn(std::string_view text) {
  unsigned found = 0;
  for (size_t at = text.find('%'); at != std::string_view::npos && at + 1 < text.size();
       at = text.find('%', at + 1)) {
    const auto note = [&](size_t row) {
      if (PlaceholderAt(text, at, kPlaceholders[row])) found |= 1u << row;
    };
    switch (LowerAscii(text[at + 1])) {
      case 'd':
        note(0);
        note(1);
        note(5);
        break;
      case 'i':
        note(2);
        break;
      case 'p':
        note(3);
        break;
      case 'r':
        note(4);
        break;
      default:
        break;
    }
  }
  return found;
}

// Replaces every occurrence of `placeholder`, left to right without
// rescanning what was put in: ReplaceAllNoCase, but looking only where a "%"
// stands, and in place. The value `valueOf()` gives is worked out only when
// the placeholder occurs. Replacing stops before the text grows past `limit`
// bytes; the placeholders left stay as typed. Whether the text changed.
template <typename ValueOf>
bool ReplacePlaceholder(std::string& text, std::string_view placeholder, size_t limit,
                        ValueOf valueOf) {
  size_t at = text.find('%');
  while (at != std::string::npos && !PlaceholderAt(text, at, placeholder)) {
    at = text.find('%', at + 1);
  }
  if (at == std::string::npos) return false;
  const std::string value = valueOf();
  bool changed = false;
  while (at != std::string::npos) {
    if (PlaceholderAt(text, at, placeholder)) {
      if (text.size() - placeholder.size() + value.size() > limit) return changed;
      text.replace(at, placeholder.size(), value);
      changed = true;
      at = text.find('%', at + value.size());
    } else {
      at = text.find('%', at + 1);
    }
  }
  return changed;
}

}  // namespace

bool HasDatePrefix(std::string_view title) {
  // The usual title starts with eight ASCII bytes, the ninth (if any) no
  // continuation of the eighth: then its fifth and eighth characters are its
  // fifth and eighth bytes.
  if (title.size() >= 8) {
    uint64_t lead;
    std::memcpy(&lead, title.data(), sizeof lead);
    if ((lead & 0x8080808080808080ull) == 0 &&
        (title.size() == 8 || (static_cast<unsigned char>(title[8]) & 0xC0) != 0x80)) {
      return title[4] == '-' && title[7] == '-';
    }
  }
  return Utf8Chars(title, 4, 1) == "-" && Utf8Chars(title, 7, 1) == "-";
}

bool IsPlainTitle(std::string_view title) {
  return !HasDatePrefix(title) && title.find('%') == std::string_view::npos;
}

TitleDate GetTitleDate(std::string_view title, std::string_view repeat, DateTime now) {
  TitleDate facts;
  facts.dueDate = now;
  try {
    if (!HasDatePrefix(title)) return facts;
    facts.dueDate = PrefixDate(title);
    const DateTime prefixDate = facts.dueDate;
    const DateTime today = DateOf(now);
    if (!repeat.empty()) {
      ReadRepeat(repeat, facts);
      RollForward(facts, today);
    }
    facts.dayOfWeek = kDayNames[DayOfWeek(facts.dueDate) - 1];
    facts.daysToGo = static_cast<int32_t>(DateOf(facts.dueDate) - today);
    // A valid date read from digits is written back with the same digits.
    facts.prefixIsDueDate =
        prefixDate != 0 && facts.dueDate == prefixDate && HasDigitsInDatePrefix(title);
  } catch (const std::exception&) {
    // The facts stay as far as they were worked out.
  }
  return facts;
}

void ExpandTitleInto(std::string& result, const Item& item, DateTime now) {
  result.assign(item.title);
  try {
    const TitleDate facts = GetTitleDate(item.title, item.repeat, now);
    if (Utf8PrefixBytes(result, 11) != std::string::npos && HasDatePrefix(result)) {
      std::string decoded;
      if (DecodeURLEscapes(result, decoded).data() == decoded.data()) result.swap(decoded);
      // Decoding leaves the prefix as it is: it holds no "%".
      if (!facts.prefixIsDueDate) PutIsoDate(result, facts.dueDate);
    }
    // Placeholders all start with "%": most titles have none.
    if (result.find('%') == std::string::npos) return;
    // A title of many "%RPT%" over a long Repeat would grow without bound,
    // and be written into every file of every run.
    const size_t limit = result.size() + kPlaceholderGrowthLimit;
    // A placeholder the title does not hold is looked for only once a
    // replacement has changed the text, and may have put it in.
    const unsigned held = PlaceholdersIn(result);
    bool changed = false;
    const auto replace = [&](size_t row, auto valueOf) {
      if (changed || (held & (1u << row)) != 0) {
        changed |= ReplacePlaceholder(result, kPlaceholders[row], limit, valueOf);
      }
    };
    replace(0, [&] { return facts.dayOfWeek; });
    replace(1, [&] { return std::to_string(facts.daysToGo); });
    replace(2, [&] { return std::to_string(item.id); });
    replace(3, [&] { return std::to_string(item.priority); });
    replace(4, [&] { return item.repeat.empty() ? std::string("-") : std::string(item.repeat); });
    replace(5, [&] { return std::to_string(item.days); });
  } catch (const std::exception&) {
    // The result is the text as far as it was built.
  }
}

std::string ExpandTitle(const Item& item, DateTime now) {
  std::string result;
  ExpandTitleInto(result, item, now);
  return result;
}
