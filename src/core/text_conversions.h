// Conversions between bytes, hexadecimal text, MAC text and dotted addresses,
// and the one trimming of text.
// Their results on odd input ("-1", -1, "N/A", false) are relied upon by
// callers, so they never throw and never read outside their argument.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cobalin {

// Two upper-case hex digits for 0..255, "-1" for anything else.
std::string HexByte(int v);

// 0..15 for a single hex digit character, -1 for anything else.
int16_t HexDigitValue(std::string_view c);

// Positional hex value; a non-digit counts as -1 at its place.
double HexToNumber(std::string_view text);

// 16 * digit(first) + digit(second); a missing character counts as -1.
int16_t HexPairValue(std::string_view text);

// "50" + 12 MAC digits + "00"/"01"/"02" -> six pairs joined by sep, else "N/A".
std::string MacKeyToText(std::string_view key, std::string_view sep);

// Six bytes as "0A:1B:2C:3D:4E:5F": the MAC text that keys a device everywhere.
std::string FormatMac(const uint8_t* six);

// Exactly 12 characters -> six pairs joined by sep, else "N/A".
std::string GroupHexPairs(std::string_view s, std::string_view sep);

// Bytes in decimal joined by ".": "192.168.1.250", and the 8-byte IPv6 fields
// of a short record alike; no bytes give "".
std::string FormatDotted(std::span<const uint8_t> bytes);

// Plain decimal digits with optional blanks (space or tab) around them;
// leading zeros allowed; anything else (signs, fractions, blanks inside,
// empty) is not a number. Huge digit strings saturate instead of overflowing.
std::optional<uint64_t> ParseAddressPart(std::string_view part);

bool IsDottedQuad(std::string_view s);
bool IsValidAddress(std::string_view s, bool host);

// Parses a dotted quad into its four bytes; nullopt when IsDottedQuad fails.
std::optional<std::array<uint8_t, 4>> ParseDottedQuad(std::string_view s);

// What each kind of text loses at its ends when trimmed.
constexpr std::string_view kSpaces = " ";                  // a settings value: a tab is part of it
constexpr std::string_view kBlanks = " \t";                // a number or address typed in a field
constexpr std::string_view kWhitespace = " \t\r\n\v\f";     // a line of an ini file

// s without any of the characters `chars` at either end.
std::string_view Trim(std::string_view s, std::string_view chars);

// A whole number with optional blanks around and an optional sign, inside
// [lo, hi]; nullopt otherwise.
std::optional<long long> ParseWholeNumber(std::string_view s, long long lo, long long hi);

// A decimal number: optional blanks around, an optional sign, digits, an
// optional fraction ("12", "-3.5", " 7. "); nullopt for anything else
// (exponents, hexadecimal, blanks inside, empty).
std::optional<double> ParseDecimal(std::string_view s);

// The parts of a text between its dots ("1..2" has three, the middle one empty).
std::vector<std::string_view> SplitAtDots(std::string_view s);

// A number typed for a numeric field: a decimal number as ParseDecimal reads
// it, rounded half to even, inside [lo, hi].
std::optional<long> ParseNumberText(std::string_view s, long lo, long hi);

// An address typed for an address field: four parts split at ".", each a
// number 0-255 as ParseNumberText reads it.
std::optional<std::array<uint8_t, 4>> ParseAddressText(std::string_view s);

}  // namespace cobalin
