#include "support/syslog_notice.h"

#include <cstdlib>

#include "platform/platform.h"
#include "support/date_value.h"
#include "support/settings.h"
#include "support/text_file.h"
#include "support/text_tools.h"

namespace {

constexpr int32_t kSyslogPort = 514;
constexpr int32_t kSendFailed = -2;

// At least five digits, zeros in front; a minus sign stays before them.
void AppendFiveDigits(std::string& out, long long value) {
  if (value < 0) out += '-';
  AppendZeroPadded(out, value < 0 ? -value : value, 5);
}

// A host name or dotted address: letters, digits, dots and hyphens.
bool IsHostName(const std::string& text) {
  return !text.empty() && text.find_first_not_of(
                              "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                              "0123456789.-") == std::string::npos;
}

// Appends one line without trace number to the run log.
void LogNoticeLine(const std::string& text) {
  WriteTextFile(FormatDateTime("YYYY-MM-DD HH:NN:SS.ZZZ", Now()) + text + "\r\n",
                processSettings.exeFolder + kRunLogFile, true, "");
}

// Whether `text` reached `host`; a failure is only an answer here.
bool SentQuietly(const std::string& text, const std::string& host, int32_t port) {
  try {
    return SendToHost(text, host, port) == 0;
  } catch (...) {
    return false;
  }
}

}  // namespace

NoticeTarget NoticeTargetOf(const char* setting) {
  NoticeTarget target;
  target.setting = setting != nullptr ? setting : "";
  if (target.setting.empty()) return target;
  if (SameTextNoCase(target.setting, "off")) {
    target.kind = NoticeTarget::Kind::kOff;
    return target;
  }
  target.kind = NoticeTarget::Kind::kInvalid;
  const size_t colon = target.setting.find(':');
  const std::string host = target.setting.substr(0, colon);
  if (!IsHostName(host)) return target;
  if (colon != std::string::npos) {
    const std::string port = target.setting.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos)
      return target;
    target.port = std::stoi(port);
    if (target.port < 1 || target.port > 65535) return target;
  }
  target.kind = NoticeTarget::Kind::kHost;
  target.host = host;
  return target;
}

std::string FormatSyslogText(const SyslogNotice& notice, int sequence) {
  std::string text = "<";
  AppendNumber(text, notice.id / 10000);
  text += ">";
  text += processSettings.selfName;
  text += ":";
  AppendFiveDigits(text, sequence);
  text += " ";
  text += notice.message;
  text += " H=\"";
  text += processSettings.hostName;
  text += "\" (ID=";
  AppendFiveDigits(text, notice.id);
  text += ")";
  return text;
}

// A notice that cannot be sent is dropped: there is nowhere left to tell.
void PostSyslogMsg(const SyslogNotice& notice, const std::string& host) {
  try {
    processSettings.noticeSequence = processSettings.noticeSequence == 32767
                                         ? int16_t{0}
                                         : static_cast<int16_t>(processSettings.noticeSequence + 1);
    const std::string text = FormatSyslogText(notice, processSettings.noticeSequence);
    const int32_t port = notice.port == 0 ? kSyslogPort : notice.port;
    if (!host.empty()) {
      SendToHost(text, host, port);
      return;
    }
    const NoticeTarget target = NoticeTargetOf(std::getenv("VARNO_NOTICE_TO"));
    const std::string setting = "VARNO_NOTICE_TO=\"" + target.setting + "\"";
    switch (target.kind) {
      case NoticeTarget::Kind::kBroadcast:
        BroadcastUDPPacket(text, kSyslogPort);
        break;
      case NoticeTarget::Kind::kOff:
        break;
      case NoticeTarget::Kind::kHost:
        if (!SentQuietly(text, target.host, target.port))
          LogNoticeLine(" Failure notice not sent: " + setting +
                        " names a host that cannot be reached or found.");
        break;
      case NoticeTarget::Kind::kInvalid:
        // A mistyped setting must not fall back to telling every network.
        LogNoticeLine(" Failure notice not sent: " + setting +
                      " is not \"off\", a host or a host:PORT (PORT 1 to 65535).");
        break;
    }
  } catch (...) {
  }
}

int32_t BroadcastUDPPacket(const std::string& text, int32_t port) {
  if (port <= 0) return 0;
  try {
    for (const std::string& address : platform::LocalIPv4Addresses()) {
      if (!platform::SendBroadcastDatagram(address, text, port).empty()) return kSendFailed;
    }
    return 0;
  } catch (...) {
    return kSendFailed;
  }
}

int32_t SendToHost(const std::string& text, const std::string& host, int32_t port) {
  if (port <= 0) return 0;
  const platform::SendOutcome outcome = platform::SendDatagram(host, text, port);
  if (outcome.error.empty()) return 0;
  // Expected on a machine without a network, so not worth a report.
  if (outcome.networkUnreachable) return kSendFailed;
  throw SocketError(outcome.error);
}
