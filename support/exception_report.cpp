// Placeholder bodies; the real routines replace them.
#include "support/exception_report.h"

std::string SaveExceptionRecAsXML(tExceptionRec) { return {}; }
std::string BuildExceptionReportText(const tExceptionRec&, const std::string&) { return {}; }
void ReportCaughtFailure(const std::string&, const std::exception&, int) {}
