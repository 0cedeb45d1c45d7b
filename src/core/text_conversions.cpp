#include "core/text_conversions.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace cobalin {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::vector<std::string_view> SplitAtDots(std::string_view s) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t dot = s.find('.', start);
        if (dot == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, dot - start));
        start = dot + 1;
    }
}

std::string HexByte(int v) {
    if (v < 0 || v > 255) return "-1";
    return std::string{kHexDigits[v >> 4], kHexDigits[v & 15]};
}

int16_t HexDigitValue(std::string_view c) {
    if (c.size() != 1) return -1;
    const char ch = c[0];
    if (ch >= '0' && ch <= '9') return static_cast<int16_t>(ch - '0');
    if (ch >= 'A' && ch <= 'F') return static_cast<int16_t>(ch - 'A' + 10);
    if (ch >= 'a' && ch <= 'f') return static_cast<int16_t>(ch - 'a' + 10);
    return -1;
}

double HexToNumber(std::string_view text) {
    double result = 0;
    for (size_t i = 0; i < text.size(); ++i) result = result * 16 + HexDigitValue(text.substr(i, 1));
    return result;
}

int16_t HexPairValue(std::string_view text) {
    const int16_t hi = text.size() >= 1 ? HexDigitValue(text.substr(0, 1)) : -1;
    const int16_t lo = text.size() >= 2 ? HexDigitValue(text.substr(1, 1)) : -1;
    return static_cast<int16_t>(16 * hi + lo);
}

std::string FormatMac(const uint8_t* six) {
    std::string out(17, ':');
    for (size_t i = 0; i < 6; ++i) {
        out[3 * i] = kHexDigits[six[i] >> 4];
        out[3 * i + 1] = kHexDigits[six[i] & 15];
    }
    return out;
}

std::string GroupHexPairs(std::string_view s, std::string_view sep) {
    if (s.size() != 12) return "N/A";
    std::string out;
    for (size_t i = 0; i < 12; i += 2) {
        if (i) out += sep;
        out += s.substr(i, 2);
    }
    return out;
}

std::string MacKeyToText(std::string_view key, std::string_view sep) {
    if (key.size() < 16 || key.substr(0, 2) != "50") return "N/A";
    const std::string_view page = key.substr(14, 2);
    if (page != "00" && page != "01" && page != "02") return "N/A";
    return GroupHexPairs(key.substr(2, 12), sep);
}

std::string FormatDotted(std::span<const uint8_t> bytes) {
    std::string s;
    s.reserve(4 * bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) s += '.';
        char digits[3];
        s.append(digits, std::to_chars(digits, digits + sizeof digits, bytes[i]).ptr);
    }
    return s;
}

std::string_view Trim(std::string_view s, std::string_view chars) {
    const size_t first = s.find_first_not_of(chars);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(chars) - first + 1);
}

std::optional<uint64_t> ParseAddressPart(std::string_view part) {
    part = Trim(part, kBlanks);
    if (part.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return std::nullopt;
        // Saturate: any value this large is out of every caller's range.
        value = value > 1000000 ? value : value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

std::optional<long long> ParseWholeNumber(std::string_view s, long long lo, long long hi) {
    s = Trim(s, kBlanks);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        if (value > 1'000'000'000'000LL) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < lo || value > hi) return std::nullopt;
    return value;
}

std::optional<double> ParseDecimal(std::string_view s) {
    s = Trim(s, kBlanks);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    double value = 0, scale = 1;
    bool digits = false, fraction = false;
    for (char c : s) {
        if (c == '.' && !fraction) {
            fraction = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (fraction) {
                scale /= 10;
                value += (c - '0') * scale;
            } else {
                value = value * 10 + (c - '0');
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return negative ? -value : value;
}

std::optional<std::array<uint8_t, 4>> ParseDottedQuad(std::string_view s) {
    const auto parts = SplitAtDots(s);
    if (parts.size() != 4) return std::nullopt;
    std::array<uint8_t, 4> bytes{};
    for (size_t i = 0; i < 4; ++i) {
        const auto v = ParseAddressPart(parts[i]);
        if (!v || *v > 255) return std::nullopt;
        bytes[i] = static_cast<uint8_t>(*v);
    }
    return bytes;
}

std::optional<long> ParseNumberText(std::string_view s, long lo, long hi) {
    const auto v = ParseDecimal(s);
    if (!v) return std::nullopt;
    // nearbyint rounds half to even in the default rounding mode.
    const double r = std::nearbyint(*v);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return std::nullopt;
    return static_cast<long>(r);
}

std::optional<std::array<uint8_t, 4>> ParseAddressText(std::string_view s) {
    const auto parts = SplitAtDots(s);
    if (parts.size() != 4) return std::nullopt;
    std::array<uint8_t, 4> bytes{};
    for (size_t i = 0; i < 4; ++i) {
        const auto v = ParseNumberText(parts[i], 0, 255);
        if (!v) return std::nullopt;
        bytes[i] = static_cast<uint8_t>(*v);
    }
    return bytes;
}

bool IsDottedQuad(std::string_view s) { return ParseDottedQuad(s).has_value(); }

bool IsValidAddress(std::string_view s, bool host) {
    const auto bytes = ParseDottedQuad(s);
    if (!bytes) return false;
    return !host || ((*bytes)[3] >= 1 && (*bytes)[3] <= 254);
}

}  // namespace cobalin
