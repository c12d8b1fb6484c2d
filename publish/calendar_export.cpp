#include "publish/calendar_export.h"

#include <algorithm>
#include <cstdint>

#include "support/date_value.h"
#include "support/deployment.h"
#include "support/plain_runs.h"
#include "support/settings.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/utf8_text.h"

namespace {

constexpr size_t kMaxLineOctets = 75;

// Characters `first` to `last` (counted from 1) of `text`, as far as it
// reaches.
std::string_view Chars(std::string_view text, size_t first, size_t last) {
  return Utf8Chars(text, first - 1, last - first + 1);
}

std::string_view RepeatRuleLine(std::string_view repeat) {
  if (repeat == "1Y") return "RRULE:FREQ=YEARLY";
  if (repeat == "1W") return "RRULE:FREQ=WEEKLY";
  if (repeat == "2W") return "RRULE:FREQ=WEEKLY;INTERVAL=2";
  return {};
}

std::string CalendarHeader(std::string_view calendarName) {
  return CalendarContentLine("BEGIN:VCALENDAR") +
         CalendarContentLine("PRODID:-//Orlix//Calendar 1.0//EN " + processSettings.version) +
         CalendarContentLine("CALSCALE:GREGORIAN") + CalendarContentLine("VERSION:2.0") +
         CalendarContentLine("X-WR-CALNAME:Orlix (" + std::string(calendarName) + ")");
}

// The `count` last decimal digits of `value` at `to`.
void PutDigits(char* to, int value, int count) {
  for (int i = count - 1; i >= 0; --i, value /= 10) to[i] = static_cast<char>('0' + value % 10);
}

// "yyyymmdd" of the date, with "T" and "hhnnss" when `withTime`. Every event
// writes one or two: the digits go into a buffer of their own and are
// appended at once. Every date of a calendar lies in the years 1 to 9999.
void AppendDate(std::string& out, const DateParts& p, bool withTime = false) {
  char text[15];
  PutDigits(text, p.year, 4);
  PutDigits(text + 4, p.month, 2);
  PutDigits(text + 6, p.day, 2);
  if (withTime) {
    text[8] = 'T';
    PutDigits(text + 9, p.hour, 2);
    PutDigits(text + 11, p.minute, 2);
    PutDigits(text + 13, p.second, 2);
  }
  out.append(text, withTime ? 15 : 8);
}
void AppendDateTime(std::string& out, const DateParts& p) {
  AppendDate(out, p, true);
}

// The all-day event's end: `days` after its start. An end before the start
// or after the last representable day would make a broken event.
DateTime AllDayEnd(DateTime start, int32_t days) {
  return std::min(start + std::max<int32_t>(days, 0), static_cast<DateTime>(kLastDayNumber));
}

// Appends the content line that `build` appends the text of, folded as
// CalendarContentLine folds it; short lines, the usual case, are not copied.
template <typename Build>
void AppendContentLine(std::string& out, Build build) {
  const size_t start = out.size();
  build(out);
  if (out.size() - start <= kMaxLineOctets) {
    out.append("\r\n");
    return;
  }
  const std::string line = out.substr(start);
  out.resize(start);
  out += CalendarContentLine(line);
}

void AppendTextLine(std::string& out, std::string_view name, std::string_view text) {
  AppendContentLine(out, [&](std::string& line) {
    line.append(name);
    AppendCalendarText(line, text);
  });
}

// The date-time lines of an event are short: they are never folded. An end
// must lie after the start, so an event that would end where it starts has no
// DTEND: a timed one then ends at its start, an all-day one lasts its day.
void AppendEvent(std::string& out, const Item& item, const EventFacts& facts,
                 const std::string& uid, const std::string& stampLine,
                 std::string_view escapedTitle) {
  out.append("BEGIN:VEVENT\r\n").append(stampLine);
  const DateParts start = DecodeDateTime(facts.eventDate);
  if (facts.allDay) {
    out.append("DTSTART;VALUE=DATE:");
    AppendDate(out, start);
    const DateTime end = AllDayEnd(facts.eventDate, item.days);
    if (end > facts.eventDate) {
      out.append("\r\nDTEND;VALUE=DATE:");
      AppendDate(out, DecodeDateTime(end));
    }
  } else {
    out.append("DTSTART:");
    AppendDateTime(out, start);
  }
  out.append("\r\n");
  const auto appendTitleLine = [&](std::string_view name) {
    AppendContentLine(out, [&](std::string& line) { line.append(name).append(escapedTitle); });
  };
  appendTitleLine("SUMMARY:");
  AppendTextLine(out, "UID:", uid);
  appendTitleLine("DESCRIPTION:");
  if (!facts.repeatRule.empty()) out.append(facts.repeatRule).append("\r\n");
  out.append("END:VEVENT\r\n");
}

// The event facts of a title whose first ten characters are digits where the
// date reads them: the date and time parts read in place, with the result of
// the general reading below.
bool TryQuickEventFacts(std::string_view title, EventFacts& facts) {
  if (title.size() < 10) return false;
  for (const size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(title[i])) return false;
  }
  const auto number = [title](size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) value = value * 10 + (title[i] - '0');
    return value;
  };
  DateTime date = 0;
  if (!TryEncodeDate(number(0, 4), number(5, 2), number(8, 2), date)) return true;
  // Characters 12 to 16, trimmed, as "h:mm" with one or two digits each.
  std::string_view time = Chars(title, 12, 16);
  while (!time.empty() && static_cast<unsigned char>(time.front()) <= 0x20) time.remove_prefix(1);
  while (!time.empty() && static_cast<unsigned char>(time.back()) <= 0x20) time.remove_suffix(1);
  const size_t colon = time.find(':');
  const auto digits = [](std::string_view text) {
    return (text.size() == 1 || text.size() == 2) && std::all_of(text.begin(), text.end(), IsDigit);
  };
  DateTime clock = 0;
  if (colon != std::string_view::npos && digits(time.substr(0, colon)) &&
      digits(time.substr(colon + 1))) {
    const auto value = [](std::string_view text) {
      int result = 0;
      for (const char c : text) result = result * 10 + (c - '0');
      return result;
    };
    const int hour = value(time.substr(0, colon));
    const int minute = value(time.substr(colon + 1));
    if (TryEncodeTime(hour, minute, 0, 0, clock)) {
      const DateTime moment =
          EncodeDateTime({number(0, 4), number(5, 2), number(8, 2), hour, minute, 0, 0});
      if (moment != 0) {
        facts.eventDate = moment;
        return true;
      }
    }
  }
  if (date != 0) {
    facts.eventDate = date;
    facts.allDay = true;
  }
  return true;
}

// Whether the title's ninth character is a digit: the long reading of an
// event date starts with it, and no reading succeeds without one. Most
// titles without a date end here.
bool HasDigitAsNinth(std::string_view title) {
  const size_t ninth = Utf8PrefixBytes(title, 8);
  return ninth < title.size() && IsDigit(title[ninth]);
}

}  // namespace

EventFacts CalendarEventFacts(const Item& item) {
  const std::string_view title = item.displayTitle;
  EventFacts facts;
  facts.repeatRule = RepeatRuleLine(item.repeat);
  if (TryQuickEventFacts(title, facts) || !HasDigitAsNinth(title)) return facts;
  std::string date;
  date.append(Chars(title, 9, 10)).append("/").append(Chars(title, 6, 7)).append("/");
  date.append(Chars(title, 1, 4));
  DateTime value = 0;
  // A one-digit hour leaves a blank at the end of the time ("9:05 ").
  if (TryParseDateTime(date + " " + Trim(Chars(title, 12, 16)), value) && value != 0) {
    facts.eventDate = value;
  } else if ((value = reported::ShortDateOf(date)) != 0) {
    facts.eventDate = value;
    facts.allDay = true;
  }
  return facts;
}

void CalendarUid(std::string& uid, IdCounts& counts, int32_t id, const std::string& stem) {
  const int32_t copy = counts.Add(id);
  uid.assign(stem).append("-");
  AppendNumber(uid, id);
  if (copy > 1) {
    uid.append("-");
    AppendNumber(uid, copy);
  }
  uid.append("@").append(kCalendarMailDomain);
}

void AppendCalendarText(std::string& out, std::string_view text) {
  // All but control characters and the three a calendar text escapes.
  constexpr PlainByteSet kPlain = {0x20, 0xFF, {0x7F, '\\', ';', ','}};
  ForEachPlainRun(
      text, kPlain, [&out](std::string_view run) { out.append(run); },
      [&out, text](size_t at) {
        switch (text[at]) {
          case '\\':
            out += "\\\\";
            break;
          case ';':
            out += "\\;";
            break;
          case ',':
            out += "\\,";
            break;
          case '\r':
            // CR LF is one line break.
            if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
            out += "\\n";
            break;
          case '\n':
            out += "\\n";
            break;
          case '\t':
            out += '\t';
            break;
          default:
            break;
        }
        return at + 1;
      });
}

std::string CalendarContentLine(std::string_view line) {
  const auto isContinuationByte = [&](size_t pos) {
    return (static_cast<unsigned char>(line[pos]) & 0xC0) == 0x80;
  };
  std::string out;
  size_t room = kMaxLineOctets;
  while (line.size() > room) {
    // Step back to the start of a UTF-8 sequence; a sequence is at most four
    // octets, so text that is not UTF-8 is cut where it stands.
    size_t cut = room;
    while (cut > room - 3 && isContinuationByte(cut)) --cut;
    if (isContinuationByte(cut)) cut = room;
    out.append(line.substr(0, cut)).append("\r\n ");
    line.remove_prefix(cut);
    room = kMaxLineOctets - 1;  // the leading blank counts
  }
  return out.append(line).append("\r\n");
}

void StartCalendarTexts(CalendarTexts& calendars, size_t items) {
  calendars.privateText.clear();
  calendars.privateText += CalendarHeader("Private");
  calendars.publicText.clear();
  calendars.publicText += CalendarHeader("Public");
  calendars.privateIds = IdCounts(items);
  calendars.publicIds = IdCounts(items);
  calendars.stampLine.clear();
  calendars.stampTime = 0;
}

void AddCalendarEvents(CalendarTexts& calendars, const Item& item, const std::string& uidStem,
                       DateTime universalNow) {
  if (!item.active) return;
  const EventFacts facts = CalendarEventFacts(item);
  if (!(facts.eventDate > 0)) return;
  if (calendars.stampLine.empty() || calendars.stampTime != universalNow) {
    calendars.stampTime = universalNow;
    calendars.stampLine = "DTSTAMP:";
    AppendDateTime(calendars.stampLine, DecodeDateTime(universalNow));
    calendars.stampLine.append("Z\r\n");
  }
  // A calendar is UTF-8: a title that is not is read as Windows-1252, as
  // every value of the system is. Its summary and description are the same
  // text, escaped once.
  std::string& title = calendars.escapedTitle;
  title.clear();
  if (IsUtf8(item.displayTitle)) {
    AppendCalendarText(title, item.displayTitle);
  } else {
    AppendCalendarText(title, Windows1252ToUtf8(item.displayTitle));
  }
  std::string& uid = calendars.uid;
  CalendarUid(uid, calendars.privateIds, item.id, uidStem);
  const size_t eventStart = calendars.privateText.size();
  AppendEvent(calendars.privateText, item, facts, uid, calendars.stampLine, title);
  if (!item.isPublic) return;
  // The public event is the private one unless its UID is numbered apart.
  CalendarUid(calendars.publicUid, calendars.publicIds, item.id, uidStem);
  if (calendars.publicUid == uid) {
    calendars.publicText.append(calendars.privateText, eventStart);
  } else {
    AppendEvent(calendars.publicText, item, facts, calendars.publicUid, calendars.stampLine, title);
  }
}

void CloseCalendarTexts(CalendarTexts& calendars) {
  calendars.privateText += CalendarContentLine("END:VCALENDAR");
  calendars.publicText += CalendarContentLine("END:VCALENDAR");
}
