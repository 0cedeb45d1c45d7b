#include "core/ansi_text.h"

#include <array>
#include <cstdint>

namespace cobalin {

namespace {

// Code points of bytes 0x80-0x9F; the rest of the code page equals Latin-1.
constexpr std::array<uint16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t CodePointOf(uint8_t byte) { return (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80] : byte; }

int ByteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at i; advances i. Returns -1 for malformed input.
long NextCodePoint(std::string_view s, size_t& i) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return -1;
    }
    uint32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += len;
    return cp;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) AppendUtf8(out, CodePointOf(static_cast<uint8_t>(c)));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const long cp = NextCodePoint(utf8, i);
        const int byte = cp < 0 ? -1 : ByteOf(static_cast<uint32_t>(cp));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

std::vector<long> CodePoints(std::string_view utf8) {
    std::vector<long> out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) out.push_back(NextCodePoint(utf8, i));
    return out;
}

bool IsAnsiRepresentable(std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();) {
        const long cp = NextCodePoint(utf8, i);
        if (cp < 0 || ByteOf(static_cast<uint32_t>(cp)) < 0) return false;
    }
    return true;
}

}  // namespace cobalin
