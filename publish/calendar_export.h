// The iCalendar export: the private calendar and, for the upcoming list, the public one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "support/date_time.h"
#include "tasklist/varno_item.h"

struct tCalendarTexts {
  std::string Private;
  std::string Public;
  // How many events of each item ID each text holds so far, to keep the
  // UIDs unique within a file.
  std::unordered_map<int32_t, int32_t> PrivateIDs;
  std::unordered_map<int32_t, int32_t> PublicIDs;
  // The DTSTAMP line of the time the events are stamped with, made once.
  std::string StampLine;
  TDateTime StampTime = 0;
  // The UID of the event being added; its room is reused.
  std::string UID;
};

// Starts both texts with their headers; the texts keep their room.
void StartCalendarTexts(tCalendarTexts& calendars);
// Adds the events of one active item: to the private text when it has an
// event date, and to the public text too when it is public. `uidStem` is the
// list file's name before its first "."; `universalNow` the run's time in UTC.
void AddCalendarEvents(tCalendarTexts& calendars, const tVarno& item, const std::string& uidStem,
                       TDateTime universalNow);
// Ends both texts.
void CloseCalendarTexts(tCalendarTexts& calendars);
// The private calendar's file name for the list-file parameter as passed.
std::string CalendarName(const std::string& sParam1_JSONFile);
// "public.ics" for the upcoming list's calendar name, else "".
std::string PublicCalendarName(const std::string& calendarName);

// When an item's event starts, read from the date (and time) its display
// title begins with.
struct tEventFacts {
  TDateTime EventDate = 0;  // 0: the item has no event
  bool AllDay = false;
  std::string RepeatRule;  // the whole RRULE line, or ""
};
tEventFacts CalendarEventFacts(const tVarno& item);

// The UID of the next event of item `id` in a text whose events per ID are
// `counts`: the list's stem and the ID, and for each later event of the same
// ID the number of its copy too ("-2", "-3", ...). UIDs of different IDs
// never meet, since an ID's digits hold no "-" after their sign.
void CalendarUID(std::string& uid, std::unordered_map<int32_t, int32_t>& counts, int32_t id,
                 const std::string& stem);

// A text value with backslash, ";", "," and line breaks escaped; other
// control characters but tab are left out.
std::string CalendarText(std::string_view text);
// One content line with its CR LF, folded after every 75 octets (never inside
// a UTF-8 sequence); each continuation line starts with a blank.
std::string CalendarContentLine(std::string_view line);
