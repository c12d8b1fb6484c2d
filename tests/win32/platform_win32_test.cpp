// Tests of the Windows platform layer; they run under Wine on the build
// machine, inside a private network namespace.
#include <gtest/gtest.h>

// clang-format off
// Winsock's headers come before <windows.h>, which would pull in an older one.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <sddl.h>
// clang-format on

// <windows.h> maps this name to SetCurrentDirectoryA.
#undef SetCurrentDirectory

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "platform/platform.h"

namespace {

std::string Read(const std::string& path) {
  platform::FileBytes bytes;
  EXPECT_TRUE(bytes.Read(path)) << path;
  return std::string(bytes.View());
}

void Write(const std::string& path, const std::string& data) {
  ASSERT_EQ(platform::ReplaceFileAtomically(path, data, false), "") << path;
}

// A fresh folder under the system's temporary folder, removed with its files.
class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof base, base);
    path_ = std::string(base) + "varno-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter_++);
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() { Remove(path_); }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& path() const { return path_; }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = ::FindFirstFileA((path_ + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = entry.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
    return names;
  }

 private:
  static void Remove(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(path);
        else
          ::DeleteFileA(path.c_str());
      } while (::FindNextFileA(search, &entry));
      ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
  }

  static inline int counter_ = 0;
  std::string path_;
};

TEST(ExecutablePath, IsTheModulePathWithoutLongPathPrefix) {
  const std::string path = platform::ExecutablePath();
  char module[MAX_PATH + 1] = {};
  ::GetModuleFileNameA(nullptr, module, sizeof module);
  EXPECT_EQ(path, module);
  EXPECT_NE(path.rfind("\\platform_win32_tests.exe"), std::string::npos) << path;
  EXPECT_NE(path.substr(0, 4), "\\\\?\\");
  EXPECT_EQ(platform::PathSeparator(), '\\');
}

TEST(CurrentDirectory, SetAndRead) {
  TempFolder folder;
  const std::string before = platform::CurrentDirectory();
  ASSERT_TRUE(platform::SetCurrentDirectory(folder.path()));
  EXPECT_EQ(platform::CurrentDirectory(), folder.path());
  EXPECT_FALSE(platform::SetCurrentDirectory(""));
  EXPECT_FALSE(platform::SetCurrentDirectory(folder / "missing"));
  ASSERT_TRUE(platform::SetCurrentDirectory(before));
}

TEST(DirectoryEntryExists, FindsFilesAndFoldersOfAnyAttributes) {
  TempFolder folder;
  Write(folder / "h.json", "{}");
  ::SetFileAttributesA((folder / "h.json").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ::CreateDirectoryA((folder / "sub").c_str(), nullptr);
  for (const char* found : {"h.json", "*.json", "H.JSON", "?.json", "sub", "s*"})
    EXPECT_TRUE(platform::DirectoryEntryExists(folder / found)) << found;
  for (const char* missing : {"h.csv", "*.csv", "x*"})
    EXPECT_FALSE(platform::DirectoryEntryExists(folder / missing)) << missing;
  // An empty folder still lists "." and ".."; they are not entries in it.
  EXPECT_FALSE(platform::DirectoryEntryExists(folder / "sub\\*"));
  EXPECT_FALSE(platform::DirectoryEntryExists(""));
}

TEST(ReplaceFileAtomically, WritesBytesAsGivenAndLeavesOnlyTheTarget) {
  TempFolder folder;
  const std::string target = folder / "list.json";
  const std::string data = std::string("a\r\nb\nc\0d", 8);
  ASSERT_EQ(platform::ReplaceFileAtomically(target, "first", false), "");
  EXPECT_EQ(platform::ReplaceFileAtomically(target, data, true), "");
  EXPECT_EQ(Read(target), data);
  // A leftover temporary carrying our own process id does not block the next replace.
  Write(target + ".varno-tmp." + std::to_string(::GetCurrentProcessId()), "leftover");
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "last", false), "");
  EXPECT_EQ(Read(target), "last");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
}

TEST(ReplaceFileAtomically, FailureKeepsTheTargetAndLeavesNoTemporary) {
  TempFolder folder;
  ::CreateDirectoryA((folder / "target").c_str(), nullptr);
  Write(folder / "target\\inner.txt", "inner");
  EXPECT_NE(platform::ReplaceFileAtomically(folder / "target", "data", true), "");
  EXPECT_EQ(Read(folder / "target\\inner.txt"), "inner");
  EXPECT_NE(platform::ReplaceFileAtomically(folder / "missing\\x.txt", "data", false), "");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"target"});
}

TEST(ReplaceFileAtomically, LeavesReadOnlyFilesAsTheyAre) {
  TempFolder folder;
  const std::string target = folder / "list.json";
  Write(target, "kept");
  ASSERT_TRUE(::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(platform::ReplaceFileAtomically(target, "lost", true), "");
  EXPECT_NE(platform::AppendToFile(target, "lost"), "");
  EXPECT_EQ(Read(target), "kept");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
  ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ReplaceFileAtomically, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
  TempFolder folder;
  ::CreateDirectoryA((folder / "synced").c_str(), nullptr);
  const std::string real = folder / "synced\\list.json";
  Write(real, "old");
  const std::string link = folder / "list.json";
  // Wine reports success and makes nothing; the end-to-end tests follow a
  // link of the file system under it instead.
  if (!::CreateSymbolicLinkA(link.c_str(), real.c_str(),
                             SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      ::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "no symbolic links can be made here";
  EXPECT_EQ(platform::ReplaceFileAtomically(link, "new", true), "");
  EXPECT_EQ(Read(real), "new");
  EXPECT_NE(::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
}

// The access rules of `path` in the system's text form.
std::string AccessRulesOf(const std::string& path) {
  DWORD needed = 0;
  ::GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  std::vector<char> descriptor(needed);
  if (needed == 0 || !::GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                         needed, &needed))
    return "unreadable";
  char* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
    return "unconvertible";
  std::string rules = text;
  ::LocalFree(text);
  return rules;
}

// The security identifier of the user running the test, in text form.
std::string CurrentUser() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return "OW";
  DWORD needed = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  std::vector<char> user(needed);
  char* text = nullptr;
  std::string sid = "OW";
  if (needed > 0 && ::GetTokenInformation(token, TokenUser, user.data(), needed, &needed) &&
      ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
    sid = text;
    ::LocalFree(text);
  }
  ::CloseHandle(token);
  return sid;
}

TEST(ReplaceFileAtomically, CopiesTakeTheAccessRulesOfTheOriginal) {
  TempFolder folder;
  const std::string list = folder / "list.json";
  const std::string copy = folder / "list-fri.json";
  Write(copy, "open copy");
  // Only this user may use the list; the old copy is open to everyone.
  PSECURITY_DESCRIPTOR privateRules = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
      ("D:P(A;;FA;;;" + CurrentUser() + ")").c_str(), SDDL_REVISION_1, &privateRules, nullptr));
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), privateRules, FALSE};
  const HANDLE file = ::CreateFileA(list.c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ::LocalFree(privateRules);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);
  const std::string listRules = AccessRulesOf(list);
  ASSERT_NE(listRules, AccessRulesOf(copy));
  EXPECT_EQ(platform::ReplaceFileAtomically(copy, "private copy", false, list), "");
  EXPECT_EQ(AccessRulesOf(copy), listRules);
  // A replace without an original keeps the file's own rules.
  EXPECT_EQ(platform::ReplaceFileAtomically(list, "private list", false), "");
  EXPECT_EQ(AccessRulesOf(list), listRules);
  EXPECT_EQ(Read(copy), "private copy");
}

HANDLE OpenForReading(const std::string& path, DWORD share) {
  return ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(ReplaceFileAtomically, WaitsForAReaderThatLetsGoSoon) {
  TempFolder folder;
  const std::string target = folder / "list.json";
  Write(target, "old");
  const HANDLE reader = OpenForReading(target, FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::thread release([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::CloseHandle(reader);
  });
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "new", false), "");
  release.join();
  EXPECT_EQ(Read(target), "new");
}

TEST(ReplaceFileAtomically, GivesUpOnAReaderThatHoldsOn) {
  TempFolder folder;
  const std::string target = folder / "list.json";
  Write(target, "old");
  const HANDLE reader = OpenForReading(target, FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const std::string error = platform::ReplaceFileAtomically(target, "new", false);
  ::CloseHandle(reader);
  EXPECT_NE(error, "");
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(),
                                                        static_cast<int>(text.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
  return wide;
}

TEST(Names, OutsideTheAnsiCodePageAreUsedAsTheyAre) {
  // Names cross the layer in UTF-8; no character here is in code page 1252.
  TempFolder folder;
  const std::string sub = folder / "\u0441\u043f\u0438\u0441\u043e\u043a";
  const std::string list = sub + "\\\u65e5\u672c \u2713.json";
  ASSERT_TRUE(::CreateDirectoryW(Wide(sub).c_str(), nullptr));
  EXPECT_EQ(platform::ReplaceFileAtomically(list, "{}", true), "");
  EXPECT_EQ(platform::AppendToFile(list, "\r\n"), "");
  EXPECT_EQ(Read(list), "{}\r\n");
  EXPECT_NE(::GetFileAttributesW(Wide(list).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(platform::DirectoryEntryExists(sub + "\\*.json"));
  const std::string before = platform::CurrentDirectory();
  ASSERT_TRUE(platform::SetCurrentDirectory(sub));
  EXPECT_EQ(platform::CurrentDirectory(), sub);
  ASSERT_TRUE(platform::SetCurrentDirectory(before));
  Write(list + ".varno-tmp.999999996", "x");
  platform::RemoveStaleTemporaryFiles(sub);
  EXPECT_EQ(::GetFileAttributesW(Wide(list + ".varno-tmp.999999996").c_str()),
            INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW(Wide(list).c_str());
  ::RemoveDirectoryW(Wide(sub).c_str());
}

TEST(AppendAndRead, AppendCreatesThenAppendsBytesAsGiven) {
  TempFolder folder;
  const std::string log = folder / "varno-log.txt";
  EXPECT_EQ(platform::AppendToFile(log, "a\n"), "");
  EXPECT_EQ(platform::AppendToFile(log, std::string(70000, 'b') + "\r\n"), "");
  EXPECT_EQ(Read(log), "a\n" + std::string(70000, 'b') + "\r\n");
  EXPECT_NE(platform::AppendToFile(folder / "missing\\log.txt", "a"), "");
  platform::FileBytes bytes;
  EXPECT_FALSE(bytes.Read(folder / "missing.txt"));
  EXPECT_FALSE(bytes.Read(folder.path()));
}

// A process that exists but does nothing until it is ended.
class SuspendedChild {
 public:
  SuspendedChild() {
    std::string command = "\"" + platform::ExecutablePath() + "\" --gtest_list_tests";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                nullptr, nullptr, &startup, &info_) != 0;
  }
  ~SuspendedChild() {
    if (!started_) return;
    ::TerminateProcess(info_.hProcess, 0);
    ::WaitForSingleObject(info_.hProcess, 10000);
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }
  bool started() const { return started_; }
  DWORD pid() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

TEST(RemoveStaleTemporaryFiles, RemovesOnlyThoseOfEndedWriters) {
  TempFolder folder;
  SuspendedChild child;
  ASSERT_TRUE(child.started());
  const std::string self = std::to_string(::GetCurrentProcessId());
  const std::string live = std::to_string(child.pid());
  for (const std::string& name : std::vector<std::string>{
           "list.json", "a.json.varno-tmp." + self, "b.json.varno-tmp.999999996",
           "c.json.varno-tmp." + live, "d.json.varno-tmp.12x", "e.json.varno-tmp.0"})
    Write(folder / name, "x");
  platform::RemoveStaleTemporaryFiles(folder.path());
  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"c.json.varno-tmp." + live, "d.json.varno-tmp.12x",
                                      "e.json.varno-tmp.0", "list.json"}));
}

TEST(RunLock, SecondHolderWaitsAFewSleepsThenGivesUp) {
  TempFolder folder;
  const std::string path = folder / "varno.lock";
  bool busy = true;
  platform::RunLock* first = platform::AcquireRunLock(path, 0, busy);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(busy);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(platform::AcquireRunLock(path, 200, busy), nullptr);
  EXPECT_TRUE(busy);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
  platform::ReleaseRunLock(first);
  platform::RunLock* second = platform::AcquireRunLock(path, 0, busy);
  EXPECT_NE(second, nullptr);
  platform::ReleaseRunLock(second);
  EXPECT_EQ(platform::AcquireRunLock(folder / "missing\\varno.lock", 0, busy), nullptr);
  EXPECT_FALSE(busy);
}

TEST(SameFile, TellsOneFolderUnderTwoNames) {
  TempFolder folder;
  ASSERT_TRUE(::CreateDirectoryW(Wide(folder / "lists").c_str(), nullptr));
  EXPECT_TRUE(platform::SameFile(folder / "lists", folder / "lists\\..\\lists"));
  EXPECT_FALSE(platform::SameFile(folder / "lists", folder.path()));
  EXPECT_FALSE(platform::SameFile(folder / "missing", folder / "missing"));
  EXPECT_EQ(platform::FolderHoldingFile(folder / "lists\\home.json"), folder / "lists");
  EXPECT_EQ(platform::FolderHoldingFile("home.json"), ".");
  EXPECT_EQ(platform::FolderHoldingFile("C:\\home.json"), "C:\\");
  EXPECT_EQ(platform::FolderHoldingFile("C:home.json"), "C:.");
}

TEST(LocalToUniversal, FollowsTheZonesSummerTime) {
  TIME_ZONE_INFORMATION zone{};
  if (::GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.Bias != -60 ||
      zone.DaylightBias != -60)
    GTEST_SKIP() << "needs central European time (TZ=Europe/Berlin under Wine)";
  platform::CivilTime utc;
  ASSERT_TRUE(platform::LocalToUniversal({2025, 7, 1, 12, 0, 0, 123}, utc));
  EXPECT_EQ(std::vector<int>(
                {utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second, utc.millisecond}),
            std::vector<int>({2025, 7, 1, 10, 0, 0, 123}));
  ASSERT_TRUE(platform::LocalToUniversal({2025, 1, 1, 0, 30, 15, 999}, utc));
  EXPECT_EQ(std::vector<int>(
                {utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second, utc.millisecond}),
            std::vector<int>({2024, 12, 31, 23, 30, 15, 999}));
}

TEST(LocalToUniversal, RefusesTimesOutsideTheCalendar) {
  platform::CivilTime utc;
  EXPECT_FALSE(platform::LocalToUniversal({1600, 12, 31, 0, 0, 0, 0}, utc));
  EXPECT_FALSE(platform::LocalToUniversal({2025, 13, 1, 0, 0, 0, 0}, utc));
  EXPECT_FALSE(platform::LocalToUniversal({2025, 1, 1, 24, 0, 0, 0}, utc));
}

// An "App Paths" entry made for the test and removed again.
class AppPathsEntry {
 public:
  explicit AppPathsEntry(const std::string& name)
      : key_("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name) {
    made_ = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &handle_, nullptr) == ERROR_SUCCESS;
  }
  ~AppPathsEntry() {
    if (!made_) return;
    ::RegCloseKey(handle_);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key_.c_str());
  }
  bool made() const { return made_; }
  void Set(const char* name, const std::string& value) {
    ::RegSetValueExA(handle_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  }

 private:
  std::string key_;
  HKEY handle_ = nullptr;
  bool made_ = false;
};

TEST(RegisteredApplicationPath, PathValueBeforeDefaultValue) {
  const std::string name = "varno-test-" + std::to_string(::GetCurrentProcessId()) + ".exe";
  EXPECT_EQ(platform::RegisteredApplicationPath(name), "");
  AppPathsEntry entry(name);
  if (!entry.made()) GTEST_SKIP() << "the machine's registry cannot be written here";
  EXPECT_EQ(platform::RegisteredApplicationPath(name), "");
  entry.Set(nullptr, "D:\\Apps\\Default.exe");
  EXPECT_EQ(platform::RegisteredApplicationPath(name), "D:\\Apps\\Default.exe");
  // A folder ending in a backslash does not double the one put before the name.
  entry.Set("Path", "C:\\Tools\\");
  EXPECT_EQ(platform::RegisteredApplicationPath(name), "C:\\Tools\\" + name);
  entry.Set("Path", "C:\\Tools");
  EXPECT_EQ(platform::RegisteredApplicationPath(name), "C:\\Tools\\" + name);
  // A list-style value: only the first ";" becomes a backslash.
  entry.Set("Path", "C:\\A;C:\\B;");
  EXPECT_EQ(platform::RegisteredApplicationPath(name), "C:\\A\\C:\\B;\\" + name);
}

TEST(ReadMemoryFigures, AvailableNeverExceedsTotal) {
  platform::MemoryFigures figures;
  ASSERT_TRUE(platform::ReadMemoryFigures(figures));
  EXPECT_GT(figures.totalPhys, 0);
  EXPECT_LE(figures.availPhys, figures.totalPhys);
  EXPECT_GE(figures.totalPageFile, figures.totalPhys);
  EXPECT_LE(figures.availPageFile, figures.totalPageFile);
  // The user part of a 64-bit process's address space is far above 4 GB.
  EXPECT_GT(figures.totalVirtual, int64_t{1} << 32);
  EXPECT_LE(figures.availVirtual, figures.totalVirtual);
}

// A UDP socket on 127.0.0.1 or on every address, at a port of the system's choice.
class Listener {
 public:
  explicit Listener(bool everyAddress) : socket_(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(everyAddress ? INADDR_ANY : INADDR_LOOPBACK);
    int size = sizeof address;
    const DWORD wait = 2000;
    bound_ = socket_ != INVALID_SOCKET &&
             ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
             ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait),
                          sizeof wait) == 0;
    port_ = ::ntohs(address.sin_port);
  }
  ~Listener() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
  }
  bool bound() const { return bound_; }
  int port() const { return port_; }
  std::optional<std::string> Receive() {
    char buffer[2048];
    const int got = ::recv(socket_, buffer, sizeof buffer, 0);
    if (got < 0) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(got));
  }

 private:
  SOCKET socket_;
  bool bound_ = false;
  int port_ = 0;
};

class Datagrams : public ::testing::Test {
 protected:
  void SetUp() override {
    // The layer starts Winsock on first use; the test's own sockets may come first.
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { ::WSACleanup(); }
};

TEST_F(Datagrams, SentToAHostArriveWhole) {
  Listener listener(false);
  ASSERT_TRUE(listener.bound());
  const std::string text = "<0>VARNO:00001 one notice";
  EXPECT_EQ(platform::SendDatagram("127.0.0.1", text, listener.port()).error, "");
  EXPECT_EQ(listener.Receive(), text);
  EXPECT_EQ(platform::SendDatagram("localhost", "by name", listener.port()).error, "");
  EXPECT_EQ(listener.Receive(), "by name");
}

TEST_F(Datagrams, BroadcastFromTheLoopbackAddressArrives) {
  Listener listener(true);
  ASSERT_TRUE(listener.bound());
  EXPECT_EQ(platform::SendBroadcastDatagram("127.0.0.1", "to everyone", listener.port()), "");
  EXPECT_EQ(listener.Receive(), "to everyone");
}

TEST(ReadableTypeName, GivesTheSourceNameOrTheNameAsGiven) {
  EXPECT_EQ(platform::ReadableTypeName(typeid(std::out_of_range).name()), "std::out_of_range");
  EXPECT_EQ(platform::ReadableTypeName("not a compiled name"), "not a compiled name");
}

TEST_F(Datagrams, ErrorTextsCarryTheErrorNumber) {
  // 192.0.2.1 is reserved for documentation: never an address of this machine.
  // Windows refuses to bind to it (10049); Wine binds and then finds no
  // network to send on (10051). Either way the number is in the text.
  const std::string error = platform::SendBroadcastDatagram("192.0.2.1", "x", 9);
  const bool bindRefused = error.rfind("bind 192.0.2.1: ", 0) == 0 && error.size() > 7 &&
                           error.substr(error.size() - 7) == "(10049)";
  const bool sendRefused = error.rfind("sendto: ", 0) == 0 && error.size() > 7 &&
                           error.substr(error.size() - 7) == "(10051)";
  EXPECT_TRUE(bindRefused || sendRefused) << error;
  EXPECT_EQ(platform::SendBroadcastDatagram("no address", "x", 9),
            "invalid local address no address");
  EXPECT_EQ(platform::SendDatagram("127.0.0.1", "x", 0).error, "invalid port 0");
  EXPECT_EQ(platform::SendDatagram("127.0.0.1", "x", 65536).error, "invalid port 65536");
}

// Work moved off a processor runs, and the thread gets back the processors it
// had, also when the work throws.
TEST(RunOffProcessor, RunsAndGivesTheProcessorsBack) {
  DWORD_PTR had = 0;
  DWORD_PTR system = 0;
  ASSERT_TRUE(::GetProcessAffinityMask(::GetCurrentProcess(), &had, &system));
  ASSERT_NE(::SetThreadAffinityMask(::GetCurrentThread(), had), 0u);
  const int processor = platform::CurrentProcessor();
  bool ran = false;
  platform::RunOffProcessor(processor, [&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_THROW(platform::RunOffProcessor(processor, [] { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_EQ(::SetThreadAffinityMask(::GetCurrentThread(), had), had);
}

// A large room is zeroed and writable to its end, and given back whole.
TEST(LargeRoom, IsZeroedWritableAndGivenBack) {
  constexpr size_t kSize = (size_t{3} << 20) + 1;
  auto* const room = static_cast<unsigned char*>(platform::TakeLargeRoom(kSize));
  ASSERT_NE(room, nullptr);
  EXPECT_EQ(room[0], 0);
  EXPECT_EQ(room[kSize - 1], 0);
  room[kSize - 1] = 0xAB;
  platform::GiveBackLargeRoom(room, kSize);
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(room, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
  EXPECT_EQ(platform::TakeLargeRoom(SIZE_MAX), nullptr);
  platform::GiveBackLargeRoom(nullptr, 5);
}

}  // namespace
