#include "support/exception_report.h"

#include <cstdio>
#include <stdexcept>

#include "platform/platform.h"
#include "support/date_value.h"
#include "support/failures.h"
#include "support/syslog_notice.h"
#include "support/text_file.h"
#include "support/text_tools.h"
#include "support/utf8_text.h"

namespace {

constexpr const char* kDefaultFileName = "E!{selfname}-{timestamp}.xml";
constexpr int32_t kNoticeID = 5003;

// The checkpoint at which tests make the writer fail (0: never).
thread_local int faultCheckpoint = 0;

void Reach(int32_t& trace, int32_t checkpoint) {
  trace = checkpoint;
  if (checkpoint == faultCheckpoint)
    throw std::runtime_error("fault at checkpoint " + std::to_string(checkpoint));
}

// "1234567" -> "1,234,567"; a leading "-" stays in front.
std::string GroupThousands(const std::string& digits) {
  const size_t start = (!digits.empty() && digits[0] == '-') ? 1 : 0;
  std::string grouped = digits.substr(0, start);
  const size_t count = digits.size() - start;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) grouped += ',';
    grouped += digits[start + i];
  }
  return grouped;
}

// The "#,##0.00" form.
std::string FormatTwoDecimals(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  const std::string text = buffer;
  const size_t point = text.find('.');
  return GroupThousands(text.substr(0, point)) + text.substr(point);
}

// Each value in UTF-8: a failure's message may quote the system in its code
// page.
std::string Line(const char* open, const std::string& value, const char* close) {
  return std::string(open).append(AsUtf8(value)).append(close).append(kCrLf);
}

std::string ComposeReport(const FailureRecord& rec, const std::string& dateTimeText,
                          const std::string& upTimeText, const MemoryStatus& memory,
                          int32_t& trace) {
  const std::string traceText = std::to_string(rec.trace);
  std::string text = "<xml>\r\n";
  Reach(trace, 230);
  text += "<Exception>\r\n";
  Reach(trace, 300);
  text += Line("<DateTime>", dateTimeText, "</DateTime>");
  Reach(trace, 305);
  text += Line("<MachineUpTime>", upTimeText, "</MachineUpTime>");
  text += Line("<UsedMemory>",
               FormatTwoDecimals(100.0 - memory.availVirtualPercent) + "% (" +
                   GroupThousands(std::to_string(memory.totalVirtual - memory.availVirtual)) + ") ",
               "</UsedMemory>");
  Reach(trace, 310);
  text += Line("<SelfName>", processSettings.selfName, "</SelfName>");
  Reach(trace, 315);
  text += Line("<Version>", processSettings.version, "</Version>");
  Reach(trace, 320);
  text += Line("<Function>", rec.function + ":" + traceText, "</Function>");
  text += Line("<Trace>", traceText, "</Trace>");
  Reach(trace, 325);
  text += Line("<CallingFunction>", rec.callingFunction, "</CallingFunction>");
  Reach(trace, 330);
  text += Line("<HostName>", processSettings.hostName, "</HostName>");
  Reach(trace, 340);
  text += Line("<ClassName>", rec.className, "</ClassName>");
  Reach(trace, 350);
  text += Line("<e.Message>", rec.message, "</e.Message>");
  Reach(trace, 360);
  text += Line("<SQL>", rec.sql, "</SQL>");
  Reach(trace, 370);
  text += Line("<Notes>", rec.notes, "</Notes>");
  text += Line("<Count>", std::to_string(rec.count), "</Count>");
  text += "</Exception>\r\n</xml>\r\n";
  Reach(trace, 380);
  return text;
}

std::string ResolveFileName(const std::string& pattern) {
  const std::string name = pattern.empty() ? kDefaultFileName : pattern;
  return ReplaceFirst(ReplaceFirst(name, "{selfname}", processSettings.selfName), "{timestamp}",
                      FormatDateTime("yyyymmddhhnnsszzz", Now()));
}

// The machine's state as far as it can be read: a report goes out without
// the parts that cannot.
std::string UpTimeTextOrNone() {
  try {
    return MachineUpTimeFromTicks(platform::TickCount()).text;
  } catch (const std::exception&) {
    return {};
  }
}

MemoryStatus MemoryStatusOrNone() {
  try {
    return ReadMemoryStatus();
  } catch (const std::exception&) {
    return {};
  }
}

void SendReportNotice(const FailureRecord& received, const std::string& fileName) {
  SyslogNotice notice;
  notice.id = kNoticeID;
  notice.message = "EXCEPTION:Func=" + received.function +
                   " Trace=" + std::to_string(received.trace) + " File=\"" + fileName +
                   "\" SelfName=" + processSettings.selfName +
                   " Version=" + processSettings.version;
  notice.port = 0;
  PostSyslogMsg(notice, "");
}

// Which report is being written: a report about a failure of the writer
// itself that fails again ends without another.
enum class ReportKind { kFailure, kWriterFailure };

std::string WriteReport(const FailureRecord& received, ReportKind kind);

// The one report about a failure of the writer.
void ReportWriterFailure(const FailureRecord& received, const std::string& className,
                         const std::string& message, int32_t trace) {
  try {
    FailureRecord rec = received;
    rec.function = "loam32.SaveExceptionRecAsXML";
    rec.className = className;
    rec.message = message;
    rec.trace = trace;
    rec.fileName = processSettings.exceptionFilePattern;
    rec.beep = true;
    WriteReport(rec, ReportKind::kWriterFailure);
  } catch (...) {
  }
}

std::string WriteReport(const FailureRecord& received, ReportKind kind) {
  int32_t trace = 100;
  std::string fileName;
  try {
    Reach(trace, 100);
    const MemoryStatus memory = MemoryStatusOrNone();
    if (processSettings.selfName.empty()) return {};
    const std::string text =
        ComposeReport(received, FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Now()),
                      UpTimeTextOrNone(), memory, trace);
    fileName = ResolveFileName(received.fileName);
    Reach(trace, 420);
    // A report that cannot be written still sounds and sends its notice.
    WriteTextFile(text, processSettings.exeFolder + fileName, false, "");
    Reach(trace, 460);
    if (received.beep) {
      for (int frequency : {200, 400, 800, 1600}) platform::Beep(frequency, 50);
    }
    Reach(trace, 480);
    SendReportNotice(received, fileName);
  } catch (const std::exception& e) {
    if (kind == ReportKind::kFailure)
      ReportWriterFailure(received, FailureClassName(e), e.what(), trace);
  } catch (...) {
    if (kind == ReportKind::kFailure)
      ReportWriterFailure(received, "Exception", "unknown failure", trace);
  }
  return fileName;
}

}  // namespace

std::string WriteExceptionReport(const FailureRecord& failure) {
  return WriteReport(failure, ReportKind::kFailure);
}

std::string BuildExceptionReportText(const FailureRecord& rec, const std::string& dateTimeText,
                                     const std::string& upTimeText, const MemoryStatus& memory) {
  int32_t trace = 100;
  return ComposeReport(rec, dateTimeText, upTimeText, memory, trace);
}

void ReportCaughtFailure(const std::string& function, const std::exception& failure, int trace) {
  try {
    FailureRecord rec;
    rec.function = function;
    rec.className = FailureClassName(failure);
    rec.message = failure.what();
    rec.trace = trace;
    rec.fileName = processSettings.exceptionFilePattern;
    rec.beep = true;
    WriteExceptionReport(rec);
  } catch (...) {
  }
}

void SetReportWriterFaultCheckpoint(int checkpoint) {
  faultCheckpoint = checkpoint;
}
