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

std::optional<LanDescription> ParseLanDescription(const std::string& text, ParseError& error) {
    LanDescription lan;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    DeviceDescription defaults;
    DeviceDescription* current = nullptr;
    bool inDefaults = false;
    int count = 1;
    bool haveMac = false, haveIp = false, haveIdentity = false;
    DeviceDescription section;

    auto fail = [&](int line, const std::string& message) {
        error = {line, message};
        return std::nullopt;
    };
    // Expands the finished section into its devices.
    auto finish = [&]() -> bool {
        if (!current || inDefaults) return true;
        if (!haveMac) return error = {current->line, "device has no mac"}, false;
        if (!haveIp) return error = {current->line, "device has no ip"}, false;
        if (lan.devices.size() + static_cast<size_t>(count) > kMaxDevicesInLan)
            return error = {current->line, "too many devices (at most " + std::to_string(kMaxDevicesInLan) + " in a LAN)"}, false;
        DeviceDescription d = *current;
        for (int i = 0; i < count; ++i) {
            if (!haveIdentity) d.identity = d.mac;
            lan.devices.push_back(d);
            d.mac = NextMac(d.mac);
            d.ip = NextIp(d.ip);
            if (haveIdentity) d.identity = NextMac(d.identity);
        }
        return true;
    };

    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line.front() == '[') {
            if (!finish()) return std::nullopt;
            const std::string name = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : "";
            if (name == "defaults") {
                if (!lan.devices.empty()) return fail(lineNo, "[defaults] must come before every [device]");
                inDefaults = true;
                current = &defaults;
            } else if (name == "device") {
                inDefaults = false;
                section = defaults;
                current = &section;
                current->line = lineNo;
                count = 1;
                haveMac = haveIp = haveIdentity = false;
            } else {
                return fail(lineNo, "unknown section " + line + " (expected [defaults] or [device])");
            }
            continue;
        }
        if (!current) return fail(lineNo, "a key outside any section");
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return fail(lineNo, "expected key = value");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        DeviceDescription& d = *current;
        bool ok = true;
        if (key == "format") {
            ok = value == "paged" || value == "short";
            d.paged = value == "paged";
        } else if (key == "mac") {
            const auto mac = ParseMac(value);
            ok = mac.has_value();
            if (ok) d.mac = *mac, haveMac = true;
        } else if (key == "identity") {
            const auto id = ParseMac(value);
            ok = id.has_value();
            if (ok) d.identity = *id, haveIdentity = true;
        } else if (key == "ip") {
            const auto ip = ParseDottedQuad(value);
            ok = ip.has_value();
            if (ok) d.ip = *ip, haveIp = true;
        } else if (key == "count") {
            const auto n = ParseWholeNumber(value, 1, 4096);
            ok = n.has_value();
            if (ok) count = static_cast<int>(*n);
        } else if (key == "module") {
            ok = ParseFlag(value, d.module);
        } else if (key == "restart" && value == "never") {
            d.faults.neverRestarts = true;
        } else if (key == "ignore_writes") {
            ok = ParseFlag(value, d.faults.ignoreWrites);
        } else if (key == "ignore_reset") {
            ok = ParseFlag(value, d.faults.ignoreReset);
        } else if (key == "restart" || key == "delay" || key == "page_gap") {
            const auto v = ParseDecimal(value);
            ok = v && *v >= 0 && *v <= 3600;
            if (ok) (key == "restart" ? d.restart : key == "delay" ? d.faults.delay : d.faults.pageGap) = *v;
        } else if (key == "drop" || key == "drop_after_restart") {
            std::vector<int>& dropped = key == "drop" ? d.faults.dropPages : d.faults.dropPagesAfterRestart;
            dropped.clear();
            std::istringstream pages(value);
            std::string p;
            while (ok && std::getline(pages, p, ',')) {
                const auto n = ParseWholeNumber(p, 0, 2);
                ok = n.has_value();
                if (ok) dropped.push_back(static_cast<int>(*n));
            }
        } else if (key == "duplicate") {
            ok = ParseFlag(value, d.faults.duplicate);
        } else if (key == "reorder") {
            ok = ParseFlag(value, d.faults.reorder);
        } else if (key == "silent") {
            ok = ParseFlag(value, d.faults.silent);
        } else if (key == "truncate" || key == "malformed" || key == "flood") {
            const auto n = ParseWholeNumber(value, 0, 100000);
            ok = n.has_value();
            if (ok) {
                if (key == "truncate") d.faults.truncate = static_cast<size_t>(*n);
                else (key == "malformed" ? d.faults.malformed : d.faults.flood) = static_cast<int>(*n);
            }
        } else {
            const auto& keys = ValueKeys();
            const bool known = std::any_of(keys.begin(), keys.end(), [&](const ValueKey& k) { return key == k.key; });
            if (!known) return fail(lineNo, "unknown key '" + key + "'");
            // A value no record field can hold would leave the field zero
            // without a word: a choice spelled otherwise, a number too large.
            ok = ValueFits(key, value);
            if (ok) d.values[key] = value;
        }
        if (!ok) return fail(lineNo, "bad value '" + value + "' for " + key);
    }
    if (!finish()) return std::nullopt;
    if (lan.devices.empty()) return fail(lineNo, "no [device] section");
    return lan;
}

}  // namespace cobalin::sim
