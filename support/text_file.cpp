#include "support/text_file.h"

#include "platform/platform.h"

int32_t WriteTextFile(const std::string& Text, const std::string& FileName, bool bAppend,
                      const std::string& /*CallingFunction*/) {
  if (Text.empty()) return kWriteNothing;
  try {
    // Appending to a missing file creates it, as a replace would.
    const std::string error = bAppend ? platform::AppendToFile(FileName, Text)
                                      : platform::ReplaceFileAtomically(FileName, Text, false);
    return error.empty() ? kWriteOk : kWriteFailed;
  } catch (...) {
    return kWriteFailed;
  }
}

int32_t WriteTextFileDurably(const std::string& Text, const std::string& FileName) {
  if (Text.empty()) return kWriteNothing;
  try {
    return platform::ReplaceFileAtomically(FileName, Text, true).empty() ? kWriteOk : kWriteFailed;
  } catch (...) {
    return kWriteFailed;
  }
}

int32_t WriteTextFileAsCopyOf(const std::string& Text, const std::string& FileName,
                              const std::string& OriginalFile) {
  if (Text.empty()) return kWriteNothing;
  try {
    return platform::ReplaceFileAtomically(FileName, Text, false, OriginalFile).empty()
               ? kWriteOk
               : kWriteFailed;
  } catch (...) {
    return kWriteFailed;
  }
}
