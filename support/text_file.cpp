#include "support/text_file.h"

#include "platform/platform.h"
#include "support/failures.h"

namespace {

// The edge of the three writers: a failure of any kind is the result code
// kWriteFailed, and the caller decides what it means.
template <typename Write>
int32_t ResultOf(const std::string& text, Write&& write) {
  if (text.empty()) return kWriteNothing;
  try {
    write();
    return kWriteOk;
  } catch (...) {
    return kWriteFailed;
  }
}

void ThrowOnError(const std::string& error) {
  if (!error.empty()) throw InOutError(error);
}

// Replaces the file, handing the file it replaced to `removal` when that
// removes files alongside the run.
void ReplaceLeavingOldFile(const std::string& text, const std::string& fileName, bool durable,
                           const std::string& rightsFrom, BackgroundRemoval& removal) {
  std::string oldFile;
  ThrowOnError(platform::ReplaceFileAtomically(fileName, text, durable, rightsFrom,
                                               removal.Alongside() ? &oldFile : nullptr));
  if (!oldFile.empty()) removal.Add(std::move(oldFile));
}

}  // namespace

int32_t WriteTextFile(const std::string& text, const std::string& fileName, bool append,
                      const std::string& /*callingFunction*/) {
  return ResultOf(text, [&] {
    // Appending to a missing file creates it, as a replace would.
    ThrowOnError(append ? platform::AppendToFile(fileName, text)
                        : platform::ReplaceFileAtomically(fileName, text, false));
  });
}

int32_t WriteTextFileDurably(const std::string& text, const std::string& fileName) {
  return ResultOf(text,
                  [&] { ThrowOnError(platform::ReplaceFileAtomically(fileName, text, true)); });
}

int32_t WriteTextFileDurably(const std::string& text, const std::string& fileName,
                             BackgroundRemoval& removal) {
  return ResultOf(text, [&] { ReplaceLeavingOldFile(text, fileName, true, "", removal); });
}

int32_t ReplaceTextFile(const std::string& text, const std::string& fileName,
                        const std::string& rightsFrom, BackgroundRemoval& removal) {
  return ResultOf(text, [&] { ReplaceLeavingOldFile(text, fileName, false, rightsFrom, removal); });
}
