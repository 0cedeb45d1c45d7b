#include "sim/device_record.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/text_conversions.h"

namespace cobalin::sim {

namespace {

using Choices = std::vector<std::string_view>;

// How a value is laid into its bytes.
enum class Kind : uint8_t {
    Text,      // one byte per character, zero-padded, cut at the field's width
    Address,   // four decimal parts, one byte each
    Byte,      // a number 0-255
    Word,      // a number 0-65535, low byte first
    LessOne,   // a number 1-256, stored minus one
    Choice,    // the position of the text in the field's list
    DataStop,  // two bytes: data-bits code, stop-bits code
};

struct Field {
    const char* key;
    size_t at;
    size_t size;
    Kind kind;
    Choices choices = {};
};

const Choices kLinks = {"0)10/Half Duplex", "1)10/Full Duplex", "2)100/Half Duplex", "3)100/Full Duplex",
                        "4)Link down"};
// Data bits 5-8 are the codes 0-3; the stop-bits code 1 is the second stop
// bit (one and a half with five data bits): position p is (p / 2, p % 2).
const Choices kDataStops = {"5-1", "5-1.5", "6-1", "6-2", "7-1", "7-2", "8-1", "8-2"};

// The paged format, first page and serial-port block 1 (record 174-197),
// then the status page.
const Field kPagedLayout[] = {
    {"dhcp", 9, 1, Kind::Choice, {"Disable", "Enable"}},
    {"name", 10, 16, Kind::Text},
    {"serial", 26, 16, Kind::Text},
    {"password", 42, 16, Kind::Text},
    {"netmask", 62, 4, Kind::Address},
    {"gateway", 66, 4, Kind::Address},
    {"serial_ports", 76, 1, Kind::Byte},
    {"protocol", 77, 1, Kind::Choice, {"TCP", "UDP"}},
    {"company", 78, 48, Kind::Text},
    {"model", 126, 16, Kind::Text},
    {"hwid", 142, 16, Kind::Text},
    {"serial2", 158, 16, Kind::Text},
    {"port", 174, 2, Kind::Word},
    {"mode", 176, 1, Kind::Choice, {"Client", "Server", "Client (no HB)"}},
    {"baud", 177, 1, Kind::Choice, {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "28800",
                                    "38400", "57600", "115200", "230400", "5787"}},
    {"data_stop", 178, 2, Kind::DataStop, kDataStops},
    {"parity", 180, 1, Kind::Choice, {"None", "Even", "Odd", "Mark", "Space"}},
    {"flow", 181, 1, Kind::Choice, {"None", "RTS/CTS", "Xon/Xoff"}},
    {"remote_ip", 182, 4, Kind::Address},
    {"serial_timeout", 188, 2, Kind::Word},
    {"alive", 190, 1, Kind::Byte},
    {"serial_mode", 191, 1, Kind::Choice, {"RS232", "RS422", "RS485H", "Console", "Upgrade", "Default"}},
    {"delimiter1", 192, 1, Kind::Byte},
    {"delimiter2", 193, 1, Kind::Byte},
    {"force_transmit", 194, 2, Kind::Word},
    {"connect_at", 196, 1, Kind::Choice, {"Power Up", "Data Arrived"}},
    {"max_connections", 197, 1, Kind::LessOne},
    {"version", 1998, 8, Kind::Text},
    {"date", 2006, 16, Kind::Text},
    {"link_in", 2030, 1, Kind::Choice, kLinks},
    {"link_out", 2031, 1, Kind::Choice, kLinks},
    {"port_status", 2058, 1, Kind::Byte},
};

// The short format: 98 bytes, no pages.
const Field kShortLayout[] = {
    {"checkcode", 0, 8, Kind::Text},      {"hwid", 8, 16, Kind::Text},        {"serial", 24, 16, Kind::Text},
    {"name", 40, 16, Kind::Text},         {"netmask", 66, 4, Kind::Address}, {"gateway", 70, 4, Kind::Address},
};
constexpr size_t kShortMacAt = 56;
constexpr size_t kShortIpAt = 62;

// The module record's fields and where each lands in the paged record.
struct ModulePlace {
    const char* key;
    size_t moduleAt;
    size_t recordAt;
    size_t recordSize;
    bool address;
};
const ModulePlace kModuleLayout[] = {
    {"name", 32, 10, 16, false},     {"serial", 48, 26, 16, false},   {"model", 64, 126, 16, false},
    {"company", 80, 78, 48, false},  {"password", 96, 42, 16, false}, {"ip", 112, 58, 4, true},
    {"netmask", 116, 62, 4, true},   {"gateway", 120, 66, 4, true},
};
constexpr size_t kModuleTextBytes = 16;

std::optional<long long> Position(const Choices& choices, const std::string& value) {
    const auto it = std::find(choices.begin(), choices.end(), value);
    if (it == choices.end()) return std::nullopt;
    return it - choices.begin();
}

// The bytes of a value in its field; nullopt when the value cannot be written.
std::optional<ByteString> Encode(const Field& f, const std::string& value) {
    ByteString b(f.size, 0);
    std::optional<long long> n;
    switch (f.kind) {
        case Kind::Text:
            std::copy_n(value.begin(), std::min(value.size(), f.size), b.begin());
            return b;
        case Kind::Address: {
            const auto quad = ParseDottedQuad(value);
            if (!quad) return std::nullopt;
            std::copy(quad->begin(), quad->end(), b.begin());
            return b;
        }
        case Kind::Byte: n = ParseWholeNumber(value, 0, 255); break;
        case Kind::Word: n = ParseWholeNumber(value, 0, 65535); break;
        case Kind::LessOne:
            n = ParseWholeNumber(value, 1, 256);
            if (n) --*n;
            break;
        case Kind::Choice: n = Position(f.choices, value); break;
        case Kind::DataStop:
            n = Position(f.choices, value);
            if (!n) return std::nullopt;
            b[0] = static_cast<uint8_t>(*n / 2);
            b[1] = static_cast<uint8_t>(*n % 2);
            return b;
    }
    if (!n) return std::nullopt;
    b[0] = static_cast<uint8_t>(*n & 0xFF);
    if (f.size == 2) b[1] = static_cast<uint8_t>(*n >> 8);
    return b;
}

template <size_t N>
void Lay(const Field (&layout)[N], const DeviceDescription& d, RecordImage& r) {
    for (const Field& f : layout)
        if (const auto bytes = Encode(f, Value(d, f.key))) std::copy(bytes->begin(), bytes->end(), r.begin() + f.at);
}

template <size_t N>
const Field* Find(const Field (&layout)[N], const std::string& key) {
    for (const Field& f : layout)
        if (key == f.key) return &f;
    return nullptr;
}

void PutModuleText(ByteString& m, size_t at, const std::string& text) {
    std::copy_n(text.begin(), std::min(text.size(), kModuleTextBytes), m.begin() + static_cast<long>(at));
}

}  // namespace

std::string Value(const DeviceDescription& d, const std::string& key) {
    const auto it = d.values.find(key);
    if (it != d.values.end()) return it->second;
    for (const auto& k : ValueKeys())
        if (key == k.key) return k.defaultValue;
    return {};
}

bool ValueFits(const std::string& key, const std::string& value) {
    // A key of both formats is laid out alike in both (texts, addresses).
    const Field* f = Find(kPagedLayout, key);
    if (!f) f = Find(kShortLayout, key);
    return !f || Encode(*f, value).has_value();
}

RecordImage BuildRecord(const DeviceDescription& d) {
    RecordImage r{};
    if (!d.paged) {
        Lay(kShortLayout, d, r);
        std::copy(d.mac.begin(), d.mac.end(), r.begin() + kShortMacAt);
        std::copy(d.ip.begin(), d.ip.end(), r.begin() + kShortIpAt);
        return r;
    }
    for (size_t page = 0; page < kPageSpans.size(); ++page) {
        const size_t at = kPageSpans[page].at;
        r[at] = kPagedMark;
        std::copy(d.mac.begin(), d.mac.end(), r.begin() + static_cast<long>(at + 1));
        r[at + 7] = static_cast<uint8_t>(page);
    }
    Lay(kPagedLayout, d, r);
    std::copy(d.ip.begin(), d.ip.end(), r.begin() + kPagedIpAt);
    std::copy(d.identity.begin(), d.identity.end(), r.begin() + kPagedIdentityAt);
    return r;
}

ByteString BuildModuleRecord(const DeviceDescription& d) {
    ByteString m(kModuleLength, 0);
    m[0] = kModuleAnswer;
    std::copy(d.mac.begin(), d.mac.end(), m.begin() + kModuleMacAt);
    for (const ModulePlace& p : kModuleLayout) {
        const std::string key = p.key;
        if (key == "ip") {
            std::copy(d.ip.begin(), d.ip.end(), m.begin() + static_cast<long>(p.moduleAt));
        } else if (p.address) {
            if (const auto quad = ParseDottedQuad(Value(d, key)))
                std::copy(quad->begin(), quad->end(), m.begin() + static_cast<long>(p.moduleAt));
        } else {
            const bool ownCompany = key == "company" && !Value(d, "module_company").empty();
            PutModuleText(m, p.moduleAt, Value(d, ownCompany ? "module_company" : key));
        }
    }
    m.back() = ModuleSum(m);
    return m;
}

void TakeModuleFields(const ByteString& module, RecordImage& record) {
    for (const ModulePlace& p : kModuleLayout) {
        if (module.size() < p.moduleAt + (p.address ? 4 : kModuleTextBytes)) continue;
        const uint8_t* from = module.data() + p.moduleAt;
        uint8_t* to = record.data() + p.recordAt;
        if (p.address) {
            std::copy_n(from, 4, to);
            continue;
        }
        // The module's text ends at its first zero byte; the device's field,
        // wider for the company name, is zero past it.
        const size_t length = strnlen(reinterpret_cast<const char*>(from), kModuleTextBytes);
        std::fill_n(to, p.recordSize, 0);
        std::copy_n(from, length, to);
    }
}

uint8_t ModuleSum(const ByteString& module) {
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < module.size(); ++i) sum += module[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

uint8_t WriteSum(const ByteString& a, const ByteString& b) {
    unsigned sum = 0;
    for (size_t i = 31; i < std::min<size_t>(a.size(), 1031); ++i) sum += a[i];
    for (size_t i = 31; i < std::min<size_t>(b.size(), 1005); ++i) sum += b[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

}  // namespace cobalin::sim
