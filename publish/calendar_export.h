// The iCalendar export: the private calendar and, for the upcoming list, the public one.
#pragma once

#include <string>

#include "support/date_time.h"
#include "tasklist/varno_item.h"

struct tCalendarTexts {
  std::string Private;
  std::string Public;
};

// Starts both texts with their headers.
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
