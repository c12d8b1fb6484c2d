// One-line UDP notices in syslog form.
#pragma once

#include <cstdint>
#include <string>

#include "support/failures.h"

// A socket failure, named so in reports.
class ESocketError : public VarnoError {
 public:
  explicit ESocketError(const std::string& message) : VarnoError("ESocketError", message) {}
};

struct tSyslogRec {
  int32_t ID = 0;
  std::string Msg;
  int32_t Port = 0;  // 0 means 514
};

// The datagram text for a notice with sequence number `sequence`.
std::string FormatSyslogText(const tSyslogRec& notice, int sequence);
// Where a notice without a named host goes, by the environment variable
// VARNO_NOTICE_TO: unset or empty broadcasts, "off" sends nothing, a host or
// IPv4 address with an optional ":PORT" gets it alone (port 514 by default).
struct tNoticeTarget {
  enum class tKind { Broadcast, Off, Host, Invalid } Kind = tKind::Broadcast;
  std::string Host;
  int32_t Port = 514;
  std::string Setting;  // the variable's text, for the log
};
tNoticeTarget NoticeTargetOf(const char* setting);
// Advances the sequence, formats and sends, to `host` when it is named, else
// where VARNO_NOTICE_TO says. A notice that this setting keeps from going
// out leaves one line in the run log saying why. Reports nothing: the
// exception report writer sends its notices through here.
void PostSyslogMsg(const tSyslogRec& notice, const std::string& host);
// Broadcasts `text` to 255.255.255.255:port out of every local address. 0 or
// -2 (the first failing address ends it); reports nothing.
int32_t BroadcastUDPPacket(const std::string& text, int32_t port);
// Sends `text` to one host: 0 when sent (or `port` is 0 or less), -2 when the
// network is unreachable; throws ESocketError for any other failure.
int32_t SendToHost(const std::string& text, const std::string& host, int32_t port);
