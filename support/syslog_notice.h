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
// Advances the sequence, formats and sends (broadcast when `Host` is empty).
void PostSyslogMsg(const tSyslogRec& SyslogRec, const std::string& Host);
// Broadcasts `Text` to 255.255.255.255:Port out of every local address. 0 or -2.
int32_t BroadcastUDPPacket(const std::string& Text, int32_t Port);
// Sends `Text` to one host. 0 or -2.
int32_t UniticastUDPPacket(const std::string& Text, const std::string& Host, int32_t Port);
