// Helpers for the tests of the platform layer, reports and notices.
#pragma once

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/settings.h"

namespace varno_test {

// True when this process sees only loopback, so nothing it sends can leave
// the machine. Asks the kernel for this namespace's interfaces: /sys/class/net
// may still show the host's interfaces inside a fresh network namespace.
inline bool OnlyLoopback() {
  struct if_nameindex* interfaces = if_nameindex();
  if (interfaces == nullptr) return false;
  int count = 0, loopback = 0;
  for (const struct if_nameindex* entry = interfaces; entry->if_index != 0; ++entry, ++count)
    loopback += std::string(entry->if_name) == "lo";
  if_freenameindex(interfaces);
  return count == 1 && loopback == 1;
}

// A UDP socket on port 514 of `bindTo` (all addresses by default) that
// receives the notices sent on this machine. Tests run in parallel, so the
// port is shared (every listener on all addresses gets a copy of each
// broadcast) and a listener picks out the notice it waits for. Port 0 asks
// the system for a port of the listener's own.
class NoticeListener {
 public:
  explicit NoticeListener(const char* bindTo = "0.0.0.0", int port = 514)
      : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    const int on = 1;
    if (fd_ >= 0) ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, bindTo, &address.sin_addr);
    socklen_t size = sizeof address;
    if (fd_ >= 0 && (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                     ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)) {
      ::close(fd_);
      fd_ = -1;
    }
    port_ = ntohs(address.sin_port);
  }
  NoticeListener(const NoticeListener&) = delete;
  NoticeListener& operator=(const NoticeListener&) = delete;
  ~NoticeListener() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Bound() const { return fd_ >= 0; }
  int Port() const { return port_; }

  // The next datagram holding `mustContain`, or nothing when none arrives
  // within about `milliseconds`; datagrams of other tests are passed over.
  std::optional<std::string> Receive(const std::string& mustContain, int milliseconds = 2000) {
    timeval wait{0, 100 * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char buffer[65536];
    for (int waited = 0; waited < milliseconds; waited += 100) {
      const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
      if (got < 0) continue;
      std::string datagram(buffer, static_cast<size_t>(got));
      if (datagram.find(mustContain) != std::string::npos) return datagram;
    }
    return std::nullopt;
  }

 private:
  int fd_;
  int port_ = 0;
};

// Tests that may send anything over UDP start with this; it never lets them
// send outside a loopback-only namespace.
#define VARNO_LISTEN_ISOLATED(listener)                                       \
  if (!varno_test::OnlyLoopback())                                            \
    GTEST_SKIP() << "sends UDP: run inside scripts/isolated (loopback only)"; \
  varno_test::NoticeListener listener;                                        \
  if (!listener.Bound()) GTEST_SKIP() << "cannot bind UDP port 514"

// A fresh folder under $VARNO_TEST_TMP (or /tmp), removed with its content.
class TempFolder {
 public:
  TempFolder() {
    const char* root = std::getenv("VARNO_TEST_TMP");
    const std::filesystem::path base = (root != nullptr && *root != '\0') ? root : "/tmp";
    std::filesystem::create_directories(base);
    std::string pattern = (base / "varno-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// Settings of a started run, reports going to `folder`; restored afterwards.
class RunSettings {
 public:
  explicit RunSettings(const std::string& folder) : saved_(processSettings) {
    processSettings.selfName = "VARNO";
    processSettings.version = "2025.10.3.1353";
    processSettings.hostName = "desk";
    processSettings.exceptionFilePattern = "E!Varno-{timestamp}.xml";
    processSettings.exeFolder = folder + "/";
    processSettings.noticeSequence = 0;
  }
  RunSettings(const RunSettings&) = delete;
  RunSettings& operator=(const RunSettings&) = delete;
  ~RunSettings() { processSettings = saved_; }

 private:
  Settings saved_;
};

}  // namespace varno_test
