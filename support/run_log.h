// The run's progress: the trace number of the step being done, the context an
// exception report shows, and the lines reported to the console and the run log.
#pragma once

#include <cstdint>
#include <string>

struct RunLog {
  // The step being done; a report line and an exception report show it.
  int32_t trace = 100;
  // What an exception report notes about the step being done.
  std::string notes;

  // `line` on the console and as the first line of a fresh run log.
  void Start(std::string line);
  // `line` as it stands on the console and appended to the run log.
  void Line(std::string line);
  // Sets the trace number and reports it followed by `text`.
  void Report(int32_t newTrace, const std::string& text);
  // The current trace number followed by `text`, the trace left as it is.
  void ReportAtCurrentTrace(const std::string& text);
};

// Appends a line without trace number to the run log only.
void LogOnly(const std::string& text);
// Writes one line to the console only.
void ConsoleLine(const std::string& text);
