// The stages of a run after start-up, in their fixed order.
#pragma once

#include "driver/run_state.h"

// Runs every stage from reading the request to publishing. Ends the run early
// (EndOfRun) after the usage text, a refused request or the empty-list error.
void RunStages(RunState& run);

// Prints the usage text to the console.
void WriteUsageText();
