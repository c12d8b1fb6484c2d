// Sending one notice to one host, with a report when that fails.
#pragma once

#include <cstdint>
#include <string>

// SendToHost, reported as "loam32.UniticastUDPPacket" at checkpoint 300 on any
// failure but an unreachable network: 0 sent (or no port), -2 not sent.
int32_t SendUnicastNotice(const std::string& text, const std::string& host, int32_t port);
