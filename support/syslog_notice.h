// One-line UDP notices in syslog form.
#pragma once

#include <cstdint>
#include <string>

struct tSyslogRec {
  int32_t ID = 0;
  std::string Msg;
  int32_t Port = 0;  // 0 means 514
};

// The datagram text for a notice with sequence number `sequence`.
std::string FormatSyslogText(const tSyslogRec& SyslogRec, int sequence);
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
// Advances the sequence, formats and sends, to `Host` when it is named, else
// where VARNO_NOTICE_TO says. A notice that this setting keeps from going
// out leaves one line in the run log saying why.
void PostSyslogMsg(const tSyslogRec& SyslogRec, const std::string& Host);
// Broadcasts `Text` to 255.255.255.255:Port out of every local address. 0 or -2.
int32_t BroadcastUDPPacket(const std::string& Text, int32_t Port);
// Sends `Text` to one host. 0 or -2.
int32_t UniticastUDPPacket(const std::string& Text, const std::string& Host, int32_t Port);
