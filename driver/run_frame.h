// The frame of one run: start-up, the protected stages, the exception path and
// the end of the run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/run_state.h"

// The stages after start-up; they may throw, which takes the run to its report.
using StageFunction = std::function<void(RunState&)>;

// Start-up: the executable's folder made current, the settings filled, the
// banner replacing the run log, the run's one clock reading taken.
void StartUp(RunState& run);
// Runs `stages` protected; a failure writes the exception report. Then the end
// of the run. Returns the exit status.
int RunProtected(RunState& run, const StageFunction& stages);

// The whole program for the given arguments (program name excluded), in
// `run`, which the caller gives fresh.
int RunVarno(RunState& run, const std::vector<std::string>& args);
