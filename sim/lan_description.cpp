#include "sim/lan_description.h"

#include <algorithm>
#include <sstream>

#include "core/text_conversions.h"
#include "sim/device_record.h"

namespace cobalin::sim {

namespace {

// A description line loses blanks and the CR of a Windows line end.
std::string Trim(const std::string& s) { return std::string(cobalin::Trim(s, " \t\r")); }

std::optional<std::array<uint8_t, 6>> ParseMac(const std::string& s) {
    std::array<uint8_t, 6> mac{};
    if (s.size() != 17) return std::nullopt;
    for (size_t i = 0; i < 6; ++i) {
        if (i && s[3 * i - 1] != ':' && s[3 * i - 1] != '-') return std::nullopt;
        const int v = HexPairValue(s.substr(3 * i, 2));
        if (v < 0 || HexDigitValue(s.substr(3 * i, 1)) < 0 || HexDigitValue(s.substr(3 * i + 1, 1)) < 0)
            return std::nullopt;
        mac[i] = static_cast<uint8_t>(v);
    }
    return mac;
}

bool ParseFlag(const std::string& v, bool& out) {
    if (v == "yes" || v == "1" || v == "true") return out = true, true;
    if (v == "no" || v == "0" || v == "false") return out = false, true;
    return false;
}

// The next device address: the last part counts up, skipping the PC's .250
// and wrapping from .254 to .1, so more than 253 devices share addresses.
std::array<uint8_t, 4> NextIp(std::array<uint8_t, 4> ip) {
    do {
        ip[3] = ip[3] >= 254 ? 1 : static_cast<uint8_t>(ip[3] + 1);
    } while (ip[3] == 250);
    return ip;
}

std::array<uint8_t, 6> NextMac(std::array<uint8_t, 6> mac) {
    for (int i = 5; i >= 0 && ++mac[static_cast<size_t>(i)] == 0; --i) {
    }
    return mac;
}

}  // namespace

const std::vector<ValueKey>& ValueKeys() {
    static const std::vector<ValueKey> keys = {
        {"netmask", "255.255.255.0"}, {"gateway", "192.168.1.1"}, {"dhcp", "Disable"},
        {"name", ""},                 {"password", ""},           {"serial", ""},
        {"serial2", ""},              {"hwid", ""},               {"model", ""},
        {"company", ""},              {"serial_ports", "1"},      {"protocol", "TCP"},
        {"port", "4000"},             {"mode", "Server"},         {"baud", "9600"},
        {"data_stop", "8-1"},         {"parity", "None"},         {"flow", "None"},
        {"remote_ip", "0.0.0.0"},     {"serial_timeout", "0"},    {"alive", "0"},
        {"serial_mode", "RS232"},     {"connect_at", "Power Up"}, {"max_connections", "1"},
        {"delimiter1", "0"},          {"delimiter2", "0"},        {"force_transmit", "0"},
        {"version", ""},              {"date", ""},               {"link_in", "3)100/Full Duplex"},
        {"link_out", "4)Link down"},  {"port_status", "0"},       {"checkcode", ""},
        {"module_company", ""},
    };
    return keys;
}

std::string FormatIp(const std::array<uint8_t, 4>& ip) { return FormatDotted(ip); }

namespace {

// What a [device] section has said so far beside its device's description.
struct Section {
    DeviceDescription device;
    int count = 1;
    bool haveMac = false, haveIp = false, haveIdentity = false;
};

// Expands a finished [device] section into its devices; false, with the
// error, when it lacks something or makes the LAN too large.
bool ExpandSection(const Section& s, LanDescription& lan, ParseError& error) {
    const int line = s.device.line;
    if (!s.haveMac) return error = {line, "device has no mac"}, false;
    if (!s.haveIp) return error = {line, "device has no ip"}, false;
    if (lan.devices.size() + static_cast<size_t>(s.count) > kMaxDevicesInLan)
        return error = {line, "too many devices (at most " + std::to_string(kMaxDevicesInLan) + " in a LAN)"}, false;
    DeviceDescription d = s.device;
    for (int i = 0; i < s.count; ++i) {
        if (!s.haveIdentity) d.identity = d.mac;
        lan.devices.push_back(d);
        d.mac = NextMac(d.mac);
        d.ip = NextIp(d.ip);
        if (s.haveIdentity) d.identity = NextMac(d.identity);
    }
    return true;
}

// A whole number of a range into `out`; false when the value is none.
template <typename T>
bool TakeNumber(const std::string& value, int64_t low, int64_t high, T& out) {
    const auto n = ParseWholeNumber(value, low, high);
    if (n) out = static_cast<T>(*n);
    return n.has_value();
}

// A key of the faults a device plays; nullopt when `key` is none of them,
// else whether its value was good.
std::optional<bool> TakeFaultKey(Faults& f, const std::string& key, const std::string& value) {
    if (key == "restart" && value == "never") return f.neverRestarts = true;
    if (key == "ignore_writes") return ParseFlag(value, f.ignoreWrites);
    if (key == "ignore_reset") return ParseFlag(value, f.ignoreReset);
    if (key == "duplicate") return ParseFlag(value, f.duplicate);
    if (key == "reorder") return ParseFlag(value, f.reorder);
    if (key == "silent") return ParseFlag(value, f.silent);
    if (key == "hidden_until_restart") return ParseFlag(value, f.hiddenUntilRestart);
    if (key == "truncate") return TakeNumber(value, 0, 100000, f.truncate);
    if (key == "malformed") return TakeNumber(value, 0, 100000, f.malformed);
    if (key == "flood") return TakeNumber(value, 0, 100000, f.flood);
    if (key == "forge_from") {
        f.forgeFrom = ParseDottedQuad(value);
        return f.forgeFrom.has_value();
    }
    if (key == "drop" || key == "drop_after_restart") {
        std::vector<int>& dropped = key == "drop" ? f.dropPages : f.dropPagesAfterRestart;
        dropped.clear();
        std::istringstream pages(value);
        std::string p;
        bool ok = true;
        while (ok && std::getline(pages, p, ',')) {
            int page = 0;
            ok = TakeNumber(p, 0, 2, page);
            if (ok) dropped.push_back(page);
        }
        return ok;
    }
    return std::nullopt;
}

// Takes one `key = value` line of a section; empty when taken, else what is wrong.
std::string TakeKey(Section& s, const std::string& key, const std::string& value) {
    DeviceDescription& d = s.device;
    bool ok = true;
    if (const auto fault = TakeFaultKey(d.faults, key, value)) {
        ok = *fault;
    } else if (key == "format") {
        ok = value == "paged" || value == "short";
        d.paged = value == "paged";
    } else if (key == "mac" || key == "identity") {
        const auto mac = ParseMac(value);
        ok = mac.has_value();
        if (ok && key == "mac") d.mac = *mac, s.haveMac = true;
        if (ok && key == "identity") d.identity = *mac, s.haveIdentity = true;
    } else if (key == "ip") {
        const auto ip = ParseDottedQuad(value);
        ok = ip.has_value();
        if (ok) d.ip = *ip, s.haveIp = true;
    } else if (key == "count") {
        ok = TakeNumber(value, 1, 4096, s.count);
    } else if (key == "module") {
        ok = ParseFlag(value, d.module);
    } else if (key == "restart" || key == "delay" || key == "page_gap") {
        const auto v = ParseDecimal(value);
        ok = v && *v >= 0 && *v <= 3600;
        if (ok) (key == "restart" ? d.restart : key == "delay" ? d.faults.delay : d.faults.pageGap) = *v;
    } else {
        const auto& keys = ValueKeys();
        const bool known = std::any_of(keys.begin(), keys.end(), [&](const ValueKey& k) { return key == k.key; });
        if (!known) return "unknown key '" + key + "'";
        // A value no record field can hold would leave the field zero
        // without a word: a choice spelled otherwise, a number too large.
        ok = ValueFits(key, value);
        if (ok) d.values[key] = value;
    }
    return ok ? std::string() : "bad value '" + value + "' for " + key;
}

}  // namespace

std::optional<LanDescription> ParseLanDescription(const std::string& text, ParseError& error) {
    LanDescription lan;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    Section defaults;
    Section section;
    Section* current = nullptr;
    auto fail = [&](int line, const std::string& message) {
        error = {line, message};
        return std::nullopt;
    };
    // The defaults are no device of their own.
    auto finish = [&] { return !current || current == &defaults || ExpandSection(section, lan, error); };
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line.front() == '[') {
            if (!finish()) return std::nullopt;
            const std::string name = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : "";
            if (name == "defaults") {
                if (!lan.devices.empty()) return fail(lineNo, "[defaults] must come before every [device]");
                current = &defaults;
            } else if (name == "device") {
                section = Section{defaults.device};
                section.device.line = lineNo;
                current = &section;
            } else {
                return fail(lineNo, "unknown section " + line + " (expected [defaults] or [device])");
            }
            continue;
        }
        if (!current) return fail(lineNo, "a key outside any section");
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return fail(lineNo, "expected key = value");
        if (const std::string wrong = TakeKey(*current, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
            !wrong.empty())
            return fail(lineNo, wrong);
    }
    if (!finish()) return std::nullopt;
    if (lan.devices.empty()) return fail(lineNo, "no [device] section");
    return lan;
}

}  // namespace cobalin::sim
