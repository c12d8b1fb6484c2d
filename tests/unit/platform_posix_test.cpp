#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <typeinfo>

#include "platform/platform.h"
#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;
using varno_test::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

std::string TempNameFor(const std::string& name, pid_t pid) {
  return name + ".varno-tmp." + std::to_string(pid);
}

TEST(ReplaceFileAtomically, ReplacesAndKeepsPermissionBits) {
  const mode_t savedMask = ::umask(022);
  TempFolder folder;
  const std::string target = folder / "list.json";
  ASSERT_EQ(platform::ReplaceFileAtomically(target, "first", false), "");
  EXPECT_EQ(ModeOf(target), 0644u);
  // 0666 is wider than the umask lets a new file be: it must come from the old one.
  for (mode_t mode : {mode_t{0600}, mode_t{0666}}) {
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    const std::string data = std::string("a\r\n\0b", 5) + std::to_string(mode);
    EXPECT_EQ(platform::ReplaceFileAtomically(target, data, mode == 0666), "");
    EXPECT_EQ(ReadFile(target), data);
    EXPECT_EQ(ModeOf(target), mode);
  }
  // A leftover temporary carrying our own pid does not block the next replace.
  WriteFile(folder / TempNameFor("list.json", ::getpid()), "leftover");
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "last", false), "");
  EXPECT_EQ(ReadFile(target), "last");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
  ::umask(savedMask);
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info;
}

TEST(ReplaceFileAtomically, PutsTheNewFileInPlaceAndDropsTheOldOne) {
  TempFolder folder;
  const std::string target = folder / "list.csv";
  const std::string held = folder / "held.csv";
  WriteFile(target, "old text");
  // A second name for the old file shows what happens to it.
  ASSERT_EQ(::link(target.c_str(), held.c_str()), 0);
  const ino_t oldFile = StatOf(target).st_ino;
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "new text", false), "");
  EXPECT_EQ(ReadFile(target), "new text");
  EXPECT_NE(StatOf(target).st_ino, oldFile);
  EXPECT_EQ(ReadFile(held), "old text");
  EXPECT_EQ(StatOf(held).st_nlink, 1u);
  EXPECT_EQ(platform::ReplaceFileAtomically(folder / "new.csv", "made", false), "");
  EXPECT_EQ(ReadFile(folder / "new.csv"), "made");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"held.csv", "list.csv", "new.csv"}));
}

// The caller removes the old file later, on a thread of its own; the file
// may be replaced again before that, and a run killed before it leaves a
// temporary the next run removes.
TEST(ReplaceFileAtomically, LeavesTheOldFileToTheCallerUnderANameOfItsOwn) {
  TempFolder folder;
  const std::string target = folder / "list.csv";
  WriteFile(target, "first");
  std::string oldFile = "stale";
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "second", false, "", &oldFile), "");
  EXPECT_EQ(ReadFile(target), "second");
  ASSERT_NE(oldFile, "");
  EXPECT_EQ(ReadFile(oldFile), "first");
  std::string again;
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "third", false, "", &again), "");
  EXPECT_EQ(ReadFile(target), "third");
  EXPECT_EQ(ReadFile(again), "second");
  // A new file leaves nothing; a flushed replace leaves its old file too.
  std::string none = "stale";
  EXPECT_EQ(platform::ReplaceFileAtomically(folder / "new.csv", "made", false, "", &none), "");
  EXPECT_EQ(none, "");
  std::string flushed;
  EXPECT_EQ(platform::ReplaceFileAtomically(target, "fourth", true, "", &flushed), "");
  EXPECT_EQ(ReadFile(target), "fourth");
  EXPECT_EQ(ReadFile(flushed), "third");
  platform::RemoveStaleTemporaryFiles(folder.path());
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"list.csv", "new.csv"}));
}

TEST(ReplaceFileAtomically, ReadersSeeOnlyWholeTexts) {
  TempFolder folder;
  const std::string target = folder / "list.ics";
  const std::string first(65536, 'a'), second(40000, 'b');
  WriteFile(target, first);
  const pid_t reader = ::fork();
  if (reader == 0) {
    // Reads until told to stop; exit status 1 for any text seen cut or mixed.
    while (!std::filesystem::exists(folder / "stop")) {
      const std::string seen = ReadFile(target);
      if (seen != first && seen != second) ::_exit(1);
    }
    ::_exit(0);
  }
  for (int round = 0; round < 60; ++round)
    ASSERT_EQ(platform::ReplaceFileAtomically(target, round % 2 ? first : second, false), "");
  WriteFile(folder / "stop", "");
  int status = -1;
  ASSERT_EQ(::waitpid(reader, &status, 0), reader);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"list.ics", "stop"}));
}

TEST(ReplaceFileAtomically, RenamesWhereNamesCannotBeExchanged) {
  TempFolder folder;
  const std::string target = folder / "list.csv";
  WriteFile(target, "old");
  const pid_t child = ::fork();
  if (child == 0) {
    // As on a file system without the exchange: renameat2 fails with EINVAL.
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
      ::_exit(3);
    ::_exit(platform::ReplaceFileAtomically(target, "new", false).empty() ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.csv"});
}

TEST(ReplaceFileAtomically, FailureLeavesTargetAndNoTemporary) {
  TempFolder folder;
  const std::string target = folder / "target";
  std::filesystem::create_directory(target);
  WriteFile(target + "/inner.txt", "inner");
  EXPECT_NE(platform::ReplaceFileAtomically(target, "data", true), "");
  EXPECT_EQ(ReadFile(target + "/inner.txt"), "inner");
  EXPECT_NE(platform::ReplaceFileAtomically(folder / "missing/x.txt", "data", false), "");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"target"});
}

TEST(ReplaceFileAtomically, ReplacesTheTargetOfSymbolicLinksAndKeepsTheLinks) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "synced");
  const std::string real = folder / "synced/list.json";
  WriteFile(real, "old");
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  // A relative link counts from its own folder; a chain is followed to its end.
  std::filesystem::create_symlink("synced/list.json", folder / "relative.json");
  std::filesystem::create_symlink(folder / "relative.json", folder / "list.json");
  EXPECT_EQ(platform::ReplaceFileAtomically(folder / "list.json", "new", true), "");
  EXPECT_EQ(ReadFile(real), "new");
  EXPECT_EQ(ModeOf(real), 0600u);
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "list.json"));
  EXPECT_EQ(std::filesystem::read_symlink(folder / "relative.json"), "synced/list.json");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"list.json", "relative.json", "synced"}));

  // A link to a missing file creates that file; a loop of links writes nothing.
  std::filesystem::create_symlink("synced/new.json", folder / "dangling.json");
  EXPECT_EQ(platform::ReplaceFileAtomically(folder / "dangling.json", "made", false), "");
  EXPECT_EQ(ReadFile(folder / "synced/new.json"), "made");
  std::filesystem::create_symlink("loop.json", folder / "loop.json");
  EXPECT_NE(platform::ReplaceFileAtomically(folder / "loop.json", "x", false), "");
  EXPECT_EQ(platform::AppendToFile(folder / "list.json", "+"), "");
  EXPECT_EQ(ReadFile(real), "new+");
  EXPECT_EQ(std::filesystem::directory_iterator(folder / "synced")
                ->path()
                .filename()
                .string()
                .find(".varno-tmp."),
            std::string::npos);
}

TEST(ReplaceFileAtomically, LeavesReadOnlyFilesAsTheyAre) {
  TempFolder folder;
  const std::string file = folder / "list.json";
  WriteFile(file, "kept");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  // Also when this test runs as root, who could write it anyway.
  EXPECT_NE(platform::ReplaceFileAtomically(file, "lost", true), "");
  EXPECT_NE(platform::AppendToFile(file, "lost"), "");
  std::filesystem::create_symlink("list.json", folder / "link.json");
  EXPECT_NE(platform::ReplaceFileAtomically(folder / "link.json", "lost", false), "");
  EXPECT_EQ(ReadFile(file), "kept");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.json", "list.json"}));
}

TEST(ReplaceFileAtomically, LeavesFilesTheUserMayNotWriteInAFolderItMayWrite) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a child as another user";
  TempFolder folder;
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  const std::string file = folder / "list.json";
  WriteFile(file, "kept");
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    // The folder would let a rename through; the file's own bits must stop it.
    ::_exit(platform::ReplaceFileAtomically(file, "lost", false).empty() ? 1 : 0);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(file), "kept");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
}

TEST(ReplaceFileAtomically, KeepsTheOwnerOrTakesTheRightsOfAnotherFile) {
  const mode_t savedMask = ::umask(022);
  TempFolder folder;
  const std::string list = folder / "list.json";
  const std::string copy = folder / "list-fri.json";
  WriteFile(list, "private");
  ASSERT_EQ(::chmod(list.c_str(), 0600), 0);
  // A new copy and an old world-readable one both become as private as the list.
  EXPECT_EQ(platform::ReplaceFileAtomically(copy, "copy", false, list), "");
  EXPECT_EQ(ModeOf(copy), 0600u);
  ASSERT_EQ(::chmod(copy.c_str(), 0644), 0);
  EXPECT_EQ(platform::ReplaceFileAtomically(copy, "copy", false, list), "");
  EXPECT_EQ(ModeOf(copy), 0600u);
  EXPECT_EQ(ReadFile(copy), "copy");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(list.c_str(), 4321, 4322), 0);
    ASSERT_EQ(::chmod(list.c_str(), 0640), 0);
    EXPECT_EQ(platform::ReplaceFileAtomically(list, "again", false), "");
    EXPECT_EQ(platform::ReplaceFileAtomically(copy, "again", false, list), "");
    for (const std::string& file : {list, copy}) {
      struct stat info {};
      ASSERT_EQ(::stat(file.c_str(), &info), 0);
      EXPECT_EQ(std::vector<unsigned>({info.st_uid, info.st_gid, info.st_mode & 07777u}),
                std::vector<unsigned>({4321, 4322, 0640}))
          << file;
    }
  }
  ::umask(savedMask);
}

TEST(ReplaceFileAtomically, KeepsTheGroupInAFolderThatHandsOutItsOwn) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the folder another group";
  TempFolder folder;
  // New files in a set-group-id folder take the folder's group, not ours.
  ASSERT_EQ(::chown(folder.path().c_str(), 0, 4322), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 02755), 0);
  const std::string file = folder / "list.json";
  WriteFile(file, "old");
  ASSERT_EQ(::chown(file.c_str(), ::geteuid(), ::getegid()), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  EXPECT_EQ(platform::ReplaceFileAtomically(file, "new", false), "");
  const struct stat info = StatOf(file);
  EXPECT_EQ(std::vector<unsigned>({info.st_gid, info.st_mode & 07777u}),
            std::vector<unsigned>({::getegid(), 0640}));
}

// Between its steps the old file stays whole under its name; a replace
// given up, or failed at any step, leaves it as it was and no temporary.
TEST(StagedReplacement, ReplacesOnlyWhenPutInPlace) {
  TempFolder folder;
  const std::string target = folder / "list.json";
  WriteFile(target, "old");
  {
    platform::StagedReplacement given;
    EXPECT_EQ(given.Write(target, "given up"), "");
    EXPECT_EQ(given.Flush(), "");
    EXPECT_EQ(ReadFile(target), "old");
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
  // A flush started between the pieces changes nothing the file holds.
  platform::StagedReplacement staged;
  EXPECT_EQ(staged.Write(target, "ne"), "");
  staged.StartFlush();
  EXPECT_EQ(staged.Append("w"), "");
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(staged.Flush(), "");
  std::string oldFile;
  EXPECT_EQ(staged.PutInPlace(&oldFile), "");
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(ReadFile(oldFile), "old");
  ASSERT_TRUE(platform::RemoveFile(oldFile));
  EXPECT_NE(staged.PutInPlace(), "");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  platform::StagedReplacement failed;
  EXPECT_NE(failed.Write(target, "lost"), "");
  failed.StartFlush();
  EXPECT_NE(failed.Flush(), "");
  EXPECT_NE(failed.PutInPlace(), "");
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"list.json"});
}

// Two replaces of one file under way at once, here by a name and by a link
// to it, each write a temporary of their own: the one put in place last wins.
TEST(StagedReplacement, ReplacesOfOneFileAtOnceKeepApart) {
  TempFolder folder;
  const std::string target = folder / "list.json";
  WriteFile(target, "old");
  std::filesystem::create_symlink("list.json", folder / "link.json");
  platform::StagedReplacement byName, byLink;
  ASSERT_EQ(byName.Write(target, "by name"), "");
  ASSERT_EQ(byLink.Write(folder / "link.json", "by link"), "");
  EXPECT_EQ(byName.Flush(), "");
  EXPECT_EQ(byName.PutInPlace(), "");
  EXPECT_EQ(ReadFile(target), "by name");
  EXPECT_EQ(byLink.PutInPlace(), "");
  EXPECT_EQ(ReadFile(target), "by link");
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.json"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.json", "list.json"}));
}

TEST(AppendAndRead, AppendCreatesThenAppends) {
  TempFolder folder;
  const std::string log = folder / "varno-log.txt";
  EXPECT_EQ(platform::AppendToFile(log, "a"), "");
  EXPECT_EQ(platform::AppendToFile(log, std::string(70000, 'b')), "");
  platform::FileBytes bytes;
  ASSERT_TRUE(bytes.Read(log));
  EXPECT_EQ(bytes.View(), "a" + std::string(70000, 'b'));
  EXPECT_NE(platform::AppendToFile(folder / "missing/log.txt", "a"), "");
  EXPECT_FALSE(bytes.Read(folder / "missing.txt"));
  EXPECT_FALSE(bytes.Read(folder.path()));
}

// A log line goes to the file its name names now: after the log is moved
// away, replaced or made read-only, and for a relative name in another folder.
TEST(AppendAndRead, AppendsToTheFileTheNameNamesNow) {
  TempFolder first, second;
  const std::string log = first / "varno-log.txt";
  EXPECT_EQ(platform::AppendToFile(log, "1"), "");
  std::filesystem::rename(log, first / "moved.txt");
  EXPECT_EQ(platform::AppendToFile(log, "2"), "");
  EXPECT_EQ(platform::ReplaceFileAtomically(log, "new", false), "");
  EXPECT_EQ(platform::AppendToFile(log, "3"), "");
  EXPECT_EQ(ReadFile(first / "moved.txt"), "1");
  EXPECT_EQ(ReadFile(log), "new3");
  ASSERT_EQ(::chmod(log.c_str(), 0444), 0);
  EXPECT_NE(platform::AppendToFile(log, "lost"), "");
  EXPECT_EQ(ReadFile(log), "new3");

  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(first.path());
  EXPECT_EQ(platform::AppendToFile("relative.txt", "a"), "");
  std::filesystem::current_path(second.path());
  EXPECT_EQ(platform::AppendToFile("relative.txt", "b"), "");
  std::filesystem::current_path(before);
  EXPECT_EQ(ReadFile(first / "relative.txt"), "a");
  EXPECT_EQ(ReadFile(second / "relative.txt"), "b");
}

TEST(LargeRoom, IsZeroedAlignedWholeAndGivenBackWhole) {
  constexpr size_t kLargePage = size_t{1} << 21;
  const long page = ::sysconf(_SC_PAGESIZE);
  unsigned char residence = 0;
  for (const size_t size : {size_t{0}, size_t{1}, kLargePage, 3 * kLargePage + 1}) {
    auto* const room = static_cast<unsigned char*>(platform::TakeLargeRoom(size));
    ASSERT_NE(room, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(room) % kLargePage, 0u) << size;
    const size_t whole = std::max(kLargePage, (size + kLargePage - 1) / kLargePage * kLargePage);
    EXPECT_EQ(room[0], 0);
    EXPECT_EQ(room[whole - 1], 0);
    std::fill(room, room + whole, 0xAB);
    platform::GiveBackLargeRoom(room, size);
    // Nothing of it stays mapped, its last page included.
    errno = 0;
    EXPECT_NE(::mincore(room + whole - page, static_cast<size_t>(page), &residence), 0);
    EXPECT_EQ(errno, ENOMEM) << size;
  }
  EXPECT_EQ(platform::TakeLargeRoom(SIZE_MAX), nullptr);
  EXPECT_EQ(platform::TakeLargeRoom(SIZE_MAX - kLargePage), nullptr);
  platform::GiveBackLargeRoom(nullptr, 5);
}

TEST(AppendAndRead, ReadsFilesWhoseSizeSaysNothing) {
  TempFolder folder;
  const std::string empty = folder / "empty.json";
  WriteFile(empty, "");
  platform::FileBytes bytes;
  bytes.Hold("old");
  ASSERT_TRUE(bytes.Read(empty));
  EXPECT_EQ(bytes.View(), "");
  // Such files report a size of 0 and still have a content.
  ASSERT_TRUE(bytes.Read("/proc/self/status"));
  EXPECT_EQ(bytes.View().rfind("Name:", 0), 0u);
  EXPECT_EQ(bytes.View().back(), '\n');
}

// A file written an hour ago, so that a change now shows in its time.
std::string FileOfAnHourAgo(const TempFolder& folder, const std::string& content) {
  const std::string file = folder / "list.json";
  WriteFile(file, content);
  const timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  EXPECT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  return file;
}

// A long file is mapped, and another program changing it under the run is
// seen. One that cuts it short neither stops the run nor lets it read
// memory the file no longer backs: the bytes lost read as zeros.
TEST(AppendAndRead, FileChangedWhileMappedIsSeen) {
  TempFolder folder;
  const std::string content = std::string(3 << 20, 'x') + "end";
  {
    const std::string file = FileOfAnHourAgo(folder, content);
    platform::FileBytes bytes;
    ASSERT_TRUE(bytes.Read(file));
    EXPECT_EQ(bytes.View(), content);
    EXPECT_TRUE(platform::MappedFilesUnchanged());
    ASSERT_EQ(::truncate(file.c_str(), 4096), 0);
    const std::string_view view = bytes.View();
    EXPECT_EQ(view.size(), content.size());
    EXPECT_EQ(view[4095], 'x');
    EXPECT_EQ(view[8192], '\0');
    EXPECT_EQ(view.substr(view.size() - 3), std::string(3, '\0'));
    EXPECT_FALSE(platform::MappedFilesUnchanged());
    // Held text in its place: nothing is mapped, nothing has changed.
    bytes.Hold("text");
    EXPECT_EQ(bytes.View(), "text");
    EXPECT_TRUE(platform::MappedFilesUnchanged());
  }
  {
    // Written over in place, at the same size.
    const std::string file = FileOfAnHourAgo(folder, content);
    platform::FileBytes bytes;
    ASSERT_TRUE(bytes.Read(file));
    WriteFile(file, std::string(content.size(), 'y'));
    EXPECT_FALSE(platform::MappedFilesUnchanged());
  }
  // Once the bytes are let go, a change no longer matters.
  EXPECT_TRUE(platform::MappedFilesUnchanged());
  // More files than are watched at once are read instead.
  const std::string file = FileOfAnHourAgo(folder, content);
  std::vector<platform::FileBytes> many(6);
  for (platform::FileBytes& bytes : many) ASSERT_TRUE(bytes.Read(file));
  for (const platform::FileBytes& bytes : many) EXPECT_EQ(bytes.View(), content);
}

// A bus error that is not a mapped file's still ends the program as one.
TEST(AppendAndRead, OtherBusErrorsStillEndTheProgram) {
  TempFolder folder;
  platform::FileBytes bytes;
  ASSERT_TRUE(bytes.Read(FileOfAnHourAgo(folder, "x")));
  EXPECT_DEATH(::raise(SIGBUS), "");
}

TEST(RemoveStaleTemporaryFiles, RemovesOnlyTemporariesOfDeadOrOwnPids) {
  TempFolder folder;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string live = TempNameFor("live.json", ::getppid());
  for (const std::string& name :
       {TempNameFor("dead.json", child), live, TempNameFor("own.json", ::getpid()),
        std::string("odd.varno-tmp.12x"), std::string("plain.json")})
    WriteFile(folder / name, "x");
  platform::RemoveStaleTemporaryFiles(folder.path());
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{live, "odd.varno-tmp.12x", "plain.json"}));
}

// AcquireRunLock in a child process (as the user `user` when not 0): exit
// status 0 when it got the lock, 1 when it gave up busy after the full wait,
// 2 otherwise, 3 when it could not act as that user or reach the file.
int TryLockInChild(const std::string& path, int waitMilliseconds, uid_t user = 0) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (user != 0 && (::setuid(user) != 0 || ::access(path.c_str(), R_OK) != 0)) ::_exit(3);
    const auto start = std::chrono::steady_clock::now();
    bool busy = false;
    if (platform::AcquireRunLock(path, waitMilliseconds, busy) != nullptr) ::_exit(0);
    const auto waited = std::chrono::steady_clock::now() - start;
    ::_exit(busy && waited >= std::chrono::milliseconds(waitMilliseconds) ? 1 : 2);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RunLock, SecondHolderWaitsBoundedlyThenSucceedsAfterRelease) {
  TempFolder folder;
  const std::string path = folder / "varno.lock";
  bool busy = true;
  platform::RunLock* lock = platform::AcquireRunLock(path, 0, busy);
  ASSERT_NE(lock, nullptr);
  EXPECT_FALSE(busy);
  EXPECT_EQ(TryLockInChild(path, 150), 1);
  platform::ReleaseRunLock(lock);
  EXPECT_EQ(TryLockInChild(path, 150), 0);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(platform::AcquireRunLock(folder / "missing/varno.lock", 0, busy), nullptr);
  EXPECT_FALSE(busy);
}

// The web server's copy of the program, run as its own user, makes the lock
// beside a list; another user's run must still take its turn there.
TEST(RunLock, ALockFileOfAnotherUserIsLockedThroughReading) {
  if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
  // In /tmp itself, which every user may pass through, whatever folder the
  // other tests are given.
  std::string folder = "/tmp/varno-lock-XXXXXX";
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const struct Cleanup {
    std::string path;
    ~Cleanup() { std::filesystem::remove_all(path); }
  } cleanup{folder};
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
  const std::string path = folder + "/varno.lock";
  bool busy = false;
  platform::RunLock* lock = platform::AcquireRunLock(path, 0, busy);
  ASSERT_NE(lock, nullptr);
  const uid_t nobody = 65534;
  const int whileHeld = TryLockInChild(path, 150, nobody);
  platform::ReleaseRunLock(lock);
  if (whileHeld == 3) GTEST_SKIP() << "no other user to act as, or /tmp is closed to it";
  EXPECT_EQ(whileHeld, 1);
  EXPECT_EQ(TryLockInChild(path, 0, nobody), 0);
}

// A list linked beside the program is locked where its data lies.
TEST(FolderHoldingFile, FollowsLinksToWhereTheDataLies) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "lists");
  WriteFile(folder / "lists/home.json", "{}");
  std::filesystem::create_symlink("lists/home.json", folder / "home.json");
  EXPECT_EQ(platform::FolderHoldingFile(folder / "home.json"), folder / "lists");
  EXPECT_EQ(platform::FolderHoldingFile("home.json"), ".");
  EXPECT_EQ(platform::FolderHoldingFile(folder / "missing.json"), folder.path());
  EXPECT_EQ(platform::FolderHoldingFile("/home.json"), "/");
  std::filesystem::create_symlink("loop.json", folder / "loop.json");
  EXPECT_EQ(platform::FolderHoldingFile(folder / "loop.json"), folder.path());
  EXPECT_TRUE(platform::SameFile(folder / "lists", folder / "lists/../lists"));
  EXPECT_FALSE(platform::SameFile(folder / "lists", folder.path()));
  EXPECT_FALSE(platform::SameFile(folder / "missing", folder / "missing"));
}

// The figures of an exception report, read from the kernel's own lines.
TEST(ReadMemoryFigures, ReadsTheKernelsFiguresInBytes) {
  platform::MemoryFigures figures;
  ASSERT_TRUE(platform::ReadMemoryFigures(figures));
  EXPECT_EQ(figures.totalPhys,
            static_cast<int64_t>(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE));
  EXPECT_GT(figures.availPhys, 0);
  EXPECT_LE(figures.availPhys, figures.totalPhys);
  EXPECT_GT(figures.totalPageFile, 0);
  // This process maps something.
  EXPECT_LT(figures.availVirtual, figures.totalVirtual);
}

// Names of separators, dots and dot-dots in every order, rooted or not,
// with and without a separator at the end: normal as the standard library
// makes them.
TEST(LexicallyNormalName, AgreesWithTheStandardLibrary) {
  std::mt19937 random(20261211);
  const std::vector<std::string> pieces = {"a", "b.json", "/", "//", ".", "..", "...", ".x"};
  for (int round = 0; round < 20000; ++round) {
    std::string name;
    for (int n = static_cast<int>(random() % 7); n > 0; --n)
      name += pieces[random() % pieces.size()];
    EXPECT_EQ(platform::LexicallyNormalName(name),
              std::filesystem::path(name).lexically_normal().generic_string())
        << "name \"" << name << "\"";
  }
  EXPECT_EQ(platform::LexicallyNormalName("lists/../home/./list.json"), "home/list.json");
  EXPECT_EQ(platform::LexicallyNormalName("/../list.json"), "/list.json");
  EXPECT_EQ(platform::LexicallyNormalName("a/.."), ".");
}

TEST(DirectoryEntryExists, MatchesWildcardsHiddenEntriesAndFolders) {
  TempFolder folder;
  WriteFile(folder / "data.json", "{}");
  WriteFile(folder / ".hidden", "");
  WriteFile(folder / "x1.txt", "");
  std::filesystem::create_directory(folder / "sub");
  std::filesystem::create_directory(folder / "empty");

  for (const char* found : {"*.json", "?ata.js?n", ".hid*", ".hidden", "sub", "su?"})
    EXPECT_TRUE(platform::DirectoryEntryExists(folder / found)) << found;
  for (const char* missing : {"*.csv", "missing", "missing/*", "empty/*"})
    EXPECT_FALSE(platform::DirectoryEntryExists(folder / missing)) << missing;
  // Only "*" and "?" are wildcards: brackets match themselves.
  EXPECT_FALSE(platform::DirectoryEntryExists(folder / "x[1]*"));
  WriteFile(folder / "x[1].txt", "");
  EXPECT_TRUE(platform::DirectoryEntryExists(folder / "x[1]*"));
}

TEST(LocalToUniversal, FollowsTheZoneRulesIncludingSummerTime) {
  const char* saved = std::getenv("TZ");
  const std::string savedValue = saved != nullptr ? saved : "";
  // A rule string needs no zone database: UTC+1, in summer UTC+2.
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  platform::CivilTime utc;
  ASSERT_TRUE(platform::LocalToUniversal({2025, 7, 1, 12, 0, 0, 123}, utc));
  EXPECT_EQ(utc.hour, 10);
  EXPECT_EQ(utc.millisecond, 123);
  ASSERT_TRUE(platform::LocalToUniversal({2025, 1, 1, 0, 30, 15, 999}, utc));
  EXPECT_EQ(std::vector<int>({utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second}),
            std::vector<int>({2024, 12, 31, 23, 30, 15}));
  saved != nullptr ? ::setenv("TZ", savedValue.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

TEST(ReadableTypeName, GivesTheSourceNameOrTheNameAsGiven) {
  EXPECT_EQ(platform::ReadableTypeName(typeid(std::out_of_range).name()), "std::out_of_range");
  EXPECT_EQ(platform::ReadableTypeName("not a compiled name"), "not a compiled name");
}

TEST(SendDatagram, FlagsAnUnreachableNetworkApartFromOtherErrors) {
  if (!varno_test::OnlyLoopback()) GTEST_SKIP() << "sends UDP: run inside scripts/isolated";
  // With loopback only, the broadcast address without the broadcast switch has no route.
  const platform::SendOutcome unreachable = platform::SendDatagram("", "x", 9);
  EXPECT_TRUE(unreachable.networkUnreachable) << unreachable.error;
  EXPECT_NE(unreachable.error, "");
  const platform::SendOutcome badPort = platform::SendDatagram("127.0.0.1", "x", 0);
  EXPECT_EQ(badPort.error, "invalid port 0");
  EXPECT_FALSE(badPort.networkUnreachable);
}

TEST(SendDatagram, ReachesAHostNamedOrGivenByAddress) {
  if (!varno_test::OnlyLoopback()) GTEST_SKIP() << "sends UDP: run inside scripts/isolated";
  varno_test::NoticeListener listener("127.0.0.1", 0);
  ASSERT_TRUE(listener.Bound());
  EXPECT_EQ(platform::SendDatagram("127.0.0.1", "by address", listener.Port()).error, "");
  EXPECT_EQ(listener.Receive("by address"), "by address");
  EXPECT_EQ(platform::SendDatagram("localhost", "by name", listener.Port()).error, "");
  EXPECT_EQ(listener.Receive("by name"), "by name");
}

using Kind = platform::ProgramOutcome::Kind;

TEST(RunProgram, GivesTheExitStatusOrTheSignal) {
  const platform::ProgramOutcome exited = platform::RunProgram("/bin/sh", {"-c", "exit 7"}, 10);
  EXPECT_EQ(exited.kind, Kind::kFinished);
  EXPECT_FALSE(exited.signalled);
  EXPECT_EQ(exited.status, 7);
  const platform::ProgramOutcome killed =
      platform::RunProgram("/bin/sh", {"-c", "kill -TERM $$"}, 10);
  EXPECT_EQ(killed.kind, Kind::kFinished);
  EXPECT_TRUE(killed.signalled);
  EXPECT_EQ(killed.status, SIGTERM);
}

// The program gets each argument as one word, byte for byte: no command
// interpreter stands between, so quotes, blanks and ";" do nothing.
TEST(RunProgram, PassesArgumentsIntactWithoutAnInterpreter) {
  TempFolder folder;
  const std::string marker = folder / "marker";
  const std::string argument = "a \"b\" 'c'; touch " + marker + " $(touch " + marker + ") %20&x";
  const std::string copy = folder / "copy";
  const platform::ProgramOutcome outcome = platform::RunProgram(
      "/bin/sh", {"-c", "printf %s \"$1\" > \"$2\"", "sh", argument, copy}, 10);
  EXPECT_EQ(outcome.kind, Kind::kFinished);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(ReadFile(copy), argument);
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(RunProgram, StopsWaitingAtTheTimeoutAndSaysWhyAProgramDidNotStart) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(platform::RunProgram("/bin/sleep", {"3"}, 1).kind, Kind::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));

  const platform::ProgramOutcome missing = platform::RunProgram("/no/such/program", {}, 10);
  EXPECT_EQ(missing.kind, Kind::kNotStarted);
  EXPECT_EQ(missing.error, "cannot start /no/such/program: No such file or directory");
}

// Work moved off a processor runs elsewhere while others are allowed, and the
// thread gets back every processor it had, also when the work throws.
TEST(RunOffProcessor, RunsElsewhereAndGivesTheProcessorsBack) {
  cpu_set_t had;
  ASSERT_EQ(::sched_getaffinity(0, sizeof had, &had), 0);
  const int processor = platform::CurrentProcessor();
  ASSERT_GE(processor, 0);
  bool ran = false;
  platform::RunOffProcessor(processor, [&] {
    ran = true;
    if (CPU_COUNT(&had) > 1) {
      EXPECT_NE(platform::CurrentProcessor(), processor);
    }
  });
  EXPECT_TRUE(ran);
  cpu_set_t now;
  ASSERT_EQ(::sched_getaffinity(0, sizeof now, &now), 0);
  EXPECT_TRUE(CPU_EQUAL(&now, &had));
  EXPECT_THROW(platform::RunOffProcessor(processor, [] { throw std::runtime_error("x"); }),
               std::runtime_error);
  ASSERT_EQ(::sched_getaffinity(0, sizeof now, &now), 0);
  EXPECT_TRUE(CPU_EQUAL(&now, &had));
  // No processor to keep off, or none other to run on: the work runs as it is.
  ran = false;
  platform::RunOffProcessor(-1, [&] { ran = true; });
  EXPECT_TRUE(ran);
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(processor, &one);
  ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  ran = false;
  platform::RunOffProcessor(processor, [&] { ran = platform::CurrentProcessor() == processor; });
  EXPECT_TRUE(ran);
  ASSERT_EQ(::sched_setaffinity(0, sizeof had, &had), 0);
}

}  // namespace
