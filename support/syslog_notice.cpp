#include "support/syslog_notice.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/platform.h"
#include "support/date_time.h"
#include "support/exception_report.h"
#include "support/failures.h"
#include "support/settings.h"
#include "support/text_file.h"
#include "support/text_helpers.h"

namespace {

constexpr int32_t kSyslogPort = 514;
constexpr int32_t kSendFailed = -2;

// At least five digits, zeros in front; a minus sign stays before them.
std::string FiveDigits(long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, value < 0 ? "-%05lld" : "%05lld",
                value < 0 ? -value : value);
  return buffer;
}

// A socket failure, named so in reports.
class ESocketError : public VarnoError {
 public:
  explicit ESocketError(const std::string& message) : VarnoError("ESocketError", message) {}
};

// A host name or dotted address: letters, digits, dots and hyphens.
bool IsHostName(const std::string& text) {
  return !text.empty() && text.find_first_not_of(
                              "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                              "0123456789.-") == std::string::npos;
}

// Appends one line without trace number to the run log.
void LogNoticeLine(const std::string& text) {
  WriteTextFile(FormatDateTime("YYYY-MM-DD HH:NN:SS.ZZZ", Now()) + text + "\r\n",
                GlobalSettings.EXEPath + kRunLogFile, true, "");
}

}  // namespace

tNoticeTarget NoticeTargetOf(const char* setting) {
  tNoticeTarget target;
  target.Setting = setting != nullptr ? setting : "";
  if (target.Setting.empty()) return target;
  if (SameTextNoCase(target.Setting, "off")) {
    target.Kind = tNoticeTarget::tKind::Off;
    return target;
  }
  target.Kind = tNoticeTarget::tKind::Invalid;
  const size_t colon = target.Setting.find(':');
  const std::string host = target.Setting.substr(0, colon);
  if (!IsHostName(host)) return target;
  if (colon != std::string::npos) {
    const std::string port = target.Setting.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos)
      return target;
    target.Port = std::stoi(port);
    if (target.Port < 1 || target.Port > 65535) return target;
  }
  target.Kind = tNoticeTarget::tKind::Host;
  target.Host = host;
  return target;
}

std::string FormatSyslogText(const tSyslogRec& SyslogRec, int sequence) {
  std::string text = "<";
  text += std::to_string(SyslogRec.ID / 10000);
  text += ">";
  text += GlobalSettings.SelfName;
  text += ":";
  text += FiveDigits(sequence);
  text += " ";
  text += SyslogRec.Msg;
  text += " H=\"";
  text += GlobalSettings.HostName;
  text += "\" (ID=";
  text += FiveDigits(SyslogRec.ID);
  text += ")";
  return text;
}

// Never reports: the report writer sends its own notices through here.
void PostSyslogMsg(const tSyslogRec& SyslogRec, const std::string& Host) {
  try {
    GlobalSettings.SyslogSequence = GlobalSettings.SyslogSequence == 32767
                                        ? int16_t{0}
                                        : static_cast<int16_t>(GlobalSettings.SyslogSequence + 1);
    const std::string text = FormatSyslogText(SyslogRec, GlobalSettings.SyslogSequence);
    const int32_t port = SyslogRec.Port == 0 ? kSyslogPort : SyslogRec.Port;
    if (!Host.empty()) {
      UniticastUDPPacket(text, Host, port);
      return;
    }
    const tNoticeTarget target = NoticeTargetOf(std::getenv("VARNO_NOTICE_TO"));
    const std::string setting = "VARNO_NOTICE_TO=\"" + target.Setting + "\"";
    switch (target.Kind) {
      case tNoticeTarget::tKind::Broadcast:
        BroadcastUDPPacket(text, kSyslogPort);
        break;
      case tNoticeTarget::tKind::Off:
        break;
      case tNoticeTarget::tKind::Host:
        if (UniticastUDPPacket(text, target.Host, target.Port) != 0)
          LogNoticeLine(" Failure notice not sent: " + setting +
                        " names a host that cannot be reached or found.");
        break;
      case tNoticeTarget::tKind::Invalid:
        // A mistyped setting must not fall back to telling every network.
        LogNoticeLine(" Failure notice not sent: " + setting +
                      " is not \"off\", a host or a host:PORT (PORT 1 to 65535).");
        break;
    }
  } catch (...) {
  }
}

// Never reports, for the same reason; the first failing address ends it.
int32_t BroadcastUDPPacket(const std::string& Text, int32_t Port) {
  if (Port <= 0) return 0;
  try {
    for (const std::string& address : platform::LocalIPv4Addresses()) {
      if (!platform::SendBroadcastDatagram(address, Text, Port).empty()) return kSendFailed;
    }
    return 0;
  } catch (...) {
    return kSendFailed;
  }
}

int32_t UniticastUDPPacket(const std::string& Text, const std::string& Host, int32_t Port) {
  int32_t trace = 100;
  if (Port <= 0) return 0;
  try {
    // One platform call makes the socket and sends, so its failures count as
    // failures of the send.
    trace = 300;
    const std::string error = platform::SendDatagram(Host, Text, Port);
    if (!error.empty()) throw ESocketError(error);
    trace = 800;
    return 0;
  } catch (const std::exception& e) {
    // 10051 is an unreachable network: expected on a machine without one.
    if (!Contains(e.what(), "10051")) ReportCaughtFailure("loam32.UniticastUDPPacket", e, trace);
    return kSendFailed;
  } catch (...) {
    return kSendFailed;
  }
}
