// Placeholder bodies; the real routines replace them.
#include "support/date_time.h"

bool TryEncodeDate(int, int, int, TDateTime& v) { v = 0; return false; }
bool TryEncodeTime(int, int, int, int, TDateTime& v) { v = 0; return false; }
TDateTime EncodeDateTime(const tDateParts&) { return 0; }
tDateParts DecodeDateTime(TDateTime) { return {}; }
TDateTime DateOf(TDateTime v) { return v; }
int DayOfWeek(TDateTime) { return 1; }
TDateTime IncMonth(TDateTime v, int) { return v; }
TDateTime Now() { return 0; }
std::string FormatDateTime(std::string_view p, TDateTime) { return std::string(p); }
std::string StringOfString(TDateTime) { return {}; }
std::string DateTimeToRFC822(int, TDateTime) { return {}; }
TDateTime LocalTimeToGMT(TDateTime v) { return v; }
bool isDate(std::string_view) { return false; }
TDateTime StrToDate(std::string_view) { return 0; }
bool TryStrToDateTime(std::string_view, TDateTime& v) { v = 0; return false; }
