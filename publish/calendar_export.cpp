// Placeholder bodies; the real writer replaces them.
#include "publish/calendar_export.h"

void StartCalendarTexts(tCalendarTexts& calendars) { calendars = tCalendarTexts{}; }
void AddCalendarEvents(tCalendarTexts&, const tVarno&, const std::string&, TDateTime) {}
void CloseCalendarTexts(tCalendarTexts&) {}
std::string CalendarName(const std::string&) { return {}; }
std::string PublicCalendarName(const std::string&) { return {}; }
