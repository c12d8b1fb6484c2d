// Work whose end leaves state behind whether it ran through or failed: a
// failure is reported with that state (the trace it reached, its context
// note), so the state is taken over on both paths.
#pragma once

// Runs `work`, then `afterwards` whether `work` returned or threw; what it
// threw goes on.
template <typename Work, typename Afterwards>
void RunThenAlways(Work&& work, Afterwards&& afterwards) {
  try {
    work();
  } catch (...) {
    afterwards();
    throw;
  }
  afterwards();
}
