// The Windows implementation of the platform layer.
//
// Texts are UTF-8 in the program and UTF-16 in the API: the command line is
// read in UTF-16 and every name goes to the "W" functions, so names outside
// the ANSI code page work.

// clang-format off
// Winsock's headers come before <windows.h>, which would pull in an older one.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <shellapi.h>
// clang-format on

// <windows.h> maps this name to SetCurrentDirectoryA; the layer has its own.
#undef SetCurrentDirectory

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/temporary_names.h"

namespace platform {

namespace {

// A UTF-8 text in UTF-16 for the API. The program's texts are valid UTF-8,
// so nothing is lost.
std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

// A UTF-16 text of the API in UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8(const wchar_t* wide, size_t size) {
  if (size == 0) return {};
  const int count = static_cast<int>(size);
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, count, text.data(), length, nullptr, nullptr);
  return text;
}

std::string Utf8(const std::wstring& wide) {
  return Utf8(wide.data(), wide.size());
}

// The suffix of temporary files; the writer's process id follows it.
constexpr const char* kTempMarker = ".varno-tmp.";
// Sleeps between two tries of a replace that another program blocks for a
// moment (a reader or a virus scanner holding the old file open).
constexpr int kReplaceTries = 20;
constexpr DWORD kReplacePauseMilliseconds = 25;

// The system's message for `error` followed by its number in brackets.
std::string ErrorText(const std::string& what, DWORD error) {
  wchar_t* message = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string text = what + ": ";
  if (length > 0 && message != nullptr) {
    std::string system = Utf8(message, length);
    while (!system.empty() && (system.back() == '\r' || system.back() == '\n' ||
                               system.back() == ' ' || system.back() == '.'))
      system.pop_back();
    text += system + " ";
  }
  if (message != nullptr) ::LocalFree(message);
  return text + "(" + std::to_string(error) + ")";
}

std::string LastErrorText(const std::string& what) {
  return ErrorText(what, ::GetLastError());
}

std::string SocketErrorText(const std::string& what) {
  return ErrorText(what, static_cast<DWORD>(::WSAGetLastError()));
}

// Closes a handle when the scope ends unless it was closed before.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  // Hands the handle over to the caller, who closes it.
  HANDLE Release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  // Closes now so that a failing close can be seen.
  bool Close() {
    const bool closed = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

class Socket {
 public:
  explicit Socket(SOCKET socket) : socket_(socket) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
  }
  SOCKET Get() const { return socket_; }

 private:
  SOCKET socket_;
};

// Winsock is started on first use and stays up until the process ends.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// "\\?\C:\x" is "C:\x" and "\\?\UNC\server\share" is "\\server\share".
std::wstring WithoutLongPathPrefix(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

bool WriteAll(HANDLE file, const std::string& data) {
  const char* next = data.data();
  size_t left = data.size();
  while (left > 0) {
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(file, next, chunk, &written, nullptr) || written == 0) return false;
    next += written;
    left -= written;
  }
  return true;
}

HANDLE CreateForWriting(const std::string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(Wide(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsBusy(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// Moves `from` over `to`, trying again for a moment while another program
// holds `to` open.
bool MoveOver(const std::string& from, const std::string& to, DWORD& error) {
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    error = ::GetLastError();
    if (!IsBusy(error) || attempt >= kReplaceTries) return false;
    ::Sleep(kReplacePauseMilliseconds);
  }
}

// Follows `path` through symbolic links and other reparse points to the
// file that holds the data, so that a replace lands there and the link
// stays. `path` itself when it names no existing file; false when a link
// cannot be followed.
bool FinalTarget(const std::string& path, std::string& target) {
  target = path;
  Handle file(::CreateFileW(Wide(path).c_str(), 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.Valid()) {
    const DWORD error = ::GetLastError();
    // A link whose target is missing stays unwritten rather than replaced.
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    ::SetLastError(error);
    return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return false;
    if (length < final.size()) {
      final.resize(length);
      break;
    }
    final.resize(length + 1);
  }
  target = Utf8(WithoutLongPathPrefix(final));
  return true;
}

// The access rules (the discretionary access list) of `path` as a
// self-relative security descriptor; false when they cannot be read.
bool ReadAccessRules(const std::string& path, std::vector<char>& descriptor) {
  DWORD needed = 0;
  ::GetFileSecurityW(Wide(path).c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) return false;
  descriptor.resize(needed);
  return ::GetFileSecurityW(Wide(path).c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                            needed, &needed) != 0;
}

bool ProcessIsRunning(DWORD pid) {
  Handle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  // Only a process id that names no process at all proves the writer gone;
  // one we may not open is somebody's running process.
  if (!process.Valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

sockaddr_in Destination(in_addr address, int port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = ::htons(static_cast<u_short>(port));
  to.sin_addr = address;
  return to;
}

bool ParseIPv4(const std::string& text, in_addr& address) {
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

SendOutcome SendFrom(SOCKET socket, const std::string& text, const sockaddr_in& to) {
  if (::sendto(socket, text.data(), static_cast<int>(text.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
    const int error = ::WSAGetLastError();
    return {ErrorText("sendto", static_cast<DWORD>(error)), error == WSAENETUNREACH};
  }
  return {};
}

SYSTEMTIME ToSystemTime(const CivilTime& time) {
  SYSTEMTIME system{};
  system.wYear = static_cast<WORD>(time.year);
  system.wMonth = static_cast<WORD>(time.month);
  system.wDay = static_cast<WORD>(time.day);
  system.wHour = static_cast<WORD>(time.hour);
  system.wMinute = static_cast<WORD>(time.minute);
  system.wSecond = static_cast<WORD>(time.second);
  system.wMilliseconds = static_cast<WORD>(time.millisecond);
  return system;
}

CivilTime FromSystemTime(const SYSTEMTIME& system) {
  CivilTime time;
  time.year = system.wYear;
  time.month = system.wMonth;
  time.day = system.wDay;
  time.hour = system.wHour;
  time.minute = system.wMinute;
  time.second = system.wSecond;
  time.millisecond = system.wMilliseconds;
  return time;
}

// Closes a registry key when the scope ends.
class RegistryKey {
 public:
  explicit RegistryKey(HKEY key) : key_(key) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { ::RegCloseKey(key_); }
  HKEY Get() const { return key_; }

 private:
  HKEY key_;
};

// A text value of `key` (`name` null for the default value); false when it is
// missing or not a text.
bool ReadTextValue(HKEY key, const wchar_t* name, std::string& value) {
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (size > 0 &&
      ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
    return false;
  // The stored text may or may not end in its terminator.
  buffer.resize(std::wcslen(buffer.c_str()));
  value = Utf8(buffer);
  return true;
}

void ReplaceFirst(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
}

}  // namespace

std::vector<std::string> CommandLineArguments(int /*argc*/, char** /*argv*/) {
  // The C runtime's arguments are in the ANSI code page, which cannot spell
  // every name; the UTF-16 command line can.
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i], std::wcslen(wide[i])));
  ::LocalFree(wide);
  return args;
}

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    // A full buffer means the path was cut; the longest path is 32767 characters.
    if (buffer.size() > 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
  return Utf8(WithoutLongPathPrefix(buffer));
}

char PathSeparator() {
  return '\\';
}

std::string LexicallyNormalName(const std::string& name) {
  // A plain string would be read as a name in the code page.
  const std::filesystem::path path(std::u8string(name.begin(), name.end()));
  const std::u8string normal = path.lexically_normal().generic_u8string();
  return std::string(normal.begin(), normal.end());
}

bool SetCurrentDirectory(const std::string& folder) {
  return !folder.empty() && ::SetCurrentDirectoryW(Wide(folder).c_str()) != 0;
}

std::string CurrentDirectory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::wstring buffer(size, L'\0');
  const DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
  if (length == 0 || length >= size) return {};
  buffer.resize(length);
  return Utf8(buffer);
}

bool DirectoryEntryExists(const std::string& pattern) {
  if (pattern.empty()) return false;
  WIN32_FIND_DATAW entry;
  // The search matches hidden and system entries as well.
  const HANDLE search = ::FindFirstFileExW(Wide(pattern).c_str(), FindExInfoBasic, &entry,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  // "." and ".." are the folder itself and its parent, not entries in it.
  do {
    if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0) {
      found = true;
      break;
    }
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  return found;
}

std::string RegisteredApplicationPath(const std::string& name) {
  const std::string keyName = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(keyName).c_str(), 0, KEY_QUERY_VALUE, &opened) !=
      ERROR_SUCCESS)
    return {};
  RegistryKey key(opened);
  std::string folder;
  if (ReadTextValue(key.Get(), L"Path", folder)) {
    std::string path = folder + "\\" + name;
    ReplaceFirst(path, "\\\\", "\\");
    ReplaceFirst(path, ";", "\\");
    return path;
  }
  std::string standard;
  ReadTextValue(key.Get(), nullptr, standard);
  return standard;
}

std::string SiblingProgramPath() {
  return "C:\\Program Files (x86)\\Bemstead\\Zumo\\Zumo.exe";
}

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &length)) return {};
  return Utf8(name, length);
}

int CurrentProcessor() {
  return static_cast<int>(::GetCurrentProcessorNumber());
}

void RunOffProcessor(int processor, const std::function<void()>& work) {
  // Processors past the first 64 (another processor group) are not moved from.
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (processor < 0 || processor >= 64 ||
      !::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) {
    work();
    return;
  }
  const DWORD_PTR others = process & ~(DWORD_PTR{1} << processor);
  const DWORD_PTR had = others == 0 ? 0 : ::SetThreadAffinityMask(::GetCurrentThread(), others);
  if (had == 0) {
    work();
    return;
  }
  struct GiveBack {
    DWORD_PTR had;
    ~GiveBack() { ::SetThreadAffinityMask(::GetCurrentThread(), had); }
  } giveBack{had};
  work();
}

uint32_t TickCount() {
  return ::GetTickCount();
}

bool ReadMemoryFigures(MemoryFigures& figures) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return false;
  figures.totalPhys = static_cast<int64_t>(status.ullTotalPhys);
  figures.availPhys = static_cast<int64_t>(status.ullAvailPhys);
  figures.totalPageFile = static_cast<int64_t>(status.ullTotalPageFile);
  figures.availPageFile = static_cast<int64_t>(status.ullAvailPageFile);
  figures.totalVirtual = static_cast<int64_t>(status.ullTotalVirtual);
  figures.availVirtual = static_cast<int64_t>(status.ullAvailVirtual);
  return true;
}

std::vector<std::string> LocalIPv4Addresses() {
  std::vector<std::string> addresses;
  if (!WinsockStarted()) return addresses;
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return addresses;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    if (::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr) continue;
    bool seen = false;
    for (const std::string& known : addresses) seen = seen || known == text;
    if (!seen) addresses.emplace_back(text);
  }
  ::freeaddrinfo(found);
  return addresses;
}

std::string SendBroadcastDatagram(const std::string& localAddress, const std::string& text,
                                  int port) {
  if (port <= 0 || port > 65535) return "invalid port " + std::to_string(port);
  if (!WinsockStarted()) return "Winsock cannot be started";
  in_addr local{};
  if (!ParseIPv4(localAddress, local)) return "invalid local address " + localAddress;
  Socket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (socket.Get() == INVALID_SOCKET) return SocketErrorText("socket");
  const sockaddr_in from = Destination(local, 0);
  if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&from), sizeof from) == SOCKET_ERROR)
    return SocketErrorText("bind " + localAddress);
  const BOOL on = TRUE;
  if (::setsockopt(socket.Get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                   sizeof on) == SOCKET_ERROR)
    return SocketErrorText("setsockopt SO_BROADCAST");
  in_addr everyone{};
  everyone.s_addr = ::htonl(INADDR_BROADCAST);
  return SendFrom(socket.Get(), text, Destination(everyone, port)).error;
}

SendOutcome SendDatagram(const std::string& host, const std::string& text, int port) {
  if (port <= 0 || port > 65535) return {"invalid port " + std::to_string(port)};
  if (!WinsockStarted()) return {"Winsock cannot be started"};
  in_addr target{};
  if (host.empty()) {
    target.s_addr = ::htonl(INADDR_BROADCAST);
  } else if (!ParseIPv4(host, target)) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (status != 0) return {ErrorText("resolve " + host, static_cast<DWORD>(status))};
    target = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
  }
  Socket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (socket.Get() == INVALID_SOCKET) return {SocketErrorText("socket")};
  return SendFrom(socket.Get(), text, Destination(target, port));
}

ClockReading ReadClock() {
  SYSTEMTIME universal{};
  ::GetSystemTime(&universal);
  SYSTEMTIME local{};
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) ::GetLocalTime(&local);
  return {FromSystemTime(local), FromSystemTime(universal)};
}

bool LocalToUniversal(const CivilTime& local, CivilTime& universal) {
  // The range a SYSTEMTIME can hold; the API leaves wrong fields unchecked.
  if (local.year < 1601 || local.year > 30827 || local.month < 1 || local.month > 12 ||
      local.day < 1 || local.day > 31 || local.hour < 0 || local.hour > 23 || local.minute < 0 ||
      local.minute > 59 || local.second < 0 || local.second > 59 || local.millisecond < 0 ||
      local.millisecond > 999)
    return false;
  const SYSTEMTIME given = ToSystemTime(local);
  SYSTEMTIME converted{};
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &given, &converted)) return false;
  universal = FromSystemTime(converted);
  universal.millisecond = local.millisecond;
  return true;
}

void Beep(int frequencyHz, int milliseconds) {
  ::Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(milliseconds));
}

// GCC's names are encoded and read back through its ABI library; other
// compilers give the source's name already.
std::string ReadableTypeName(const char* compiledName) {
#if defined(__GNUC__)
  int status = 0;
  const std::unique_ptr<char, void (*)(void*)> readable(
      abi::__cxa_demangle(compiledName, nullptr, nullptr, &status), std::free);
  if (status == 0 && readable) return readable.get();
#endif
  return compiledName;
}

StagedReplacement::~StagedReplacement() {
  Drop();
}

void StagedReplacement::Drop() {
  if (file_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(file_));
  file_ = -1;
  if (temp_.empty()) return;
  ::DeleteFileW(Wide(temp_).c_str());
  GiveBackTemporaryName(temp_);
  temp_.clear();
}

std::string StagedReplacement::Write(const std::string& path, const std::string& data,
                                     const std::string& rightsFrom) {
  Drop();
  flushed_ = false;
  if (!FinalTarget(path, target_)) return LastErrorText("follow link " + path);
  const DWORD attributes = ::GetFileAttributesW(Wide(target_).c_str());
  replacing_ = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (replacing_ && (attributes & FILE_ATTRIBUTE_READONLY))
    return ErrorText("read-only " + path, ERROR_ACCESS_DENIED);
  // The temporary is made with the access rules the file is to have, so it
  // never lets anyone read the data the file would not.
  std::vector<char> rights;
  const bool hasRights = ReadAccessRules(rightsFrom.empty() ? target_ : rightsFrom, rights) ||
                         (!rightsFrom.empty() && ReadAccessRules(target_, rights));
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), rights.data(), FALSE};

  const std::string temp =
      TakeTemporaryName(target_, kTempMarker, std::to_string(::GetCurrentProcessId()));
  const auto create = [&] {
    return ::CreateFileW(
        Wide(temp).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        hasRights ? &security : nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE created = create();
  if (created == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
    // Our own process id in the name, which no replace under way holds: a
    // leftover of an earlier process with this id.
    ::DeleteFileW(Wide(temp).c_str());
    created = create();
  }
  if (created == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    GiveBackTemporaryName(temp);
    return ErrorText("create " + temp, error);
  }
  file_ = reinterpret_cast<std::intptr_t>(created);
  temp_ = temp;
  if (!WriteAll(created, data)) return Abandon(ErrorText("write " + temp, ::GetLastError()));
  return {};
}

std::string StagedReplacement::Append(const std::string& data) {
  if (temp_.empty()) return ErrorText("write " + target_, ERROR_INVALID_HANDLE);
  if (!WriteAll(reinterpret_cast<HANDLE>(file_), data)) {
    return Abandon(ErrorText("write " + temp_, ::GetLastError()));
  }
  return {};
}

// Windows offers no way to start a flush without waiting for it.
void StagedReplacement::StartFlush() {}

std::string StagedReplacement::Flush() {
  if (temp_.empty()) return ErrorText("flush " + target_, ERROR_INVALID_HANDLE);
  if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(file_))) {
    return Abandon(ErrorText("flush " + temp_, ::GetLastError()));
  }
  flushed_ = true;
  return {};
}

std::string StagedReplacement::PutInPlace(std::string* oldFile) {
  // The old file goes with the replace here: none is left.
  if (oldFile != nullptr) oldFile->clear();
  if (temp_.empty()) return ErrorText("replace " + target_, ERROR_INVALID_HANDLE);
  const bool closed = ::CloseHandle(reinterpret_cast<HANDLE>(file_)) != 0;
  file_ = -1;
  if (!closed) return Abandon(ErrorText("close " + temp_, ::GetLastError()));
  DWORD error = 0;
  if (!MoveOver(temp_, target_, error)) return Abandon(ErrorText("replace " + target_, error));
  GiveBackTemporaryName(temp_);
  temp_.clear();
  return {};
}

bool RemoveFile(const std::string& path) {
  return ::DeleteFileW(Wide(path).c_str()) != 0;
}

std::string AppendToFile(const std::string& path, const std::string& data) {
  // Append access puts every write at the end, also with other writers.
  Handle file(CreateForWriting(path, FILE_APPEND_DATA, OPEN_ALWAYS));
  if (!file.Valid()) return LastErrorText("open " + path);
  // An administrator's handle may write a read-only file; it stays unwritten.
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(file.Get(), &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
    return ErrorText("read-only " + path, ERROR_ACCESS_DENIED);
  if (!WriteAll(file.Get(), data)) return LastErrorText("write " + path);
  if (!file.Close()) return LastErrorText("close " + path);
  return {};
}

// Large pages need a privilege a user seldom has: the room is made of
// small pages, which the system gives zeroed.
void* TakeLargeRoom(size_t size) {
  return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void GiveBackLargeRoom(void* room, size_t /*size*/) {
  if (room != nullptr) ::VirtualFree(room, 0, MEM_RELEASE);
}

// A file is read, not mapped: a mapped file could not be replaced while the
// run holds it.
FileBytes::~FileBytes() = default;

bool FileBytes::Read(const std::string& path) {
  Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  read_.clear();
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    read_.append(buffer, got);
  }
  return true;
}

void FileBytes::Hold(std::string text) {
  read_ = std::move(text);
}

void FileBytes::Unmap() {}

bool MappedFilesUnchanged() {
  return true;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  const std::string prefix =
      base.back() == '\\' || base.back() == '/' || base.back() == ':' ? base : base + "\\";
  WIN32_FIND_DATAW entry;
  const std::string pattern = prefix + "*" + kTempMarker + "*";
  const HANDLE search = ::FindFirstFileExW(Wide(pattern).c_str(), FindExInfoBasic, &entry,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  const DWORD self = ::GetCurrentProcessId();
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = Utf8(entry.cFileName, std::wcslen(entry.cFileName));
    const size_t marker = name.rfind(kTempMarker);
    if (marker == std::string::npos) continue;
    const std::string digits = name.substr(marker + std::strlen(kTempMarker));
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const DWORD pid = static_cast<DWORD>(std::stoul(digits));
    if (pid == 0) continue;
    if (pid != self && ProcessIsRunning(pid)) continue;
    ::DeleteFileW(Wide(prefix + name).c_str());
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
}

struct RunLock {
  HANDLE file;
};

RunLock* AcquireRunLock(const std::string& path, int waitMilliseconds, bool& busy) {
  constexpr int kPollMilliseconds = 20;
  busy = false;
  HANDLE opened = CreateForWriting(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
  if (opened == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    opened = CreateForWriting(path, GENERIC_READ, OPEN_EXISTING);
  }
  Handle file(opened);
  if (!file.Valid()) return nullptr;
  // The wait is counted in sleeps, not read from a clock: a frozen or faked
  // clock must not make it endless.
  int waited = 0;
  for (;;) {
    OVERLAPPED whole{};
    if (::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &whole)) {
      // Without the record the handle is closed here, which releases the lock.
      auto* lock = new (std::nothrow) RunLock{file.Get()};
      if (lock != nullptr) file.Release();
      return lock;
    }
    if (::GetLastError() != ERROR_LOCK_VIOLATION) return nullptr;
    if (waited >= waitMilliseconds) {
      busy = true;
      return nullptr;
    }
    ::Sleep(kPollMilliseconds);
    waited += kPollMilliseconds;
  }
}

void ReleaseRunLock(RunLock* lock) {
  if (lock == nullptr) return;
  OVERLAPPED whole{};
  ::UnlockFileEx(lock->file, 0, 1, 0, &whole);
  ::CloseHandle(lock->file);
  delete lock;
}

std::string FolderHoldingFile(const std::string& path) {
  std::string target;
  if (!FinalTarget(path, target)) target = path;
  const size_t separator = target.find_last_of("\\/");
  // "C:list.json" lies in drive C's current folder, "C:.".
  if (separator == std::string::npos) {
    return target.size() >= 2 && target[1] == ':' ? target.substr(0, 2) + "." : ".";
  }
  // A root keeps its separator: "\\", "C:\\".
  const bool root = separator == 0 || (separator == 2 && target[1] == ':');
  return target.substr(0, root ? separator + 1 : separator);
}

bool SameFile(const std::string& a, const std::string& b) {
  // Folders open only with backup semantics; nothing is read or written.
  const auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    Handle file(::CreateFileW(Wide(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.Valid() && ::GetFileInformationByHandle(file.Get(), &info) != 0;
  };
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return identity(a, first) && identity(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

bool PathExists(const std::string& path) {
  // A reparse point is not followed: a link whose target is missing exists.
  return !path.empty() && ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileSize(const std::string& path, uint64_t& size) {
  if (path.empty()) return false;
  Handle file(::CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER bytes{};
  if (!file.Valid() || !::GetFileSizeEx(file.Get(), &bytes)) return false;
  size = static_cast<uint64_t>(bytes.QuadPart);
  return true;
}

bool CanOpenForAppending(const std::string& path) {
  Handle file(CreateForWriting(path, FILE_APPEND_DATA, OPEN_ALWAYS));
  return file.Valid();
}

}  // namespace platform
