#include "tasklist/list_files.h"

#include "platform/platform.h"
#include "support/text_helpers.h"

namespace {

// "-", the lower-case name that `pattern` gives for `now`, and `extension`.
std::string DatedSuffix(const char* pattern, DateTime now, const char* extension) {
  std::string suffix = LowerCase(FormatDateTime(pattern, now));
  suffix.insert(suffix.begin(), '-');
  suffix.append(extension);
  return suffix;
}

}  // namespace

ListFiles NameListFiles(const std::string& parameter, DateTime now) {
  ListFiles files;
  files.parameter = parameter;
  files.list = LowerCase(parameter);
  files.weekdayCopy = WeekdayCopyName(files.list, now);
  files.monthCopy = MonthCopyName(files.weekdayCopy, now);
  files.csv = ReplaceFirstNoCase(files.list, ".json", ".csv");
  files.todayCsv = ReplaceFirstNoCase(files.list, ".json", "today.csv");
  files.editorPage = LowerCase(ReplaceAllNoCase(files.list, ".json", ".html"));
  const std::string stem = EditorPageStem(files.editorPage);
  files.editorPageFiles = {stem + ".html", stem + DatedSuffix("mmm", now, ".html"),
                           stem + DatedSuffix("ddd", now, ".html")};
  files.viewerPage = LowerCase(ReplaceAllNoCase(files.list, ".json", "rss.html"));
  files.calendar = CalendarName(parameter);
  files.publicCalendar = PublicCalendarName(files.calendar);
  files.newListFeed = ReplaceFirstNoCase(reported::FileNameOf(files.list), ".json", "rss.xml");
  return files;
}

bool ListFileExists(const std::string& name) {
  return platform::PathExists(name);
}

std::string EditorPageStem(const std::string& pageName) {
  const size_t dot = pageName.find('.');
  return dot == std::string::npos ? std::string() : pageName.substr(0, dot);
}

std::string WeekdayCopyName(const std::string& listFile, DateTime now) {
  return ReplaceFirstNoCase(listFile, ".json", DatedSuffix("ddd", now, ".json"));
}

std::string MonthCopyName(const std::string& weekdayCopyName, DateTime now) {
  return ReplaceFirst(weekdayCopyName, DatedSuffix("ddd", now, ".json"),
                      DatedSuffix("mmm", now, ".json"));
}

std::string CalendarName(const std::string& parameter) {
  // Without ".json" the name would be the list file's own; never write over it.
  if (FindNoCase(parameter, ".json") == std::string::npos) return parameter + ".ics";
  return ReplaceFirstNoCase(parameter, ".json", ".ics");
}

std::string PublicCalendarName(const std::string& calendarName) {
  return LowerCase(calendarName) == "upcoming.ics" ? "public.ics" : "";
}
