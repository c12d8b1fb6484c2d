// The frame of one run: start-up, progress lines, the protected stages, the
// exception path and the end of the run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/run_state.h"

// Reports `LogRec.Msg` as one console line and one run-log line.
void WriteLogRec(RunState& run, bool bAppend);
// Sets the trace number, builds the message (trace number then `text`) and reports it.
void Report(RunState& run, int trace, const std::string& text);
// Appends a line without trace number to the run log only.
void LogOnly(const std::string& text);
// Writes one line to the console only.
void ConsoleLine(const std::string& text);

// The stages after start-up; they may throw, which takes the run to its report.
using RunStages = std::function<void(RunState&)>;
// Runs start-up, then `stages` protected, then the end of the run. Returns the exit status.
int RunFrame(RunState& run, const RunStages& stages);

// The whole program for the given arguments (program name excluded).
int RunVarno(const std::vector<std::string>& args);
