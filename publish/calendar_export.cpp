#include "publish/calendar_export.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "support/deployment.h"
#include "support/settings.h"
#include "support/text_helpers.h"
#include "support/utf8_text.h"

namespace {

constexpr size_t kMaxLineOctets = 75;
// The last day a date-time value can hold.
constexpr int kLastYear = 9999, kLastMonth = 12, kLastDay = 31;

// Characters `first` to `last` (1-based) of `text`, as far as it reaches.
std::string Chars(std::string_view text, size_t first, size_t last) {
  if (first > text.size()) return {};
  return std::string(text.substr(first - 1, last - first + 1));
}

std::string RepeatRuleLine(const std::string& repeat) {
  if (repeat == "1Y") return "RRULE:FREQ=YEARLY";
  if (repeat == "1W") return "RRULE:FREQ=WEEKLY";
  if (repeat == "2W") return "RRULE:FREQ=WEEKLY;INTERVAL=2";
  return {};
}

std::string CalendarHeader(std::string_view calendarName) {
  return CalendarContentLine("BEGIN:VCALENDAR") +
         CalendarContentLine("PRODID:-//Orlix//Calendar 1.0//EN " + GlobalSettings.Version) +
         CalendarContentLine("CALSCALE:GREGORIAN") + CalendarContentLine("VERSION:2.0") +
         CalendarContentLine("X-WR-CALNAME:Orlix (" + std::string(calendarName) + ")");
}

// `value` in decimal with exactly `width` digits (it never has more).
void AppendDigits(std::string& out, int value, int width) {
  char digits[8];
  for (int i = width - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
  out.append(digits, static_cast<size_t>(width));
}

// "yyyymmdd" of the date.
void AppendDate(std::string& out, const tDateParts& p) {
  AppendDigits(out, p.Year, 4);
  AppendDigits(out, p.Month, 2);
  AppendDigits(out, p.Day, 2);
}
// "yyyymmdd", "T" and "hhnnss".
void AppendDateTime(std::string& out, const tDateParts& p) {
  AppendDate(out, p);
  out.push_back('T');
  AppendDigits(out, p.Hour, 2);
  AppendDigits(out, p.Minute, 2);
  AppendDigits(out, p.Second, 2);
}

// The all-day event's end: `days` after its start. An end before the start
// or after the last representable day would make a broken event.
TDateTime AllDayEnd(TDateTime start, int32_t days) {
  TDateTime last = 0;
  TryEncodeDate(kLastYear, kLastMonth, kLastDay, last);
  return std::min(start + std::max<int32_t>(days, 0), last);
}

// CalendarText of `text`, appended.
void AppendCalendarText(std::string& out, std::string_view text) {
  const auto plain = [](char c) {
    return (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F && c != '\\' && c != ';' &&
            c != ',');
  };
  for (size_t i = 0; i < text.size(); ++i) {
    size_t end = i;
    while (end < text.size() && plain(text[end])) ++end;
    out.append(text.substr(i, end - i));
    i = end;
    if (i == text.size()) break;
    const char c = text[i];
    switch (c) {
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
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (c == '\t') out += c;
    }
  }
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
void AppendEvent(std::string& out, const tVarno& item, const tEventFacts& facts,
                 const std::string& uid, const std::string& stampLine) {
  out.append("BEGIN:VEVENT\r\n").append(stampLine);
  const tDateParts start = DecodeDateTime(facts.EventDate);
  if (facts.AllDay) {
    out.append("DTSTART;VALUE=DATE:");
    AppendDate(out, start);
    const TDateTime end = AllDayEnd(facts.EventDate, item.Days);
    if (end > facts.EventDate) {
      out.append("\r\nDTEND;VALUE=DATE:");
      AppendDate(out, DecodeDateTime(end));
    }
  } else {
    out.append("DTSTART:");
    AppendDateTime(out, start);
  }
  out.append("\r\n");
  // A calendar is UTF-8: a title that is not is read as Windows-1252, as
  // every value of the system is.
  std::string converted;
  std::string_view title = item.DisplayTitle;
  if (!IsUTF8(title)) {
    converted = Windows1252ToUTF8(title);
    title = converted;
  }
  AppendTextLine(out, "SUMMARY:", title);
  AppendTextLine(out, "UID:", uid);
  AppendTextLine(out, "DESCRIPTION:", title);
  if (!facts.RepeatRule.empty()) out.append(facts.RepeatRule).append("\r\n");
  out.append("END:VEVENT\r\n");
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The event facts of a title whose first ten characters are digits where the
// date reads them: the date and time parts read in place, with the result of
// the general reading below.
bool TryQuickEventFacts(std::string_view title, tEventFacts& facts) {
  if (title.size() < 10) return false;
  for (const size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(title[i])) return false;
  }
  const auto number = [title](size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) value = value * 10 + (title[i] - '0');
    return value;
  };
  TDateTime date = 0;
  if (!TryEncodeDate(number(0, 4), number(5, 2), number(8, 2), date)) return true;
  // Characters 12 to 16, trimmed, as "h:mm" with one or two digits each.
  std::string_view time = title.substr(std::min<size_t>(11, title.size()), 5);
  while (!time.empty() && static_cast<unsigned char>(time.front()) <= 0x20) time.remove_prefix(1);
  while (!time.empty() && static_cast<unsigned char>(time.back()) <= 0x20) time.remove_suffix(1);
  const size_t colon = time.find(':');
  const auto digits = [](std::string_view text) {
    return (text.size() == 1 || text.size() == 2) && std::all_of(text.begin(), text.end(), IsDigit);
  };
  TDateTime clock = 0;
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
      const TDateTime moment =
          EncodeDateTime({number(0, 4), number(5, 2), number(8, 2), hour, minute, 0, 0});
      if (moment != 0) {
        facts.EventDate = moment;
        return true;
      }
    }
  }
  if (date != 0) {
    facts.EventDate = date;
    facts.AllDay = true;
  }
  return true;
}

}  // namespace

tEventFacts CalendarEventFacts(const tVarno& item) {
  const std::string& title = item.DisplayTitle;
  tEventFacts facts;
  facts.RepeatRule = RepeatRuleLine(item.Repeat);
  if (TryQuickEventFacts(title, facts)) return facts;
  const std::string date =
      Chars(title, 9, 10) + "/" + Chars(title, 6, 7) + "/" + Chars(title, 1, 4);
  TDateTime value = 0;
  // A one-digit hour leaves a blank at the end of the time ("9:05 ").
  if (TryStrToDateTime(date + " " + Trim(Chars(title, 12, 16)), value) && value != 0) {
    facts.EventDate = value;
  } else if ((value = StrToDate(date)) != 0) {
    facts.EventDate = value;
    facts.AllDay = true;
  }
  return facts;
}

void CalendarUID(std::string& uid, std::unordered_map<int32_t, int32_t>& counts, int32_t id,
                 const std::string& stem) {
  const int32_t copy = ++counts[id];
  char digits[16];
  uid.assign(stem).append("-");
  uid.append(digits, std::to_chars(digits, digits + sizeof digits, id).ptr);
  if (copy > 1) {
    uid.append("-").append(digits, std::to_chars(digits, digits + sizeof digits, copy).ptr);
  }
  uid.append("@").append(kCalendarMailDomain);
}

std::string CalendarText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendCalendarText(out, text);
  return out;
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

void StartCalendarTexts(tCalendarTexts& calendars) {
  calendars.Private.clear();
  calendars.Private += CalendarHeader("Private");
  calendars.Public.clear();
  calendars.Public += CalendarHeader("Public");
  calendars.PrivateIDs.clear();
  calendars.PublicIDs.clear();
  calendars.StampLine.clear();
  calendars.StampTime = 0;
}

void AddCalendarEvents(tCalendarTexts& calendars, const tVarno& item, const std::string& uidStem,
                       TDateTime universalNow) {
  if (!item.Active) return;
  const tEventFacts facts = CalendarEventFacts(item);
  if (!(facts.EventDate > 0)) return;
  if (calendars.StampLine.empty() || calendars.StampTime != universalNow) {
    calendars.StampTime = universalNow;
    calendars.StampLine = "DTSTAMP:";
    AppendDateTime(calendars.StampLine, DecodeDateTime(universalNow));
    calendars.StampLine.append("Z\r\n");
  }
  std::string& uid = calendars.UID;
  CalendarUID(uid, calendars.PrivateIDs, item.ID, uidStem);
  AppendEvent(calendars.Private, item, facts, uid, calendars.StampLine);
  if (item.Public) {
    CalendarUID(uid, calendars.PublicIDs, item.ID, uidStem);
    AppendEvent(calendars.Public, item, facts, uid, calendars.StampLine);
  }
}

void CloseCalendarTexts(tCalendarTexts& calendars) {
  calendars.Private += CalendarContentLine("END:VCALENDAR");
  calendars.Public += CalendarContentLine("END:VCALENDAR");
}

std::string CalendarName(const std::string& sParam1_JSONFile) {
  // Without ".json" the name would be the list file's own; never write over it.
  if (FindNoCase(sParam1_JSONFile, ".json") == std::string::npos) return sParam1_JSONFile + ".ics";
  return ReplaceFirstNoCase(sParam1_JSONFile, ".json", ".ics");
}

std::string PublicCalendarName(const std::string& calendarName) {
  return LowerCase(calendarName) == "upcoming.ics" ? "public.ics" : "";
}
