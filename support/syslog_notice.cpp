// Placeholder bodies; the real routines replace them.
#include "support/syslog_notice.h"

std::string FormatSyslogText(const tSyslogRec&, int) { return {}; }
void PostSyslogMsg(const tSyslogRec&, const std::string&) {}
int32_t BroadcastUDPPacket(const std::string&, int32_t) { return 0; }
int32_t UniticastUDPPacket(const std::string&, const std::string&, int32_t) { return 0; }
