// The iCalendar export: the private calendar and, for the upcoming list, the public one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/date_time.h"
#include "support/id_counts.h"
#include "tasklist/item.h"

struct CalendarTexts {
  std::string privateText;
  std::string publicText;
  // How many events of each item ID each text holds so far, to keep the
  // UIDs unique within a file.
  IdCounts privateIds;
  IdCounts publicIds;
  // The DTSTAMP line of the time the events are stamped with, made once.
  std::string stampLine;
  DateTime stampTime = 0;
  // The UIDs and the escaped title of the event being added; their room is
  // reused.
  std::string uid;
  std::string publicUid;
  std::string escapedTitle;
};

// Starts both texts with their headers, for a list of about `items` items;
// the texts keep their room.
void StartCalendarTexts(CalendarTexts& calendars, size_t items = 0);
// Adds the events of one active item: to the private text when it has an
// event date, and to the public text too when it is public. `uidStem` is the
// list file's name before its first "."; `universalNow` the run's time in UTC.
void AddCalendarEvents(CalendarTexts& calendars, const Item& item, const std::string& uidStem,
                       DateTime universalNow);
// Ends both texts.
void CloseCalendarTexts(CalendarTexts& calendars);
// When an item's event starts, read from the date (and time) its display
// title begins with.
struct EventFacts {
  DateTime eventDate = 0;  // 0: the item has no event
  bool allDay = false;
  std::string_view repeatRule;  // the whole RRULE line, or ""
};
EventFacts CalendarEventFacts(const Item& item);

// The UID of the next event of item `id` in a text whose events per ID are
// `counts`: the list's stem and the ID, and for each later event of the same
// ID the number of its copy too ("-2", "-3", ...). UIDs of different IDs
// never meet, since an ID's digits hold no "-" after their sign.
void CalendarUid(std::string& uid, IdCounts& counts, int32_t id, const std::string& stem);

// Appends a text value with backslash, ";", "," and line breaks escaped;
// other control characters but tab are left out.
void AppendCalendarText(std::string& out, std::string_view text);
// One content line with its CR LF, folded after every 75 octets (never inside
// a UTF-8 sequence); each continuation line starts with a blank.
std::string CalendarContentLine(std::string_view line);
