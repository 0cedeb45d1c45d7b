// The raw byte view's text form of record bytes: a byte that is not a
// printable character shows as "<", two upper-case hexadecimal digits, ">",
// and the same token typed stands for that byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cobalin {

// Each byte of 32 or less, or of 127 or more, becomes "<XX>" (so a space is
// "<20>"); every other byte stays itself ("~" included).
std::string EscapeBytesText(std::string_view bytes);

// Each "<XX>" whose two digits are "0"-"9" or "A"-"F" (upper case only)
// becomes the byte XX; every other character is copied, "<" included.
std::string UnescapeBytesText(std::string_view text);

// A stretch of the record: the first byte and the number of bytes.
struct ByteRange {
    size_t start = 0;
    size_t size = 0;
};

// The "Start Byte" and "Size (byte)" texts read as whole numbers (blanks
// around them allowed), neither negative, the stretch inside a record of
// recordSize bytes; nullopt for anything else.
std::optional<ByteRange> ParseByteRange(std::string_view startText, std::string_view sizeText, size_t recordSize);

}  // namespace cobalin
