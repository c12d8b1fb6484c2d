#include "support/unicast_notice.h"

#include "support/guarded.h"
#include "support/syslog_notice.h"

namespace {

constexpr int32_t kSendFailed = -2;
// The checkpoint of the send, which a report names.
constexpr int kSendCheckpoint = 300;

}  // namespace

int32_t SendUnicastNotice(const std::string& text, const std::string& host, int32_t port) {
  return Guarded("loam32.UniticastUDPPacket", kSendCheckpoint, kSendFailed,
                 [&] { return SendToHost(text, host, port); });
}
