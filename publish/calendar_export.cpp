#include "publish/calendar_export.h"

#include <algorithm>
#include <cstdint>

#include "support/deployment.h"
#include "support/settings.h"
#include "support/text_helpers.h"

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
  if (repeat == "2W") return "RRULE:FREQ=WEEKLY;INTERVAL=2;";
  return {};
}

std::string CalendarHeader(std::string_view calendarName) {
  return CalendarContentLine("BEGIN:VCALENDAR") +
         CalendarContentLine("PRODID:-//Orlix//Calendar 1.0//EN " + GlobalSettings.Version) +
         CalendarContentLine("CALSCALE:GREGORIAN") + CalendarContentLine("VERSION:2.0") +
         CalendarContentLine("X-WR-CALNAME:Orlix (" + std::string(calendarName) + ")");
}

std::string DateText(TDateTime value) {
  return FormatDateTime("yyyymmdd", value);
}
std::string DateTimeText(TDateTime value) {
  return FormatDateTime("yyyymmdd", value) + "T" + FormatDateTime("hhnnss", value);
}

// The all-day event's end: `days` after its start. An end before the start
// or after the last representable day would make a broken event.
TDateTime AllDayEnd(TDateTime start, int32_t days) {
  TDateTime last = 0;
  TryEncodeDate(kLastYear, kLastMonth, kLastDay, last);
  return std::min(start + std::max<int32_t>(days, 0), last);
}

// The item's UID, made unique within the text whose UIDs are `used`.
std::string UniqueUID(std::set<std::string>& used, const tVarno& item, const std::string& stem) {
  const std::string base = stem + "-" + std::to_string(item.ID);
  std::string uid = base + "@" + kCalendarMailDomain;
  for (int copy = 2; used.count(uid) != 0; ++copy) {
    uid = base + "-" + std::to_string(copy) + "@" + kCalendarMailDomain;
  }
  used.insert(uid);
  return uid;
}

std::string EventText(const tVarno& item, const tEventFacts& facts, const std::string& uid,
                      TDateTime universalNow) {
  std::string event = CalendarContentLine("BEGIN:VEVENT") +
                      CalendarContentLine("DTSTAMP:" + DateTimeText(universalNow) + "Z");
  if (facts.AllDay) {
    event +=
        CalendarContentLine("DTSTART;VALUE=DATE:" + DateText(facts.EventDate)) +
        CalendarContentLine("DTEND;VALUE=DATE:" + DateText(AllDayEnd(facts.EventDate, item.Days)));
  } else {
    event += CalendarContentLine("DTSTART:" + DateTimeText(facts.EventDate)) +
             CalendarContentLine("DTEND:" + DateTimeText(facts.EventDate));
  }
  event += CalendarContentLine("SUMMARY:" + CalendarText(item.DisplayTitle)) +
           CalendarContentLine("UID:" + CalendarText(uid)) +
           CalendarContentLine("DESCRIPTION:" + CalendarText(item.DisplayTitle));
  if (!facts.RepeatRule.empty()) event += CalendarContentLine(facts.RepeatRule);
  return event + CalendarContentLine("END:VEVENT");
}

}  // namespace

tEventFacts CalendarEventFacts(const tVarno& item) {
  const std::string& title = item.DisplayTitle;
  tEventFacts facts;
  facts.RepeatRule = RepeatRuleLine(item.Repeat);
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

std::string CalendarText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
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
        if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t') out += c;
    }
  }
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
  calendars = tCalendarTexts{};
  calendars.Private = CalendarHeader("Private");
  calendars.Public = CalendarHeader("Public");
}

void AddCalendarEvents(tCalendarTexts& calendars, const tVarno& item, const std::string& uidStem,
                       TDateTime universalNow) {
  if (!item.Active) return;
  const tEventFacts facts = CalendarEventFacts(item);
  if (!(facts.EventDate > 0)) return;
  calendars.Private +=
      EventText(item, facts, UniqueUID(calendars.PrivateUIDs, item, uidStem), universalNow);
  if (item.Public) {
    calendars.Public +=
        EventText(item, facts, UniqueUID(calendars.PublicUIDs, item, uidStem), universalNow);
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
