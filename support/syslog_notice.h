// One-line UDP notices in syslog form.
#pragma once

#include <cstdint>
#include <string>

#include "support/failures.h"

// A socket failure, named so in reports.
class SocketError : public VarnoError {
 public:
  explicit SocketError(const std::string& message) : VarnoError("ESocketError", message) {}
};

struct SyslogNotice {
  int32_t id = 0;
  std::string message;
  int32_t port = 0;  // 0 means 514
};

// The datagram text for a notice with sequence number `sequence`.
std::string FormatSyslogText(const SyslogNotice& notice, int sequence);
// Where a notice without a named host goes, by the environment variable
// VARNO_NOTICE_TO: unset or empty broadcasts, "off" sends nothing, a host or
// IPv4 address with an optional ":PORT" gets it alone (port 514 by default).
struct NoticeTarget {
  enum class Kind { kBroadcast, kOff, kHost, kInvalid } kind = Kind::kBroadcast;
  std::string host;
  int32_t port = 514;
  std::string setting;  // the variable's text, for the log
};
NoticeTarget NoticeTargetOf(const char* setting);
// Advances the sequence, formats and sends, to `host` when it is named, else
// where VARNO_NOTICE_TO says. A notice that this setting keeps from going
// out leaves one line in the run log saying why. Reports nothing: the
// exception report writer sends its notices through here.
void PostSyslogMsg(const SyslogNotice& notice, const std::string& host);
// Broadcasts `text` to 255.255.255.255:port out of every local address. 0 or
// -2 (the first failing address ends it); reports nothing.
int32_t BroadcastUDPPacket(const std::string& text, int32_t port);
// Sends `text` to one host: 0 when sent (or `port` is 0 or less), -2 when the
// network is unreachable; throws SocketError for any other failure.
int32_t SendToHost(const std::string& text, const std::string& host, int32_t port);
