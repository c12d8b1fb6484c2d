// A second floor, for comparison with floor.c: a C++ program that reads the
// list file whole into memory, builds each named file's text whole in memory
// (the list's bytes repeated to the given size) and writes it in one call,
// over the old file; the list file itself is flushed to stable storage. It
// pays the C++ runtime's loading and the building of the texts, as varno
// does, so it is not the least a run must do.
//
//     floor_in_memory LISTFILE NAME=SIZE...
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

int Fail(const char* what, const char* name) {
  std::perror((std::string(what) + " " + name).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: floor_in_memory LISTFILE NAME=SIZE...\n", stderr);
    return 2;
  }
  const char* listFile = argv[1];
  const int in = ::open(listFile, O_RDONLY);
  if (in < 0) return Fail("open", listFile);
  struct stat info {};
  if (::fstat(in, &info) != 0) return Fail("stat", listFile);
  std::string text(static_cast<size_t>(info.st_size), '\0');
  size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(in, text.data() + got, text.size() - got);
    if (n <= 0) return Fail("read", listFile);
    got += static_cast<size_t>(n);
  }
  ::close(in);
  if (text.empty()) text.push_back(' ');

  std::string out;
  for (int i = 2; i < argc; ++i) {
    const char* const equals = std::strrchr(argv[i], '=');
    if (equals == nullptr) return Fail("no size in", argv[i]);
    const std::string name(argv[i], static_cast<size_t>(equals - argv[i]));
    const size_t size = std::strtoull(equals + 1, nullptr, 10);
    out.resize(size);
    for (size_t at = 0; at < size; at += text.size()) {
      std::memcpy(out.data() + at, text.data(), std::min(text.size(), size - at));
    }
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return Fail("create", name.c_str());
    if (!WriteAll(fd, out.data(), out.size())) return Fail("write", name.c_str());
    if (name == listFile && ::fsync(fd) != 0) return Fail("fsync", name.c_str());
    if (::close(fd) != 0) return Fail("close", name.c_str());
  }
  return 0;
}
