#include "driver/progress.h"

#include <cstdio>

#include "support/date_time.h"
#include "support/text_file.h"
#include "support/utf8_text.h"

std::string LogTimeStamp() { return FormatDateTime("YYYY-MM-DD HH:NN:SS.ZZZ", Now()); }

void ConsoleLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

void WriteLogRec(RunState& run, bool bAppend) {
  // A message quoting the system (an error text in its code page) is kept
  // UTF-8 like every other text.
  MakeUTF8(run.LogRec.Msg);
  ConsoleLine(run.LogRec.Msg);
  WriteTextFile(LogTimeStamp() + " " + run.LogRec.Msg + "\r\n", kRunLogFile, bAppend, "");
}

void Report(RunState& run, int trace, const std::string& text) {
  run.LogRec.Trace = trace;
  ReportAtCurrentTrace(run, text);
}

void ReportAtCurrentTrace(RunState& run, const std::string& text) {
  run.LogRec.Msg = std::to_string(run.LogRec.Trace) + text;
  WriteLogRec(run, true);
}

void LogOnly(const std::string& text) {
  WriteTextFile(LogTimeStamp() + AsUTF8(text) + "\r\n", kRunLogFile, true, "");
}
