// Text is UTF-8 everywhere in the system. Text that arrives in another
// encoding (an argument typed in an older console code page, a list file
// written in the Windows ANSI code page) is taken as Windows-1252.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The length (1 to 4) of the valid UTF-8 character that starts `text`; 0 when
// it does not start with one (over-long forms, surrogates and code points
// above U+10FFFF are not valid).
size_t Utf8CharLength(std::string_view text);
// The same, and the character's code point in `codePoint`.
size_t DecodeUtf8Char(std::string_view text, char32_t& codePoint);
// Appends the character `codePoint` (at most U+10FFFF, no surrogate) in UTF-8.
void AppendUtf8Char(std::string& out, char32_t codePoint);
// The bytes of the first `count` characters of the UTF-8 `text`, or npos when
// it holds fewer: where a rule counts characters, a letter of several bytes
// is one.
size_t Utf8PrefixBytes(std::string_view text, size_t count);
// The `count` characters of `text` from character `from` (both counted from
// 0), as far as the text reaches.
std::string_view Utf8Chars(std::string_view text, size_t from, size_t count);
// True when the whole of `text` is valid UTF-8.
bool IsUtf8(std::string_view text);
// Every byte of `text` read as a Windows-1252 character, in UTF-8. The five
// bytes the code page leaves undefined become the control characters of the
// same number, as Windows itself converts them.
std::string Windows1252ToUtf8(std::string_view text);
// The character of the UTF-16 code unit `unit`, or of the pair it makes with
// the unit after it, `next` (nullopt at the end); `paired` tells whether the
// pair was taken. A lone half of a pair is U+FFFD.
char32_t Utf16Char(char32_t unit, std::optional<char32_t> next, bool& paired);
// A text in UTF-16 that starts with its byte order mark (FF FE, or FE FF for
// big-endian; editors write one: "Unicode" in Windows Notepad) in UTF-8
// without the mark; a lone surrogate or an odd last byte becomes U+FFFD.
// nullopt for a text without such a mark.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes);
// `text` itself when it is valid UTF-8, else the whole text read as
// Windows-1252: one value is in one encoding.
void MakeUtf8(std::string& text);
std::string AsUtf8(std::string_view text);
