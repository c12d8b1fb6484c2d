// Text routines shared by every stage. The four below report a failure and go
// on with an empty text (BooleanTStr: "Exception"); the plain tools under them
// come with this header.
#pragma once

#include <string>
#include <string_view>

#include "support/text_tools.h"

// DecodeUrlText, reported as "loam32.URLDecodeText".
std::string URLDecodeText(std::string_view text);
// `whenTrue` or `whenFalse` by `flag`.
std::string BooleanTStr(bool flag, std::string_view whenTrue, std::string_view whenFalse);
// TextBetween, reported as "loam32.Between".
std::string Between(std::string_view text, std::string_view startMarker,
                    std::string_view endMarker);
// FileNameOf, reported as "loam32.ExtractFileName".
std::string ExtractFileName(std::string_view path);
// ZeroPadded, reported as "loam32.ZeroPad".
std::string ZeroPad(long long number, int width);
