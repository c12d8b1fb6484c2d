// Progress lines: every stage reports through these, to the console and the run log.
#pragma once

#include <string>

#include "driver/run_state.h"

// Reports `run.LogRec.Msg` as one console line and one run-log line; the log
// is replaced when `bAppend` is false.
void WriteLogRec(RunState& run, bool bAppend);
// Sets the trace number, builds the message (the trace number, then `text`) and reports it.
void Report(RunState& run, int trace, const std::string& text);
// The current trace number followed by `text`, reported without changing the trace.
void ReportAtCurrentTrace(RunState& run, const std::string& text);
// Appends a line without trace number to the run log only.
void LogOnly(const std::string& text);
// Writes one line to the console only.
void ConsoleLine(const std::string& text);
// The run log's time stamp of this moment, "YYYY-MM-DD HH:NN:SS.ZZZ".
std::string LogTimeStamp();
