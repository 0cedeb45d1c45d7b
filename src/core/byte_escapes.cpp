#include "core/byte_escapes.h"

#include "core/text_conversions.h"

namespace cobalin {

namespace {

constexpr char kOpen = '<';
constexpr char kClose = '>';
constexpr size_t kTokenSize = 4;  // "<", two digits, ">"

bool PrintableAsItself(unsigned char b) { return b > 32 && b < 127; }

// The value of an upper-case hexadecimal digit, -1 for any other character.
int UpperHexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string EscapeBytesText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (PrintableAsItself(b)) text += c;
        else text += kOpen + HexByte(b) + kClose;
    }
    return text;
}

std::string UnescapeBytesText(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kOpen && i + kTokenSize <= text.size() && text[i + 3] == kClose) {
            const int high = UpperHexDigit(text[i + 1]), low = UpperHexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes += static_cast<char>(high * 16 + low);
                i += kTokenSize - 1;
                continue;
            }
        }
        bytes += text[i];
    }
    return bytes;
}

std::optional<ByteRange> ParseByteRange(std::string_view startText, std::string_view sizeText, size_t recordSize) {
    const auto limit = static_cast<long long>(recordSize);
    const auto start = ParseWholeNumber(startText, 0, limit);
    const auto size = ParseWholeNumber(sizeText, 0, limit);
    if (!start || !size || *start + *size > limit) return std::nullopt;
    return ByteRange{static_cast<size_t>(*start), static_cast<size_t>(*size)};
}

}  // namespace cobalin
