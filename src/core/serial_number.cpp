#include "core/serial_number.h"

#include <algorithm>
#include <optional>

#include "core/ansi_text.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

// The running number is kept as a 16-bit number; negative numbers and
// fractions that do not round to one are not running numbers.
constexpr long kLargestRunningNumber = 32767;
constexpr size_t kDateLength = 8;

std::optional<long> RunningNumber(std::string_view text) { return ParseNumberText(text, 0, kLargestRunningNumber); }

std::string FourDigits(long n) {
    std::string digits = std::to_string(n);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return digits.substr(digits.size() - 4);
}

bool IsEightDigitDate(std::string_view date) {
    return date.size() == kDateLength && std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The character whose code is 48 plus the two-digit value, as the device's
// single-byte text holds it (values past 79 give characters past ASCII).
std::string DateCharacter(std::string_view twoDigits) {
    const int value = (twoDigits[0] - '0') * 10 + (twoDigits[1] - '0');
    return AnsiToUtf8(std::string(1, static_cast<char>(48 + value)));
}

std::string_view PrefixOf(std::string_view digit) {
    if (digit == "0") return "Un";
    if (digit == "4") return "LAN";
    if (digit == "5") return "WIFI";
    if (digit == "6") return "IPD";
    return "";
}

}  // namespace

ComposedSerial ComposeSerialNumber(std::string_view typeEntry, std::string_view date, std::string_view running) {
    const std::string_view digit = typeEntry.substr(0, std::min<size_t>(1, typeEntry.size()));
    std::string serial(digit);
    if (IsEightDigitDate(date)) {
        serial += DateCharacter(date.substr(2, 2));
        serial += DateCharacter(date.substr(4, 2));
        serial += DateCharacter(date.substr(6, 2));
    }
    const std::optional<long> n = RunningNumber(running);
    const std::string number = n ? FourDigits(*n) : std::string(running);
    if (n) serial += number;
    ComposedSerial out;
    out.serial = serial;
    out.modelLabel = std::string(PrefixOf(digit)) + "-" + std::string(date) + "-" + number;
    return out;
}

std::string AdvanceRunningNumber(std::string_view running) {
    const std::optional<long> n = RunningNumber(running);
    return n ? FourDigits(*n + 1) : "0001";
}

}  // namespace cobalin
