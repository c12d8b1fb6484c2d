// The POSIX/Linux implementation of the platform layer.
#include <arpa/inet.h>
#include <cxxabi.h>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "platform/platform.h"
#include "platform/temporary_names.h"

namespace platform {

namespace {

// The suffix of temporary files; the writer's pid follows it.
constexpr const char* kTempMarker = ".varno-tmp.";

std::string ErrorText(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

// Closes a descriptor when the scope ends unless it was released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // Closes now so that a failing close can be seen.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& data) {
  const char* next = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

// Makes the writes of `fd`, opened without waiting (a named pipe's reader),
// wait as usual.
bool WaitingWrites(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// The file AppendToFile wrote last, held open while its name still names it:
// a run appends each log line on its own, and opening and closing the file
// for every line took three times as long as writing it.
struct HeldAppendFile {
  std::mutex lock;
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;

  void Close() {
    ::close(fd);
    fd = -1;
  }
};

HeldAppendFile& HeldAppend() {
  // Never destroyed: a line may still be appended while the process ends.
  static HeldAppendFile* held = new HeldAppendFile;
  return *held;
}

// Folder part of `path` without the final separator: "." when there is none.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows `path` through symbolic links, one at a time (a relative link
// counts from the link's own folder), to the name that holds the data, so
// that a replace lands there and the link stays. `info` gets what that name
// holds; the chain may end in a missing name (`exists` false), which the
// replace then creates. False for a loop of links.
bool FinalTarget(const std::string& path, std::string& target, struct stat& info, bool& exists) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    exists = ::lstat(target.c_str(), &info) == 0;
    if (!exists || !S_ISLNK(info.st_mode)) return true;
    std::string link(static_cast<size_t>(info.st_size) + 1, '\0');
    const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
    // A link changed meanwhile to a longer one is read again.
    if (length < 0) return false;
    if (static_cast<size_t>(length) == link.size()) continue;
    link.resize(static_cast<size_t>(length));
    const size_t slash = target.find_last_of('/');
    if (!link.empty() && link.front() != '/' && slash != std::string::npos)
      link.insert(0, target, 0, slash + 1);
    target = link;
  }
  errno = ELOOP;
  return false;
}

// A file without any write bit counts as read-only also for root, who could
// write it anyway: `chmod a-w` protects a file from every run.
bool IsReadOnly(const struct stat& info, const std::string& path) {
  return (info.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// The permissions a temporary is created with, before it holds any data:
// those of `rights` when its group is let in exactly as anybody else (the
// temporary's owner and group may still differ from the finished file's,
// and no one may read it who could not read that file); otherwise private.
mode_t CreationMode(const struct stat& rights) {
  const mode_t owner = (rights.st_mode >> 6) & 07, group = (rights.st_mode >> 3) & 07,
               other = rights.st_mode & 07;
  return group == other && (owner & other) == other ? rights.st_mode & 0777 : 0600;
}

// Gives the new, still empty file `fd` the owner and permissions of
// `rights`, changing only what differs from what it was created with. Only a
// privileged process may give the file away; the group alone is tried next,
// and a file that keeps our owner is still written. The owner goes first,
// since a change of owner clears set-id bits.
bool TakeRights(int fd, const struct stat& rights) {
  struct stat made {};
  if (::fstat(fd, &made) != 0) return false;
  if ((made.st_uid != rights.st_uid || made.st_gid != rights.st_gid) &&
      ::fchown(fd, rights.st_uid, rights.st_gid) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), rights.st_gid) != 0) {
  }
  return (made.st_mode & 07777) == (rights.st_mode & 07777) ||
         ::fchmod(fd, rights.st_mode & 07777) == 0;
}

// Puts the finished temporary in the place of `target`. With `exchange` the
// two trade names and the old file, now under the temporary name, is
// removed: on ext4 a rename over an existing file starts writing the new
// data out at once, an exchange does not. A run killed between the two
// leaves a temporary of a dead pid, which the next run removes. A file
// system without the exchange, or an old file gone meanwhile, gets a rename.
// With `oldFile` the old file is left for the caller under a name of its own
// (a later replace of the same file in this run uses the temporary name
// again), put in `*oldFile`.
bool MoveIntoPlace(const std::string& temp, const std::string& target, bool exchange,
                   std::string* oldFile) {
  if (exchange) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
      // The new file is in place whatever happens to the old one.
      const std::string left = target + ".old" + kTempMarker + std::to_string(::getpid());
      if (oldFile != nullptr && ::rename(temp.c_str(), left.c_str()) == 0) {
        *oldFile = left;
      } else {
        ::unlink(temp.c_str());
      }
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOENT) return false;
  }
  return ::rename(temp.c_str(), target.c_str()) == 0;
}

// Only "*" and "?" are wildcards; everything else must match literally, so the
// other characters fnmatch treats specially are escaped.
std::string EscapeForFnmatch(const std::string& pattern) {
  std::string escaped;
  for (char c : pattern) {
    if (c == '[' || c == ']' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// Reads what is left of the open file `fd` on to the end of `data`, through a
// small buffer that stays in the cache: the room is written once, where
// reading straight into it would first fill it with zeros. A file that grows
// meanwhile is read on to its end.
bool ReadToEnd(int fd, std::string& data) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    data.append(buffer, static_cast<size_t>(got));
  }
}

// Reads the "Name:   1234 kB" lines of a /proc file named in `names` into
// `values`, in bytes; false unless every one was found. No streams, for the
// reason LexicallyNormalName gives.
bool ReadKilobyteFields(const char* file, const char* const* names, int64_t* values, int count) {
  FileDescriptor in(::open(file, O_RDONLY | O_CLOEXEC));
  std::string text;
  if (in.Get() < 0 || !ReadToEnd(in.Get(), text)) return false;
  int found = 0;
  std::string_view rest = text;
  while (!rest.empty() && found < count) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    for (int i = 0; i < count; ++i) {
      const size_t length = std::strlen(names[i]);
      if (line.compare(0, length, names[i]) != 0 || line.size() <= length || line[length] != ':')
        continue;
      const char* digits = line.data() + length + 1;
      const char* const end = line.data() + line.size();
      while (digits != end && (*digits == ' ' || *digits == '\t')) ++digits;
      long long kilobytes = 0;
      if (std::from_chars(digits, end, kilobytes).ec != std::errc()) return false;
      values[i] = static_cast<int64_t>(kilobytes) * 1024;
      ++found;
    }
  }
  return found == count;
}

// The user part of this process's address space.
int64_t UserAddressSpace() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    return static_cast<int64_t>(limit.rlim_cur);
#if defined(__aarch64__)
  return int64_t{1} << 48;
#elif INTPTR_MAX > INT32_MAX
  return int64_t{1} << 47;
#else
  return int64_t{3} << 30;
#endif
}

bool ParseIPv4(const std::string& text, in_addr& address) {
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

SendOutcome SendFrom(int fd, const std::string& text, const sockaddr_in& to) {
  if (::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) <
      0) {
    const int error = errno;
    return {ErrorText("sendto", error), error == ENETUNREACH};
  }
  return {};
}

sockaddr_in Destination(in_addr address, int port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr = address;
  return to;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  // Arguments come as the bytes the caller gave; names are bytes here too.
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

std::string ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

char PathSeparator() {
  return '/';
}

// Written out rather than taken from std::filesystem, whose paths bring the
// C++ library's streams and locales into the program: they added 0.2 to
// 0.35 ms to the start of every run.
std::string LexicallyNormalName(const std::string& name) {
  if (name.empty()) return name;
  const bool rooted = name.front() == '/';
  // The names between separators, with "." left out and each ".." taking
  // out the name before it; the name ends in a separator when its last part
  // did or was taken out.
  std::vector<std::string_view> parts;
  bool endsInSeparator = false;
  const std::string_view whole = name;
  for (size_t at = 0; at < whole.size();) {
    const size_t end = std::min(whole.find('/', at), whole.size());
    const std::string_view part = whole.substr(at, end - at);
    at = end + 1;
    endsInSeparator = end < whole.size();
    if (part.empty()) continue;
    if (part == ".") {
      endsInSeparator = true;
    } else if (part == ".." && !parts.empty() && parts.back() != "..") {
      parts.pop_back();
      endsInSeparator = true;
    } else if (part == ".." && rooted) {
      // Nothing lies above the root.
      endsInSeparator = true;
    } else {
      parts.push_back(part);
    }
  }
  std::string normal = rooted ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) normal += '/';
    normal += parts[i];
  }
  if (parts.empty()) return rooted ? normal : ".";
  if (endsInSeparator && parts.back() != "..") normal += '/';
  return normal;
}

bool SetCurrentDirectory(const std::string& folder) {
  return !folder.empty() && ::chdir(folder.c_str()) == 0;
}

std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(std::strlen(buffer.c_str()));
      return buffer;
    }
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool DirectoryEntryExists(const std::string& pattern) {
  const size_t slash = pattern.find_last_of('/');
  const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (last.find_first_of("*?") == std::string::npos) {
    struct stat info {};
    return !pattern.empty() && ::lstat(pattern.c_str(), &info) == 0;
  }
  const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  const std::string escaped = EscapeForFnmatch(last);
  bool found = false;
  // No FNM_PERIOD: hidden entries match like any other; "." and ".." are the
  // folder itself and its parent, not entries in it.
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (::fnmatch(escaped.c_str(), name, 0) == 0) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// This platform keeps no registry of application paths.
std::string RegisteredApplicationPath(const std::string&) {
  return {};
}

// The Windows location, as on every platform: here it is one odd file name
// in the current folder, which is what a test of the look-up makes.
std::string SiblingProgramPath() {
  return "C:\\Program Files (x86)\\Bemstead\\Zumo\\Zumo.exe";
}

std::string ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  std::string plain(name);
  return plain.substr(0, plain.find('.'));
}

int CurrentProcessor() {
  return ::sched_getcpu();
}

void RunOffProcessor(int processor, const std::function<void()>& work) {
  cpu_set_t had;
  CPU_ZERO(&had);
  if (processor < 0 || processor >= CPU_SETSIZE || ::sched_getaffinity(0, sizeof had, &had) != 0) {
    work();
    return;
  }
  cpu_set_t others = had;
  CPU_CLR(processor, &others);
  if (CPU_COUNT(&others) == 0 || ::sched_setaffinity(0, sizeof others, &others) != 0) {
    work();
    return;
  }
  struct GiveBack {
    const cpu_set_t& had;
    ~GiveBack() { ::sched_setaffinity(0, sizeof had, &had); }
  } giveBack{had};
  work();
}

uint32_t TickCount() {
  timespec now{};
  if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0;
  const uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

bool ReadMemoryFigures(MemoryFigures& figures) {
  static const char* const kMemInfo[] = {"MemTotal", "MemAvailable", "CommitLimit", "Committed_AS"};
  int64_t mem[4] = {};
  if (!ReadKilobyteFields("/proc/meminfo", kMemInfo, mem, 4)) return false;
  static const char* const kStatus[] = {"VmSize"};
  int64_t mapped = 0;
  if (!ReadKilobyteFields("/proc/self/status", kStatus, &mapped, 1)) return false;

  figures.totalPhys = mem[0];
  figures.availPhys = mem[1];
  figures.totalPageFile = mem[2];
  figures.availPageFile = std::max<int64_t>(0, mem[2] - mem[3]);
  figures.totalVirtual = UserAddressSpace();
  figures.availVirtual = std::max<int64_t>(0, figures.totalVirtual - mapped);
  return true;
}

std::vector<std::string> LocalIPv4Addresses() {
  std::vector<std::string> addresses;
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return addresses;
  // No AI_ADDRCONFIG: with only loopback up it would hide the name's
  // 127.0.0.1 entry from the hosts file.
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
    if (std::find(addresses.begin(), addresses.end(), text) == addresses.end())
      addresses.emplace_back(text);
  }
  ::freeaddrinfo(found);
  return addresses;
}

std::string SendBroadcastDatagram(const std::string& localAddress, const std::string& text,
                                  int port) {
  if (port <= 0 || port > 65535) return "invalid port " + std::to_string(port);
  in_addr local{};
  if (!ParseIPv4(localAddress, local)) return "invalid local address " + localAddress;
  FileDescriptor socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (socket.Get() < 0) return ErrorText("socket", errno);
  const sockaddr_in from = Destination(local, 0);
  if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0)
    return ErrorText("bind " + localAddress, errno);
  const int on = 1;
  if (::setsockopt(socket.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
    return ErrorText("setsockopt SO_BROADCAST", errno);
  in_addr everyone{};
  everyone.s_addr = htonl(INADDR_BROADCAST);
  return SendFrom(socket.Get(), text, Destination(everyone, port)).error;
}

SendOutcome SendDatagram(const std::string& host, const std::string& text, int port) {
  if (port <= 0 || port > 65535) return {"invalid port " + std::to_string(port)};
  in_addr target{};
  if (host.empty()) {
    target.s_addr = htonl(INADDR_BROADCAST);
  } else if (!ParseIPv4(host, target)) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (status != 0) return {"resolve " + host + ": " + ::gai_strerror(status)};
    target = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
  }
  FileDescriptor socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (socket.Get() < 0) return {ErrorText("socket", errno)};
  return SendFrom(socket.Get(), text, Destination(target, port));
}

namespace {

CivilTime CivilTimeOf(const tm& broken, int millisecond) {
  CivilTime result;
  result.year = broken.tm_year + 1900;
  result.month = broken.tm_mon + 1;
  result.day = broken.tm_mday;
  result.hour = broken.tm_hour;
  result.minute = broken.tm_min;
  // A leap second (zones of the "right/" family) is the last second of its minute.
  result.second = std::min(broken.tm_sec, 59);
  result.millisecond = millisecond;
  return result;
}

}  // namespace

ClockReading ReadClock() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int millisecond = static_cast<int>(now.tv_nsec / 1000000);
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  tm universal{};
  ::gmtime_r(&now.tv_sec, &universal);
  return {CivilTimeOf(local, millisecond), CivilTimeOf(universal, millisecond)};
}

bool LocalToUniversal(const CivilTime& local, CivilTime& universal) {
  tm broken{};
  broken.tm_year = local.year - 1900;
  broken.tm_mon = local.month - 1;
  broken.tm_mday = local.day;
  broken.tm_hour = local.hour;
  broken.tm_min = local.minute;
  broken.tm_sec = local.second;
  // -1 lets the zone's rules decide whether summer time applies.
  broken.tm_isdst = -1;
  errno = 0;
  const time_t moment = ::mktime(&broken);
  if (moment == static_cast<time_t>(-1) && errno != 0) return false;
  tm utc{};
  if (::gmtime_r(&moment, &utc) == nullptr) return false;
  universal = CivilTimeOf(utc, local.millisecond);
  return true;
}

void Beep(int, int) {}

std::string ReadableTypeName(const char* compiledName) {
  int status = 0;
  const std::unique_ptr<char, void (*)(void*)> readable(
      abi::__cxa_demangle(compiledName, nullptr, nullptr, &status), std::free);
  return status == 0 && readable ? std::string(readable.get()) : std::string(compiledName);
}

namespace {

// The started program: directly by exec, its standard files on /dev/null and
// in a session of its own. A pipe closed on exec tells the starter whether
// exec failed, and why. Returns the child, or -1 with `outcome.error` set.
pid_t StartProgram(const std::string& path, const std::vector<std::string>& arguments,
                   ProgramOutcome& outcome) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    outcome.error = ErrorText("pipe", errno);
    return -1;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child < 0) {
    outcome.error = ErrorText("fork", errno);
    ::close(report[0]);
    ::close(report[1]);
    return -1;
  }
  if (child == 0) {
    ::close(report[0]);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      if (null > STDERR_FILENO) ::close(null);
    }
    ::setsid();
    ::execv(argv[0], argv.data());
    const int error = errno;
    const ssize_t written = ::write(report[1], &error, sizeof error);
    static_cast<void>(written);
    ::_exit(127);
  }
  ::close(report[1]);
  int execError = 0;
  ssize_t got = 0;
  do {
    got = ::read(report[0], &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof execError)) {
    ::waitpid(child, nullptr, 0);
    outcome.error = ErrorText("cannot start " + path, execError);
    return -1;
  }
  return child;
}

}  // namespace

ProgramOutcome RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                          int waitSeconds) {
  ProgramOutcome outcome;
  const pid_t child = StartProgram(path, arguments, outcome);
  if (child < 0) return outcome;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) {
      outcome.kind = ProgramOutcome::Kind::kFinished;
      outcome.signalled = WIFSIGNALED(status);
      outcome.status = outcome.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
      return outcome;
    }
    if (done < 0 && errno != EINTR) {
      outcome.kind = ProgramOutcome::Kind::kFinished;
      outcome.status = -1;
      return outcome;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      outcome.kind = ProgramOutcome::Kind::kTimedOut;
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

StagedReplacement::~StagedReplacement() {
  Drop();
}

void StagedReplacement::Drop() {
  if (file_ >= 0) ::close(static_cast<int>(file_));
  file_ = -1;
  direct_ = false;
  if (temp_.empty()) return;
  ::unlink(temp_.c_str());
  GiveBackTemporaryName(temp_);
  temp_.clear();
}

std::string StagedReplacement::Write(const std::string& path, const std::string& data,
                                     const std::string& rightsFrom) {
  Drop();
  flushed_ = false;
  struct stat old {};
  bool exists = false;
  if (!FinalTarget(path, target_, old, exists)) return ErrorText("follow link " + path, errno);
  if (exists && (S_ISCHR(old.st_mode) || S_ISFIFO(old.st_mode))) return WriteDirect(path, data);
  if (exists && !S_ISREG(old.st_mode)) return ErrorText("not a plain file: " + path, EINVAL);
  replacing_ = exists;
  if (replacing_ && IsReadOnly(old, target_)) return ErrorText("read-only " + path, EACCES);
  struct stat model {};
  const bool hasModel = !rightsFrom.empty() && ::stat(rightsFrom.c_str(), &model) == 0;
  const struct stat* rights = hasModel ? &model : replacing_ ? &old : nullptr;

  const std::string temp = TakeTemporaryName(target_, kTempMarker, std::to_string(::getpid()));
  // A new file without rights to take over gets what the umask allows.
  const mode_t createMode = rights != nullptr ? CreationMode(*rights) : 0644;
  int fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, createMode);
  if (fd < 0 && errno == EEXIST) {
    // Our own pid in the name, which no replace under way holds: a leftover
    // of an earlier process with this pid.
    ::unlink(temp.c_str());
    fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, createMode);
  }
  if (fd < 0) {
    const int error = errno;
    GiveBackTemporaryName(temp);
    return ErrorText("create " + temp, error);
  }
  file_ = fd;
  temp_ = temp;
  if (rights != nullptr && !TakeRights(fd, *rights)) {
    return Abandon(ErrorText("chmod " + temp, errno));
  }
  if (!WriteAll(fd, data)) return Abandon(ErrorText("write " + temp, errno));
  return {};
}

std::string StagedReplacement::WriteDirect(const std::string& path, const std::string& data) {
  // Opened without waiting for a reader of a pipe, then written as usual.
  int fd = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return ErrorText("open " + path, errno);
  file_ = fd;
  direct_ = true;
  if (!WaitingWrites(fd)) return Abandon(ErrorText("open " + path, errno));
  if (!WriteAll(fd, data)) return Abandon(ErrorText("write " + path, errno));
  return {};
}

std::string StagedReplacement::Append(const std::string& data) {
  if (temp_.empty() && !direct_) return ErrorText("write " + target_, EBADF);
  if (!WriteAll(static_cast<int>(file_), data)) {
    return Abandon(ErrorText("write " + (direct_ ? target_ : temp_), errno));
  }
  return {};
}

void StagedReplacement::StartFlush() {
  if (file_ >= 0 && !direct_)
    ::sync_file_range(static_cast<int>(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
}

std::string StagedReplacement::Flush() {
  // A device or a pipe keeps nothing to flush.
  if (direct_) return {};
  if (temp_.empty()) return ErrorText("flush " + target_, EBADF);
  if (::fsync(static_cast<int>(file_)) != 0) return Abandon(ErrorText("fsync " + temp_, errno));
  flushed_ = true;
  return {};
}

std::string StagedReplacement::PutInPlace(std::string* oldFile) {
  if (oldFile != nullptr) oldFile->clear();
  if (temp_.empty() && !direct_) return ErrorText("rename to " + target_, EBADF);
  const int closed = ::close(static_cast<int>(file_));
  file_ = -1;
  if (direct_) {
    // Written straight into: nothing takes a place.
    direct_ = false;
    return closed == 0 ? std::string() : ErrorText("close " + target_, errno);
  }
  if (closed != 0) return Abandon(ErrorText("close " + temp_, errno));
  // A flushed replace has its data out already, so a plain rename costs it
  // nothing more, unless the caller takes the old file: a rename frees a long
  // old file's pages before it returns.
  if (!MoveIntoPlace(temp_, target_, replacing_ && (!flushed_ || oldFile != nullptr), oldFile)) {
    return Abandon(ErrorText("rename to " + target_, errno));
  }
  GiveBackTemporaryName(temp_);
  temp_.clear();
  if (flushed_) {
    // The new content is in place and read by everyone from now on, so the
    // replace has succeeded. A folder that cannot be flushed (one the user
    // may write but not read, a file system that flushes no folders) leaves
    // the new name to the file system's next commit.
    const std::string folder = FolderOf(target_);
    const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
  }
  return {};
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::string AppendToFile(const std::string& path, const std::string& data) {
  HeldAppendFile& held = HeldAppend();
  const std::lock_guard<std::mutex> guard(held.lock);
  // The name is looked up each time: a file moved away or replaced, or a
  // relative name after a change of folder, is written as a fresh open would.
  struct stat named {};
  if (held.fd >= 0 && (::stat(path.c_str(), &named) != 0 || named.st_dev != held.device ||
                       named.st_ino != held.inode)) {
    held.Close();
  }
  if (held.fd < 0) {
    // A named pipe is opened without waiting for a reader, then written as usual.
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644));
    if (file.Get() < 0) return ErrorText("open " + path, errno);
    if (!WaitingWrites(file.Get())) return ErrorText("open " + path, errno);
    if (::fstat(file.Get(), &named) != 0) return ErrorText("stat " + path, errno);
    held.fd = file.Release();
    held.device = named.st_dev;
    held.inode = named.st_ino;
  }
  // Root opens a file without write bits all the same; it stays unwritten.
  if ((named.st_mode & 0222) == 0) return ErrorText("read-only " + path, EACCES);
  if (!WriteAll(held.fd, data)) {
    const int error = errno;
    held.Close();
    return ErrorText("write " + path, error);
  }
  return {};
}

namespace {

// Large pages are 2 MB: a room is aligned to them and made of whole ones.
constexpr size_t kLargePage = size_t{1} << 21;

// The whole large pages holding `size` bytes, at least one; 0 for a size too
// large to round.
size_t LargePagesFor(size_t size) {
  if (size > SIZE_MAX - 2 * kLargePage) return 0;
  return std::max(kLargePage, (size + kLargePage - 1) & ~(kLargePage - 1));
}

}  // namespace

void* TakeLargeRoom(size_t size) {
  const size_t room = LargePagesFor(size);
  if (room == 0) return nullptr;
  // Mapped one large page longer than asked, and trimmed to the aligned part.
  void* const mapped = ::mmap(nullptr, room + kLargePage, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* const start = static_cast<char*>(mapped);
  char* const aligned = reinterpret_cast<char*>(
      (reinterpret_cast<uintptr_t>(start) + kLargePage - 1) & ~uintptr_t{kLargePage - 1});
  if (aligned != start) ::munmap(start, static_cast<size_t>(aligned - start));
  char* const end = start + room + kLargePage;
  if (aligned + room != end) ::munmap(aligned + room, static_cast<size_t>(end - (aligned + room)));
  // Only a hint: without large pages the room is made of small ones.
  ::madvise(aligned, room, MADV_HUGEPAGE);
  return aligned;
}

void GiveBackLargeRoom(void* room, size_t size) {
  if (room != nullptr) ::munmap(room, LargePagesFor(size));
}

namespace {

// A mapped file and what it was when it was mapped. The bus error handler
// reads `start` and `length`, so they are atomic; `start` is 0 while the
// watch is free.
struct MappedWatch {
  std::atomic<uintptr_t> start{0};
  std::atomic<size_t> length{0};  // whole pages
  std::atomic<bool> cutShort{false};
  int fd = -1;
  off_t size = 0;
  timespec modified{};
};

// A run maps one file, its list; a few more are refused a watch and read.
MappedWatch mappedWatches[4];
std::mutex mappedWatchesMutex;
uintptr_t pageSize = 0;
struct sigaction earlierBusAction {};

// Another program that cuts a mapped file short turns the touch of a page
// past the new end into a bus error. The pages from there on are replaced by
// zeros, so the touch reads zeros, and the watch remembers it. A bus error
// anywhere else goes where it went before.
void OnBusError(int signal, siginfo_t* info, void* /*context*/) {
  const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
  for (MappedWatch& watch : mappedWatches) {
    const uintptr_t start = watch.start.load();
    const size_t length = watch.length.load();
    if (start == 0 || address < start || address - start >= length) continue;
    const uintptr_t page = address & ~(pageSize - 1);
    // Without room for the zeros the touch would fault again and again.
    if (::mmap(reinterpret_cast<void*>(page), start + length - page, PROT_READ,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
      break;
    watch.cutShort.store(true);
    return;
  }
  ::sigaction(SIGBUS, &earlierBusAction, nullptr);
  // A fault happens again on return; a signal sent by a program is sent again.
  if (info->si_code <= 0) ::raise(signal);
}

// A free watch for a file about to be mapped, or -1 when none is free.
// The bus error handler is installed with the first.
int TakeMappedWatch() {
  static const bool kInstalled = [] {
    pageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    ::sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &earlierBusAction) == 0;
  }();
  if (!kInstalled) return -1;
  for (int index = 0; index < static_cast<int>(std::size(mappedWatches)); ++index) {
    if (mappedWatches[index].fd < 0) return index;
  }
  return -1;
}

}  // namespace

FileBytes::~FileBytes() {
  Unmap();
}

bool FileBytes::Read(const std::string& path) {
  Unmap();
  read_.clear();
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return false;
  struct stat info {};
  if (::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    const std::lock_guard<std::mutex> lock(mappedWatchesMutex);
    const int index = TakeMappedWatch();
    const auto size = static_cast<size_t>(info.st_size);
    void* const start =
        index < 0 ? MAP_FAILED
                  : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.Get(), 0);
    if (start != MAP_FAILED) {
      MappedWatch& watch = mappedWatches[index];
      watch.fd = file.Release();
      watch.size = info.st_size;
      watch.modified = info.st_mtim;
      watch.cutShort.store(false);
      watch.length.store((size + pageSize - 1) & ~(pageSize - 1));
      watch.start.store(reinterpret_cast<uintptr_t>(start));
      mapped_ = static_cast<const char*>(start);
      size_ = size;
      watch_ = index;
      return true;
    }
  }
  return ReadToEnd(file.Get(), read_);
}

void FileBytes::Hold(std::string text) {
  Unmap();
  read_ = std::move(text);
}

void FileBytes::Unmap() {
  if (mapped_ == nullptr) return;
  {
    const std::lock_guard<std::mutex> lock(mappedWatchesMutex);
    MappedWatch& watch = mappedWatches[watch_];
    watch.start.store(0);
    ::close(watch.fd);
    watch.fd = -1;
  }
  ::munmap(const_cast<char*>(mapped_), size_);
  mapped_ = nullptr;
  size_ = 0;
  watch_ = -1;
}

bool MappedFilesUnchanged() {
  const std::lock_guard<std::mutex> lock(mappedWatchesMutex);
  for (const MappedWatch& watch : mappedWatches) {
    if (watch.fd < 0) continue;
    struct stat now {};
    if (watch.cutShort.load() || ::fstat(watch.fd, &now) != 0 || now.st_size != watch.size ||
        now.st_mtim.tv_sec != watch.modified.tv_sec ||
        now.st_mtim.tv_nsec != watch.modified.tv_nsec)
      return false;
  }
  return true;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::string base = folder.empty() ? "." : folder;
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return;
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const size_t marker = name.rfind(kTempMarker);
    if (marker == std::string::npos) continue;
    const std::string digits = name.substr(marker + std::strlen(kTempMarker));
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    // pid 0 would address our whole process group, so it never names a writer.
    if (pid <= 0) continue;
    if (pid != self && (::kill(pid, 0) == 0 || errno != ESRCH)) continue;
    ::unlinkat(::dirfd(dir), name.c_str(), 0);
  }
  ::closedir(dir);
}

struct RunLock {
  int fd;
};

RunLock* AcquireRunLock(const std::string& path, int waitMilliseconds, bool& busy) {
  constexpr int kPollMilliseconds = 20;
  busy = false;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // The wait is counted in sleeps, not read from a clock: a frozen or faked
  // clock must not make it endless.
  int waited = 0;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      auto* lock = new (std::nothrow) RunLock{fd};
      if (lock == nullptr) ::close(fd);
      return lock;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) break;
    if (waited >= waitMilliseconds) {
      busy = true;
      break;
    }
    timespec pause{0, kPollMilliseconds * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
    waited += kPollMilliseconds;
  }
  ::close(fd);
  return nullptr;
}

void ReleaseRunLock(RunLock* lock) {
  if (lock == nullptr) return;
  ::close(lock->fd);
  delete lock;
}

std::string FolderHoldingFile(const std::string& path) {
  std::string target;
  struct stat info {};
  bool exists = false;
  return FolderOf(FinalTarget(path, target, info, exists) ? target : path);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool FileSize(const std::string& path, uint64_t& size) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool CanOpenForAppending(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace platform
