// reported::DecodeUrlText on any text: every escape it knows is longer than what it
// stands for, a text without "%" is left as it is, and HoldsUrlEscape tells
// exactly which texts the decoding changes.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::TextOf(data, size);
  const std::string decoded = reported::DecodeUrlText(text);
  if (decoded.size() > text.size()) fuzz::PropertyFailed("decoding never lengthens a text");
  if (text.find('%') == std::string_view::npos && decoded != text) {
    fuzz::PropertyFailed("a text without escapes decodes to itself");
  }
  if (HoldsUrlEscape(text) != (decoded != text)) {
    fuzz::PropertyFailed("HoldsUrlEscape is true exactly where the decoding changes the text");
  }
  return 0;
}
