#include "support/run_log.h"

#include <cstdio>

#include "support/date_time.h"
#include "support/settings.h"
#include "support/text_file.h"
#include "support/utf8_text.h"

namespace {

// The run log's time stamp of this moment, "YYYY-MM-DD HH:NN:SS.ZZZ".
std::string LogTimeStamp() {
  return FormatDateTime("YYYY-MM-DD HH:NN:SS.ZZZ", Now());
}

void WriteLine(std::string line, bool append) {
  // A line quoting the system (an error text in its code page) is kept UTF-8
  // like every other text.
  MakeUtf8(line);
  ConsoleLine(line);
  WriteTextFile(LogTimeStamp() + " " + line + "\r\n", kRunLogFile, append, "");
}

}  // namespace

void RunLog::Start(std::string line) {
  WriteLine(std::move(line), false);
}

void RunLog::Line(std::string line) {
  WriteLine(std::move(line), true);
}

void RunLog::Report(int32_t newTrace, const std::string& text) {
  trace = newTrace;
  ReportAtCurrentTrace(text);
}

void RunLog::ReportAtCurrentTrace(const std::string& text) {
  WriteLine(std::to_string(trace) + text, true);
}

void LogOnly(const std::string& text) {
  WriteTextFile(LogTimeStamp() + AsUtf8(text) + "\r\n", kRunLogFile, true, "");
}

void ConsoleLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}
