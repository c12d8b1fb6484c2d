#include "support/text_file.h"

#include "platform/platform.h"
#include "support/failures.h"

namespace {

// The edge of the writers: a failure of any kind is the result code
// kWriteFailed, and the caller decides what it means.
template <typename Step>
int32_t ResultOfStep(Step&& step) {
  try {
    step();
    return kWriteOk;
  } catch (...) {
    return kWriteFailed;
  }
}

// An empty text is not written at all.
template <typename Write>
int32_t ResultOf(const std::string& text, Write&& write) {
  return text.empty() ? kWriteNothing : ResultOfStep(write);
}

void ThrowOnError(const std::string& error) {
  if (!error.empty()) throw InOutError(error);
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

StagedTextFile::StagedTextFile(std::string fileName, std::string rightsFrom)
    : fileName_(std::move(fileName)), rightsFrom_(std::move(rightsFrom)) {}

void StagedTextFile::Append(const std::string& text) {
  if (text.empty() || result_ == kWriteFailed) return;
  result_ = ResultOfStep([&] {
    ThrowOnError(result_ == kWriteNothing ? staged_.Write(fileName_, text, rightsFrom_)
                                          : staged_.Append(text));
  });
}

void StagedTextFile::StartFlush() {
  if (result_ == kWriteOk) staged_.StartFlush();
}

int32_t StagedTextFile::Flush() {
  if (result_ == kWriteOk) result_ = ResultOfStep([&] { ThrowOnError(staged_.Flush()); });
  return result_;
}

int32_t StagedTextFile::PutInPlace(BackgroundRemoval& removal) {
  if (result_ != kWriteOk) return result_;
  result_ = ResultOfStep([&] {
    // Made from the list file's bytes while another program changed them, the
    // text may be neither the old list nor the new: the file keeps what it holds.
    if (!platform::MappedFilesUnchanged()) throw InOutError("the list file changed while read");
    // The file replaced is left to `removal` when that removes files alongside the run.
    std::string oldFile;
    ThrowOnError(staged_.PutInPlace(removal.Alongside() ? &oldFile : nullptr));
    if (!oldFile.empty()) removal.Add(std::move(oldFile));
  });
  return result_;
}
