// Device texts are single-byte "ANSI" (Windows-1252) strings. The core keeps
// them as bytes; these two conversions are the only way in and out of UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cobalin {

// Every byte maps to one character, so any record text round-trips. The five
// bytes Windows-1252 leaves undefined map to U+0081, U+008D, U+008F, U+0090
// and U+009D.
std::string AnsiToUtf8(std::string_view ansi);

// A character with no Windows-1252 byte becomes "?"; malformed UTF-8 bytes too.
std::string Utf8ToAnsi(std::string_view utf8);

// True when every character of the UTF-8 text has a Windows-1252 byte.
bool IsAnsiRepresentable(std::string_view utf8);

// The characters of a UTF-8 text as code points, in order; each malformed
// byte is one character of its own, kMalformedCharacter.
constexpr long kMalformedCharacter = -1;
std::vector<long> CodePoints(std::string_view utf8);

}  // namespace cobalin
