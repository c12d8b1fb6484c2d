// The one routine through which every file of the system is written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "support/background_removal.h"

// Result codes of WriteTextFile.
inline constexpr int32_t kWriteOk = 0;
inline constexpr int32_t kWriteNothing = -1;
inline constexpr int32_t kWriteFailed = -5;

// Appends `text` to `fileName` (`append` and the file exists) or replaces the
// file with it. A replace is atomic: the old file stays whole on failure; it
// replaces the target of a symbolic link and keeps the file's permissions.
// A read-only file is not written. 0 written, -1 empty text (file
// untouched), -5 failure. Reports nothing.
int32_t WriteTextFile(const std::string& text, const std::string& fileName, bool append,
                      const std::string& callingFunction);

// Replaces `fileName` like WriteTextFile, and makes the new content reach
// stable storage before it takes the old one's place. Used for the list file.
int32_t WriteTextFileDurably(const std::string& text, const std::string& fileName);

// A text file replaced in steps, so that other work may go on between them
// (platform::StagedReplacement): the text is written under a temporary name,
// at once or piece by piece while it is made, may be flushed, and takes the
// file's place when put there, unless a file the run mapped (its list) has
// changed since it was read. Each step gives a result code of
// WriteTextFile: while no text is written it is kWriteNothing, and the file
// is left untouched; after a failed step the file keeps its old contents and
// every later step fails.
class StagedTextFile {
 public:
  // Nothing is written yet; the file takes the permissions of `rightsFrom`
  // unless it is "" (a copy of the list file takes the list's, so a private
  // list has private copies).
  explicit StagedTextFile(std::string fileName, std::string rightsFrom = "");
  // Writes `text` on after what was written.
  void Append(const std::string& text);
  int32_t Written() const { return result_; }
  // Starts writing out what was written, without waiting (a later Flush
  // waits for less).
  void StartFlush();
  int32_t Flush();
  // Leaves the removal of the file it replaced to `removal`.
  int32_t PutInPlace(BackgroundRemoval& removal);

 private:
  platform::StagedReplacement staged_;
  std::string fileName_;
  std::string rightsFrom_;
  int32_t result_ = kWriteNothing;
};
