#include "core/device_report.h"

#include <algorithm>

#include "core/ansi_text.h"
#include "core/device_class.h"
#include "core/lan_module.h"
#include "core/record_layout.h"

namespace cobalin {

namespace {

constexpr std::string_view kKeys[] = {
    "mac",  "record", "class", "ip",          "netmask",          "gateway",          "dhcp",
    "name", "model",  "hardware_id", "firmware_version", "firmware_date", "lan_module_company", "interface",
};

// The page that holds the firmware version and date.
constexpr int kFirmwarePage = 2;

std::string Decoded(std::span<const FieldDef> fields, size_t row, const DeviceRecord& record) {
    return FieldText(fields[row], record);
}

// The bytes of a text field, NULs removed, as UTF-8.
std::string Text(const uint8_t* p, size_t n) {
    std::string ansi;
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) ansi += static_cast<char>(p[i]);
    return AnsiToUtf8(ansi);
}

std::string ClassText(DeviceClass c) {
    const DeviceFamily* family = FamilyOf(c);
    return std::string(family ? family->name : "other");
}

}  // namespace

std::span<const std::string_view> ReportKeys() { return kKeys; }

const std::string* DeviceReport::Find(std::string_view key) const {
    for (const auto& [k, v] : fields)
        if (k == key) return &v;
    return nullptr;
}

DeviceClass ClassOfEntry(const DeviceEntry& e) {
    if (e.FormatTag == RecordFormat::Short)
        return ClassifyDevice(Decoded(ShortFields(), ShortRow::Mac, e.Record), e.MacText,
                              Decoded(ShortFields(), ShortRow::HardwareId, e.Record));
    return ClassifyDevice(Decoded(PagedFields(), PagedRow::Mac, e.Record), e.MacText,
                          Decoded(PagedFields(), PagedRow::HardwareId, e.Record));
}

DeviceReport ReportDevice(const DeviceStore& store, int16_t index) {
    DeviceReport report;
    if (!store.IsDevice(index)) return report;
    const DeviceEntry& e = store.DeviceTable[static_cast<size_t>(index)];
    const DeviceRecord& r = e.Record;
    std::vector<std::pair<std::string_view, std::string>> found;
    auto put = [&found](std::string_view key, std::string value) { found.emplace_back(key, std::move(value)); };
    put("mac", e.MacText);
    if (e.FormatTag == RecordFormat::Short) {
        const auto fields = ShortFields();
        const std::string hardwareId = AnsiToUtf8(Decoded(fields, ShortRow::HardwareId, r));
        put("record", "short");
        put("class", ClassText(ClassOfEntry(e)));
        put("ip", Decoded(fields, ShortRow::IpV4, r));
        put("netmask", Decoded(fields, ShortRow::NetmaskV4, r));
        put("gateway", Decoded(fields, ShortRow::GatewayV4, r));
        put("name", AnsiToUtf8(Decoded(fields, ShortRow::ServerName, r)));
        put("hardware_id", hardwareId);
    } else if (e.FormatTag == RecordFormat::Paged || e.FormatTag == RecordFormat::WithModule) {
        const auto fields = PagedFields();
        put("record", "paged");
        // A LAN-module device whose page 0 was lost is paged by its module's
        // answer, but its record holds none of page 0's values: zeros would
        // read as an address 0.0.0.0 and a device of class "other".
        if (e.ReceivedPages & 1u) {
            put("class", ClassText(ClassOfEntry(e)));
            put("ip", Decoded(fields, PagedRow::IpAddress, r));
            put("netmask", Decoded(fields, PagedRow::Netmask, r));
            put("gateway", Decoded(fields, PagedRow::Gateway, r));
            put("dhcp", Decoded(fields, PagedRow::Dhcp, r));
            put("name", AnsiToUtf8(Decoded(fields, PagedRow::ServerName, r)));
            put("model", AnsiToUtf8(Decoded(fields, PagedRow::ModelNo, r)));
            put("hardware_id", AnsiToUtf8(Decoded(fields, PagedRow::HardwareId, r)));
        }
        if (e.ReceivedPages & (1u << kFirmwarePage)) {
            // 8 characters of version, then 16 of date.
            const size_t at = fields[PagedRow::VersionDate].offset;
            put("firmware_version", Text(r.data() + at, 8));
            put("firmware_date", Text(r.data() + at + 8, 16));
        }
        const Bytes& module = store.LanModuleTable[static_cast<size_t>(index)].Record;
        const ModuleField* company = ModuleFieldOfRow(PagedRow::CompanyName);
        if (e.FormatTag == RecordFormat::WithModule && company && module.size() >= company->offset + kModuleTextSize)
            put("lan_module_company", Text(module.data() + company->offset, kModuleTextSize));
    } else {
        // Pages of a device whose page 0 never arrived: its MAC alone is known.
        put("record", "incomplete");
    }
    if (!e.InterfaceName.empty()) put("interface", e.InterfaceName);
    report.warnings = DeviceWarnings(store, index);
    for (std::string_view key : kKeys)
        for (auto& f : found)
            if (f.first == key) report.fields.push_back(std::move(f));
    return report;
}

std::vector<DeviceReport> ReportDevices(const DeviceStore& store) {
    std::vector<DeviceReport> all;
    // The warnings compare every device with every other: once for all.
    const auto warnings = AllDeviceWarnings(store);
    for (int16_t i = 1; i <= store.DeviceCount && store.IsDevice(i); ++i) {
        DeviceReport& r = all.emplace_back();
        r = ReportDevice(store, i);
        r.warnings = warnings[static_cast<size_t>(i)];
    }
    return all;
}

std::string JsonString(std::string_view s) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string CsvCell(std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string JsonObjects(const std::vector<JsonMembers>& objects) {
    std::string out = "[";
    for (size_t i = 0; i < objects.size(); ++i) {
        out += i ? ",\n  {" : "\n  {";
        bool first = true;
        for (const auto& [key, json] : objects[i]) {
            if (!first) out += ", ";
            first = false;
            out += JsonString(key) + ": " + json;
        }
        out += "}";
    }
    return out + (objects.empty() ? "]\n" : "\n]\n");
}

std::string ReportJson(const std::vector<DeviceReport>& devices) {
    std::vector<JsonMembers> objects;
    for (const DeviceReport& d : devices) {
        JsonMembers& members = objects.emplace_back();
        for (const auto& [key, value] : d.fields) members.emplace_back(key, JsonString(value));
        std::string warnings = "[";
        for (size_t i = 0; i < d.warnings.size(); ++i) warnings += (i ? ", " : "") + JsonString(d.warnings[i]);
        members.emplace_back(kWarningsKey, warnings + "]");
    }
    return JsonObjects(objects);
}

namespace {

// The length of the well-formed UTF-8 character at `at` (shortest form, no
// surrogate, at most U+10FFFF), or 0 for a byte that starts none.
size_t Utf8CharacterLength(std::string_view s, size_t at) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    const size_t len = b0 < 0x80 ? 1 : b0 >= 0xC2 && b0 <= 0xDF ? 2 : (b0 >> 4) == 0xE ? 3 : b0 >= 0xF0 && b0 <= 0xF4 ? 4 : 0;
    if (len == 0 || at + len > s.size()) return 0;
    uint32_t cp = len == 1 ? b0 : b0 & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[at + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

// A device's text or a path must not steer the terminal: control characters
// (C0, DEL and the C1 range U+0080-U+009F) and bytes of no character become "?".
std::string PrintableText(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = Utf8CharacterLength(utf8, i);
        const auto c = static_cast<unsigned char>(utf8[i]);
        // Controls, C1 controls (U+0080-U+009F, 0xC2 0x80-0x9F) and bytes of
        // no character: a terminal may act on any of them.
        const bool control = c < 0x20 || c == 0x7F || (c == 0xC2 && len == 2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0);
        if (len == 0 || control) {
            out += '?';
            i += len == 0 ? 1 : len;
        } else {
            out.append(utf8, i, len);
            i += len;
        }
    }
    return out;
}

std::string JoinedWarnings(const DeviceReport& d) {
    std::string out;
    for (const std::string& w : d.warnings) out += (out.empty() ? "" : "; ") + w;
    return out;
}

std::string ReportCsv(const std::vector<DeviceReport>& devices) {
    std::string out;
    for (size_t k = 0; k < std::size(kKeys); ++k) out += (k ? "," : "") + std::string(kKeys[k]);
    out += "," + std::string(kWarningsKey) + "\r\n";
    for (const DeviceReport& d : devices) {
        for (size_t k = 0; k < std::size(kKeys); ++k) {
            if (k) out += ",";
            if (const std::string* v = d.Find(kKeys[k])) out += CsvCell(*v);
        }
        out += "," + CsvCell(JoinedWarnings(d)) + "\r\n";
    }
    return out;
}

std::string ReportText(const std::vector<DeviceReport>& devices) {
    // The warnings' column only when there is something in it.
    const bool warned = std::any_of(devices.begin(), devices.end(), [](const DeviceReport& d) { return !d.warnings.empty(); });
    const std::string_view allColumns[] = {"mac", "ip", "class", "name", "model", kWarningsKey};
    const std::string_view allTitles[] = {"MAC address", "IP address", "Class", "Name", "Model", "Warnings"};
    const std::span<const std::string_view> columns(allColumns, warned ? 6 : 5), titles(allTitles, warned ? 6 : 5);
    // Widths in characters (code points), so that UTF-8 names line up.
    auto width = [](const std::string& s) {
        return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back(titles.begin(), titles.end());
    for (const DeviceReport& d : devices) {
        std::vector<std::string> row;
        for (std::string_view c : columns) {
            const std::string* v = d.Find(c);
            if (c == kWarningsKey) row.push_back(PrintableText(JoinedWarnings(d)));
            else row.push_back(v ? PrintableText(*v) : "-");
        }
        rows.push_back(std::move(row));
    }
    std::vector<size_t> widths(columns.size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - width(row[c]) + 2, ' ');
        }
        // A device without warnings ends its line with its model.
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

}  // namespace cobalin
