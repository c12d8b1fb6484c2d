// The thin layer between the program and the operating system. One source file
// per platform implements it; nothing outside platform/ calls the OS directly
// for these facts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A broken-down local or universal time with milliseconds.
struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Texts and file names cross this layer in UTF-8; the layer converts where
// the operating system wants another form.

// The program's arguments after its own name; `argc` and `argv` are main's.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Full path of the running executable ("" when it cannot be found).
std::string ExecutablePath();
// The folder separator this platform prints at the end of a folder.
char PathSeparator();
// Makes `folder` the current directory; false when that fails.
bool SetCurrentDirectory(const std::string& folder);
std::string CurrentDirectory();
// True when a directory search for `pattern` ("*" and "?" allowed in the last
// component) finds at least one file or folder, hidden ones included.
bool DirectoryEntryExists(const std::string& pattern);
// Where the registry's "App Paths" entry of the executable `name` puts it:
// the entry's "Path" value, a backslash and the name (a doubled backslash
// and then a ";" made single backslashes, first occurrence each), else the
// entry's default value; "" without such an entry or without a registry.
std::string RegisteredApplicationPath(const std::string& name);
// Where the sibling program "zumo.exe" is installed by default, to be tested
// exactly as written.
std::string SiblingProgramPath();
// The machine's plain name, without a domain.
std::string ComputerName();
// Milliseconds since the machine started, wrapping like a 32-bit counter.
uint32_t TickCount();

// The processor the calling thread runs on now; -1 where that cannot be told.
int CurrentProcessor();
// Runs `work` on the calling thread kept off `processor` (from
// CurrentProcessor), then gives the thread back the processors it had. Some
// virtual machines keep a new thread waiting on the processor of the thread
// that woke it while another processor idles; work meant to run beside that
// thread is moved at once. Runs `work` as it is where `processor` is -1 or
// the thread may run on no other.
void RunOffProcessor(int processor, const std::function<void()>& work);

struct MemoryFigures {
  int64_t totalPhys = 0, availPhys = 0;
  int64_t totalPageFile = 0, availPageFile = 0;
  int64_t totalVirtual = 0, availVirtual = 0;
};
// False when the figures cannot be read.
bool ReadMemoryFigures(MemoryFigures& figures);

// The IPv4 addresses the machine's own name resolves to, dotted, in resolver order.
std::vector<std::string> LocalIPv4Addresses();
// Sends one datagram from a socket bound to `localAddress` (any port) with
// broadcasting enabled. Returns "" on success, else an error text.
std::string SendBroadcastDatagram(const std::string& localAddress, const std::string& text,
                                  int port);
// How a datagram to one host went: "" or an error text, and whether the error
// is an unreachable network, which a machine without a network always gives.
struct SendOutcome {
  std::string error;
  bool networkUnreachable = false;
};
// Sends one datagram to `host` (a name or dotted address).
SendOutcome SendDatagram(const std::string& host, const std::string& text, int port);

// The present moment as local and as universal time, from one reading of the
// clock: in the hour that repeats when summer time ends, only the reading
// tells which of the two it is.
struct ClockReading {
  CivilTime local;
  CivilTime universal;
};
ClockReading ReadClock();
// Converts a local time to universal time by the zone's rules; false on failure.
bool LocalToUniversal(const CivilTime& local, CivilTime& universal);

// Sounds a tone; a no-op where there is no speaker.
void Beep(int frequencyHz, int milliseconds);

// The name of a type as the source writes it, from the name the compiler
// gives it (std::type_info::name()); that name itself when it cannot be read.
std::string ReadableTypeName(const char* compiledName);

#ifndef _WIN32
// How a program started by RunProgram ended.
struct ProgramOutcome {
  enum class Kind { kFinished, kTimedOut, kNotStarted } kind = Kind::kNotStarted;
  int status = 0;  // the exit status, or the signal of a run that was killed
  bool signalled = false;
  std::string error;  // why it did not start
};
// Starts the program at `path` directly, without a command interpreter, with
// `arguments` after its name, its input and output on the null device and in
// a session of its own (it goes on when its starter is stopped), and waits up
// to `waitSeconds` for it to end; a run still going then is left to itself.
// Only the POSIX layer has it: the bridge program that uses it is Linux-only.
ProgramOutcome RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                          int waitSeconds);
#endif

// Replaces `path` with `data` atomically: a temporary file in the same folder,
// then a rename. With `durable` the data and the folder entry reach stable
// storage before the call returns. Returns "" on success, else an error text;
// on failure the old file is untouched and no temporary file is left.
// A symbolic link (or other reparse point) is followed: its target is
// replaced, the temporary beside it, and the link stays. A read-only file
// (no write permission for anyone, a read-only attribute, or not writable by
// this process) is not replaced, also for an administrator. The new file
// keeps the old one's permissions (and owner where the process may set it),
// or takes those of the file `rightsFrom` names; the temporary never holds
// the data with wider permissions than that. A character device or a named
// pipe at the end of the name (a link to /dev/null, say) is written straight
// into, as a program writing the name would, and is never replaced by a plain
// file; a pipe with no reader fails the write instead of waiting. A folder,
// a block device or a socket is not written. With `oldFile` given, the file
// replaced may be left under a temporary name, put in `*oldFile` ("" when
// none is left), for the caller to remove: removing a long file takes time
// the caller may spend on other work meanwhile.
inline std::string ReplaceFileAtomically(const std::string& path, const std::string& data,
                                         bool durable, const std::string& rightsFrom = {},
                                         std::string* oldFile = nullptr);
// A replace made in steps, so that other work may go on between them: the
// new content is written under the temporary name, may then be flushed to
// stable storage, and then takes the file's place. Everything
// ReplaceFileAtomically states holds for it; ReplaceFileAtomically is its
// steps taken at once. Destroyed before it is put in place (or after a
// failed step) it removes the temporary: the file stays as it was.
class StagedReplacement {
 public:
  StagedReplacement() = default;
  ~StagedReplacement();
  StagedReplacement(const StagedReplacement&) = delete;
  StagedReplacement& operator=(const StagedReplacement&) = delete;

  // Writes `data` for `path` under the temporary name. Each step returns ""
  // on success, else an error text; a step after a failed one fails.
  std::string Write(const std::string& path, const std::string& data,
                    const std::string& rightsFrom = {});
  // Writes `data` on after what was written.
  std::string Append(const std::string& data);
  // Starts writing out the data written so far without waiting for it, so
  // that a Flush after more writes has less left to wait for. Advisory: a
  // failure shows in the Flush.
  void StartFlush();
  // Makes the data written reach stable storage, and the folder entry too
  // when it is put in place.
  std::string Flush();
  // Puts the new content in the file's place; `oldFile` as for
  // ReplaceFileAtomically.
  std::string PutInPlace(std::string* oldFile = nullptr);

 private:
  void Drop();
  // Write's way for a device or a pipe: `data` written into it, no temporary.
  std::string WriteDirect(const std::string& path, const std::string& data);
  // A failed step: the temporary goes, and `error` is the step's result.
  std::string Abandon(std::string error) {
    Drop();
    return error;
  }

  std::intptr_t file_ = -1;  // the temporary, open from Write to PutInPlace
  std::string temp_;         // "" when nothing is staged
  std::string target_;
  bool replacing_ = false;
  bool flushed_ = false;
  bool direct_ = false;  // file_ is the device or pipe itself, not a temporary
};

inline std::string ReplaceFileAtomically(const std::string& path, const std::string& data,
                                         bool durable, const std::string& rightsFrom,
                                         std::string* oldFile) {
  if (oldFile != nullptr) oldFile->clear();
  StagedReplacement staged;
  std::string error = staged.Write(path, data, rightsFrom);
  if (error.empty() && durable) error = staged.Flush();
  if (error.empty()) error = staged.PutInPlace(oldFile);
  return error;
}
// Removes the file `path`; false when it could not.
bool RemoveFile(const std::string& path);
// Appends `data` to `path`, creating it when missing; a read-only file is not
// written. "" on success. Each call writes the file `path` names at that
// moment, even when the file of an earlier call is kept open for the next.
std::string AppendToFile(const std::string& path, const std::string& data);
// Room of at least `size` bytes, zeroed, for a large array that is filled at
// once and kept for the rest of the run; nullptr when the system has none.
// Where it can, the system backs it with large pages: on a virtual machine
// the first touch of each small page costs more than filling it. Given back
// by GiveBackLargeRoom with the same size.
void* TakeLargeRoom(size_t size);
void GiveBackLargeRoom(void* room, size_t size);
// The whole of a file's bytes, kept as long as the holder lives. Where the
// system can, a regular file is mapped instead of read: its bytes are then
// neither copied nor put in fresh memory, which on a virtual machine costs
// more than reading them. Where it cannot (a pipe, a file of unknown size),
// the file is read into memory.
class FileBytes {
 public:
  FileBytes() = default;
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  // Reads (or maps) the file `path` in place of what was held; false when it
  // cannot be opened or read.
  bool Read(const std::string& path);
  // Holds `text` in place of what was held.
  void Hold(std::string text);
  std::string_view View() const {
    return mapped_ != nullptr ? std::string_view(mapped_, size_) : read_;
  }

 private:
  void Unmap();

  const char* mapped_ = nullptr;
  size_t size_ = 0;
  int watch_ = -1;  // the mapped file's watch, which sees it change
  std::string read_;
};
// False when a file that a FileBytes maps has been changed or cut short since
// it was mapped: what was made from its bytes may not be what the file held.
// Reading a mapped file's bytes never fails, even when another program cuts
// the file short: the bytes lost read as zeros.
bool MappedFilesUnchanged();
// Removes temporary files that an interrupted replace left in `folder`.
void RemoveStaleTemporaryFiles(const std::string& folder);

// An exclusive lock on `path` held by this process until it ends or the
// handle is released. Waits at most `waitMilliseconds`; null when the lock
// stayed taken (`busy` true), or when the file cannot be opened or the file
// system offers no locks (`busy` false). A lock file that another user made
// is locked through reading alone.
struct RunLock;
RunLock* AcquireRunLock(const std::string& path, int waitMilliseconds, bool& busy);
void ReleaseRunLock(RunLock* lock);

// The folder that holds the data of the file `path` names, its symbolic links
// followed, ending in a separator only when it is a root ("/", "C:\\"): "."
// for a name without a folder ("C:." for "C:list.json" on Windows). A name that cannot be followed
// is taken as it stands.
std::string FolderHoldingFile(const std::string& path);
// `name` with the parts that change nothing taken out ("." and a name
// followed by ".."), as std::filesystem's lexically_normal() takes them out,
// with "/" between its parts; a UTF-8 text, as `name` is.
std::string LexicallyNormalName(const std::string& name);
// True when the two names reach one and the same file or folder.
bool SameFile(const std::string& a, const std::string& b);

// True when `path` names a file, a folder or a symbolic link (also one whose
// target is missing); no wildcards.
bool PathExists(const std::string& path);
// The size in bytes of the file `path` names (a link is followed); false when
// it cannot be read.
bool FileSize(const std::string& path, uint64_t& size);
// True when `path` can be opened for appending, created when missing.
bool CanOpenForAppending(const std::string& path);

}  // namespace platform
