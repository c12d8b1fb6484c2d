#include "support/text_helpers.h"

#include "support/guarded.h"

std::string reported::DecodeUrlText(std::string_view text) {
  return Guarded("loam32.URLDecodeText", 0, {}, [text] { return ::DecodeUrlText(text); });
}

std::string reported::BooleanText(bool flag, std::string_view whenTrue,
                                  std::string_view whenFalse) {
  return Guarded("loam32.BooleanTStr", 0, "Exception",
                 [=] { return std::string(flag ? whenTrue : whenFalse); });
}

std::string reported::TextBetween(std::string_view text, std::string_view startMarker,
                                  std::string_view endMarker) {
  return Guarded("loam32.Between", 0, {},
                 [=] { return ::TextBetween(text, startMarker, endMarker); });
}

std::string reported::FileNameOf(std::string_view path) {
  return Guarded("loam32.ExtractFileName", 0, {}, [path] { return ::FileNameOf(path); });
}
