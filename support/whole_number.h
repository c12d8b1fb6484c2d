// Whole-number conversion of texts, as requests and list files use it.
#pragma once

#include <cstdint>
#include <string_view>

// Leading blanks, an optional sign, then decimal digits or hexadecimal digits
// after "$", "x" or "0x"; nothing may follow and the value must fit 32 bits.
bool TryParseInt(std::string_view text, int32_t& value);
// The converted value, or `defaultValue` when the text is not a whole number.
int32_t ParseIntOr(std::string_view text, int32_t defaultValue);
// The converted value; throws ConvertError when the text is not a whole number.
int32_t ParseIntStrict(std::string_view text);
