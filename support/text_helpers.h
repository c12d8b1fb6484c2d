// Text routines shared by every stage. The four below report a failure and go
// on with an empty text (reported::BooleanText: "Exception"); the plain tools under them
// come with this header.
#pragma once

#include <string>
#include <string_view>

#include "support/text_tools.h"

namespace reported {

// DecodeUrlText, reported as "loam32.URLDecodeText".
std::string DecodeUrlText(std::string_view text);
// `whenTrue` or `whenFalse` by `flag`.
std::string BooleanText(bool flag, std::string_view whenTrue, std::string_view whenFalse);
// TextBetween, reported as "loam32.Between".
std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker);
// FileNameOf, reported as "loam32.ExtractFileName".
std::string FileNameOf(std::string_view path);

}  // namespace reported
