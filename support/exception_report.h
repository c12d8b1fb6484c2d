// Exception reports: a report file beside the executable, tones and a notice.
#pragma once

#include <exception>
#include <string>

#include "support/machine_state.h"
#include "support/settings.h"

// Writes the report for `failure` and broadcasts its notice. Returns the
// report's file name (no folder), or "" when the settings are not filled yet.
// Uses nothing that reports, so it never reaches itself again.
std::string WriteExceptionReport(const FailureRecord& failure);

// The report document text for a record (the body of the report file).
std::string BuildExceptionReportText(const FailureRecord& rec, const std::string& dateTimeText,
                                     const std::string& upTimeText, const MemoryStatus& memory);

// The catching convention of the support routines: a fresh record named
// `function` with the failure's class and message, reported at once.
void ReportCaughtFailure(const std::string& function, const std::exception& failure, int trace);

// Makes the report writer fail whenever it reaches `checkpoint` (0: never), so
// that its handling of its own failures can be exercised.
void SetReportWriterFaultCheckpoint(int checkpoint);
