#include "core/configure_plan_rules.h"

#include <algorithm>
#include <bit>

#include "core/ansi_text.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

std::string Joined(ValueTable texts) {
    std::string out;
    for (std::string_view t : texts) out += (out.empty() ? "" : ", ") + std::string(t);
    return out;
}

// ---- the plan's own value rules ----

// Rules a plan's values follow on top of the editor's encodings: a value
// that would cut a device off the network, or that the device's firmware
// takes in no meaningful way, ends the plan before anything is sent.

// The whole numbers a row takes from a plan.
struct PlanRange {
    PagedRow::Row row;
    long low, high;
};
constexpr PlanRange kPlanRanges[] = {
    {PagedRow::SerialPort, 1, 16},         // byte 76 also decides how the write builds the second serial block
    {PagedRow::MaxConnection, 1, 8},
    {PagedRow::SerialTimeout, 0, 65535},
    {PagedRow::TcpAliveTimeout, 0, 255},
};

const PlanRange* PlanRangeOf(long row) {
    for (const PlanRange& r : kPlanRanges)
        if (r.row == row) return &r;
    return nullptr;
}

std::optional<long> WholeNumber(std::string_view text) {
    const std::string_view s = Trim(text, kBlanks);
    if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stol(std::string(s));
}

// Four numbers from 0 to 255 of one to three digits joined by ".", nothing
// else: no blank anywhere. Leading zeros are fine.
std::optional<uint32_t> StrictAddress(std::string_view s) {
    uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        size_t digits = 0;
        uint32_t n = 0;
        while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') n = n * 10 + static_cast<uint32_t>(s[digits++] - '0');
        if (digits == 0 || digits > 3 || n > 255) return std::nullopt;
        value = value << 8 | n;
        s.remove_prefix(digits);
        if (part < 3) {
            if (s.empty() || s[0] != '.') return std::nullopt;
            s.remove_prefix(1);
        }
    }
    if (!s.empty()) return std::nullopt;
    return value;
}

// 0.0.0.0, loopback (127/8), multicast (224/4) and reserved (240/4, with
// 255.255.255.255) are no address a device can have.
bool IsHostAddress(uint32_t a) {
    const uint32_t first = a >> 24;
    return a != 0 && first != 127 && first < 224;
}

// The length of a netmask's prefix; none when its ones are not one run from the top.
std::optional<int> PrefixLength(uint32_t mask) {
    const uint32_t inverted = ~mask;
    if ((inverted & (inverted + 1)) != 0) return std::nullopt;
    return 32 - std::popcount(inverted);
}
constexpr int kShortestPrefix = 8, kLongestPrefix = 30;

}  // namespace

// Why a row's edit is refused, as the editor words it where its words quote
// no value (the LAN module's notes), else in words that quote none.
std::string RefusalOf(long row, EditNote note, const std::string& typed, const std::string& shown) {
    const bool quotes = note == EditNote::Refused || note == EditNote::Cut || note == EditNote::Changed ||
                        note == EditNote::PortNotSent;
    return quotes ? ValueFault(row, note) : EditNoteText(note, row, typed, AnsiToUtf8(shown));
}

// What is wrong with a plan's value, in words that quote no value: a cell in
// the wrong column could hold a password.
std::string ValueFault(long row, EditNote note) {
    const FieldDef& f = PagedFields()[static_cast<size_t>(row)];
    const std::string name = RowName(row) + ": ";
    if (note == EditNote::PortNotSent) return name + "every update sends 4000";
    if (note == EditNote::Cut) return name + "longer than its " + std::to_string(f.size) + " characters";
    switch (f.write) {
        case WriteRule::Text:
            return name + "a character that the device's texts cannot hold";
        case WriteRule::Dotted:
            return name + "not an address (four numbers from 0 to 255 joined by \".\")";
        case WriteRule::Byte:
            return name + "not a whole number from 0 to 255";
        case WriteRule::U16:
            return name + "not a whole number from 0 to 65535";
        case WriteRule::MinusOne:
            return name + "not a whole number from 1 to 256";
        default:
            return name + "not one of " + Joined(f.choices);
    }
}

// What a plan's value breaks of these rules, after the editor's own check
// (`note`), in words that quote no value; none when it may go.
std::optional<std::string> PlanValueFault(long row, const std::string& text, EditNote note) {
    const std::string name = RowName(row) + ": ";
    if (const PlanRange* range = PlanRangeOf(row)) {
        const auto n = WholeNumber(text);
        if (note == EditNote::Refused || !n || *n < range->low || *n > range->high)
            return name + "not a whole number from " + std::to_string(range->low) + " to " + std::to_string(range->high);
    }
    if (note != EditNote::AsTyped) return ValueFault(row, note);
    if (row != PagedRow::IpAddress && row != PagedRow::Netmask && row != PagedRow::Gateway) return std::nullopt;
    const auto address = StrictAddress(text);
    if (row == PagedRow::Netmask) {
        const auto prefix = address ? PrefixLength(*address) : std::nullopt;
        if (!prefix || *prefix < kShortestPrefix || *prefix > kLongestPrefix)
            return name + "not a netmask of " + std::to_string(kShortestPrefix) + " to " + std::to_string(kLongestPrefix) +
                   " leading one bits";
        return std::nullopt;
    }
    // The editor took it; a plan's address is read strictly.
    if (!address)
        return text.find_first_of(kBlanks) != std::string::npos ? name + "a blank in an address"
                                                                 : ValueFault(row, EditNote::Refused);
    // No gateway at all is a setting of its own.
    if (!IsHostAddress(*address) && !(row == PagedRow::Gateway && *address == 0))
        return name + "not an address a device can have (0.0.0.0, 255.255.255.255, loopback, multicast or reserved)";
    return std::nullopt;
}

std::string CurrentText(const DeviceRecord& record, long row) {
    return AnsiToUtf8(FieldText(PagedFields()[static_cast<size_t>(row)], record));
}

bool IsAddressRow(long row) {
    return row == PagedRow::IpAddress || row == PagedRow::Netmask || row == PagedRow::Gateway;
}

}  // namespace cobalin
