/* The floor of a run: the least any program must do to read a list file and
 * write the files of a varno run. It reads the list file once, through one
 * buffer of 256 KB, and writes every named file from that same buffer (the
 * list's bytes, repeated as needed), so it builds no text and never holds a
 * file whole. It is C and linked statically so that it loads no runtime.
 *
 * Only the list file is flushed, as varno flushes it: written under a
 * temporary name, flushed, renamed over the old list and the rename flushed
 * with its folder. Every other file is written fresh, the old one removed
 * first: truncating a file or renaming over it makes ext4 start writing the
 * new data out at once, which a program that exchanges the two names and then
 * removes the old file does not pay either.
 *
 *     floor LISTFILE NAME=SIZE...
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kBufferSize = 256 * 1024 };

static char buffer[kBufferSize];
static size_t filled; /* bytes at the start of the buffer that hold list text */

static void Fail(const char* what, const char* name) {
  fprintf(stderr, "floor: %s %s: %s\n", what, name, strerror(errno));
  exit(1);
}

/* Reads the whole list file once through the buffer, which is left holding
 * list text: all of a short list, 256 KB of a long one. */
static void ReadList(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  for (;;) {
    const int full = filled == sizeof buffer;
    const ssize_t got =
        read(fd, full ? buffer : buffer + filled, full ? sizeof buffer : sizeof buffer - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Fail("read", path);
    if (got == 0) break;
    if (!full) filled += (size_t)got;
  }
  close(fd);
  if (filled == 0) buffer[filled++] = ' ';
}

static void BadArgument(const char* argument) {
  fprintf(stderr, "floor: %s is not NAME=SIZE\n", argument);
  exit(2);
}

static void WriteSize(int fd, unsigned long long size, const char* name) {
  while (size > 0) {
    const size_t chunk = size < filled ? (size_t)size : filled;
    const ssize_t written = write(fd, buffer, chunk);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) Fail("write", name);
    size -= (unsigned long long)written;
  }
}

static void WriteList(const char* name, unsigned long long size) {
  char temp[4096];
  if (snprintf(temp, sizeof temp, "%s.floor-tmp", name) >= (int)sizeof temp) {
    errno = ENAMETOOLONG;
    Fail("name", name);
  }
  unlink(temp);
  const int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) Fail("create", temp);
  WriteSize(fd, size, temp);
  if (fsync(fd) != 0) Fail("fsync", temp);
  if (close(fd) != 0) Fail("close", temp);
  if (rename(temp, name) != 0) Fail("rename to", name);

  char folder[4096] = ".";
  const char* slash = strrchr(name, '/');
  if (slash != NULL) {
    const size_t length = slash == name ? 1 : (size_t)(slash - name);
    memcpy(folder, name, length);
    folder[length] = '\0';
  }
  const int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || fsync(dir) != 0) Fail("fsync folder", folder);
  close(dir);
}

static void WriteFresh(const char* name, unsigned long long size) {
  if (unlink(name) != 0 && errno != ENOENT) Fail("remove", name);
  const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) Fail("create", name);
  WriteSize(fd, size, name);
  if (close(fd) != 0) Fail("close", name);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fputs("usage: floor LISTFILE NAME=SIZE...\n", stderr);
    return 2;
  }
  const char* list = argv[1];
  ReadList(list);
  for (int i = 2; i < argc; ++i) {
    char* const equals = strrchr(argv[i], '=');
    if (equals == NULL) BadArgument(argv[i]);
    char* end = NULL;
    const unsigned long long size = strtoull(equals + 1, &end, 10);
    if (end == equals + 1 || *end != '\0' || equals[1] == '-' || equals == argv[i]) {
      BadArgument(argv[i]);
    }
    *equals = '\0';
    const char* name = argv[i];
    if (strcmp(name, list) == 0) {
      WriteList(name, size);
    } else {
      WriteFresh(name, size);
    }
  }
  return 0;
}
