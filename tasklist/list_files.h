// The names of every file a list has, worked out once per run from the list
// file's name as requested and the run's one clock reading.
#pragma once

#include <string>
#include <vector>

#include "support/date_time.h"

struct ListFiles {
  std::string parameter;    // the list file's name as requested
  std::string list;         // the list file: that name in lower case
  std::string weekdayCopy;  // "-ddd" of the run's day before ".json"
  std::string monthCopy;    // "-mmm" of the run's month before ".json"
  std::string csv;
  std::string todayCsv;
  std::string editorPage;  // the editor page looked for
  // The files the editor page is written to: the page, its month copy and its day copy.
  std::vector<std::string> editorPageFiles;
  std::string viewerPage;
  std::string calendar;
  std::string publicCalendar;  // "" for a list without one
  std::string newListFeed;     // the feed's name for a list that names none
};

// The names of the list requested as `parameter`, for a run at `now`.
ListFiles NameListFiles(const std::string& parameter, DateTime now);

// True when a file, folder or link of that name exists (no wildcards).
bool ListFileExists(const std::string& name);

// The part of a page name before its first full stop; "" when it has none.
std::string EditorPageStem(const std::string& pageName);
// The weekday copy's name: the first ".json" replaced by "-ddd.json".
std::string WeekdayCopyName(const std::string& listFile, DateTime now);
// The month copy's name: the weekday copy's "-ddd.json" replaced by "-mmm.json".
std::string MonthCopyName(const std::string& weekdayCopyName, DateTime now);
// The private calendar's file name for the list file's name as requested.
std::string CalendarName(const std::string& parameter);
// "public.ics" for the upcoming list's calendar name, else "".
std::string PublicCalendarName(const std::string& calendarName);
