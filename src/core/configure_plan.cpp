#include "core/configure_plan.h"

#include <algorithm>
#include <bit>
#include <map>
#include <memory>
#include <set>

#include "core/ansi_text.h"
#include "core/device_change.h"
#include "core/device_report.h"
#include "core/input_rules.h"
#include "core/lan_module.h"
#include "core/parameter_codec.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

// ---- CSV ----

struct CsvCell {
    std::string text;
    size_t line = 0;
};
using CsvRecord = std::vector<CsvCell>;

struct CsvRead {
    std::vector<CsvRecord> records;
    std::string error;
};

// Where a fault lies, to open its message: "line 3, column 2 (ip): ".
std::string Where(size_t line, size_t column, std::string_view name = {}) {
    std::string where = "line " + std::to_string(line) + ", column " + std::to_string(column);
    if (!name.empty()) where += " (" + std::string(name) + ")";
    return where + ": ";
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Past one line end: CR LF, LF, or a CR alone.
void SkipLineEnd(std::string_view s, size_t& at, size_t& line) {
    if (at < s.size() && s[at] == '\r') ++at;
    if (at < s.size() && s[at] == '\n') ++at;
    ++line;
}

// A quoted cell from its opening quote; `at` ends past the closing one.
bool ReadQuoted(std::string_view s, size_t& at, size_t& line, size_t column, CsvCell& cell, std::string& error) {
    for (++at;; ++at) {
        if (at >= s.size()) {
            error = Where(cell.line, column) + "a quoted cell is not closed";
            return false;
        }
        if (s[at] == '"') {
            if (at + 1 >= s.size() || s[at + 1] != '"') break;
            ++at;  // a doubled quote stands for one
        } else if (s[at] == '\n') {
            ++line;
        }
        cell.text += s[at];
    }
    ++at;
    if (at < s.size() && s[at] != ',' && !IsLineEnd(s[at])) {
        error = Where(cell.line, column) + "text after the closing quote of a cell";
        return false;
    }
    return true;
}

// One cell; `at` ends on the comma, the line end or the end of the text.
bool ReadCell(std::string_view s, size_t& at, size_t& line, size_t column, CsvCell& cell, std::string& error) {
    cell = {{}, line};
    if (at < s.size() && s[at] == '"') return ReadQuoted(s, at, line, column, cell, error);
    for (; at < s.size() && s[at] != ',' && !IsLineEnd(s[at]); ++at) {
        if (s[at] == '"') {
            error = Where(line, column) + "a quote inside a cell that is not quoted";
            return false;
        }
        cell.text += s[at];
    }
    return true;
}

CsvRead ReadCsv(std::string_view s) {
    CsvRead out;
    size_t at = s.starts_with("\xEF\xBB\xBF") ? 3 : 0, line = 1;
    while (at < s.size()) {
        if (IsLineEnd(s[at])) {  // a blank line carries nothing
            SkipLineEnd(s, at, line);
            continue;
        }
        CsvRecord record;
        for (;;) {
            const size_t column = record.size() + 1;
            if (!ReadCell(s, at, line, column, record.emplace_back(), out.error)) return out;
            if (at >= s.size() || s[at] != ',') break;
            ++at;
        }
        SkipLineEnd(s, at, line);
        out.records.push_back(std::move(record));
    }
    return out;
}

bool IsUtf8(std::string_view s) {
    const auto points = CodePoints(s);
    return std::find(points.begin(), points.end(), kMalformedCharacter) == points.end();
}

// ---- the header ----

// What a column of the plan holds.
constexpr size_t kMacPlace = kPlanKeyCount, kPasswordPlace = kPlanKeyCount + 1, kBackupPlace = kPlanKeyCount + 2,
                 kNoPlace = kPlanKeyCount + 3;

struct Header {
    std::vector<size_t> places;  // per column: a kPlanKeys position, kMacPlace, kPasswordPlace or kBackupPlace
    std::vector<std::string> names;
};

size_t PlaceOf(std::string_view name) {
    if (name == kMacColumn) return kMacPlace;
    if (name == kPasswordColumn) return kPasswordPlace;
    if (name == kBackupColumn) return kBackupPlace;
    return PlanKeyIndex(name).value_or(kNoPlace);
}

std::optional<Header> ReadHeader(const CsvRecord& record, std::string& error) {
    Header h;
    for (size_t c = 0; c < record.size(); ++c) {
        const std::string name(Trim(record[c].text, kBlanks));
        const std::string where = Where(record[c].line, c + 1);
        const size_t place = IsUtf8(name) ? PlaceOf(name) : kNoPlace;
        // A plan without its header would show its first device's cells
        // here, password and all: the column is named by its place only.
        if (place == kNoPlace)
            error += "column " + std::to_string(c + 1) + " of line " + std::to_string(record[c].line) + " is not a key\n";
        else if (std::find(h.places.begin(), h.places.end(), place) != h.places.end())
            error += where + "the column \"" + name + "\" is given twice\n";
        h.places.push_back(place);
        h.names.push_back(name);
    }
    for (std::string_view required : {kMacColumn, kPasswordColumn})
        if (std::find(h.names.begin(), h.names.end(), required) == h.names.end())
            error += "line " + std::to_string(record.empty() ? 1 : record[0].line) + ": the header has no \"" +
                     std::string(required) + "\" column\n";
    if (!error.empty()) return std::nullopt;
    return h;
}

// ---- values, tried on a blank record ----

std::string Joined(ValueTable texts) {
    std::string out;
    for (std::string_view t : texts) out += (out.empty() ? "" : ", ") + std::string(t);
    return out;
}

// Why a row's edit is refused, as the editor words it where its words quote
// no value (the LAN module's notes), else in words that quote none.
std::string ValueFault(long row, EditNote note);
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

// A table holding one device with a blank paged record, whole.
std::unique_ptr<DeviceStore> BlankDevice() {
    auto store = std::make_unique<DeviceStore>();
    DeviceEntry& e = store->DeviceTable[1];
    e.MacText = "00:00:00:00:00:00";
    e.Record[0] = kPageMark;
    e.FormatTag = RecordFormat::Paged;
    e.ReceivedPages = 0x7;
    store->DeviceCount = 1;
    return store;
}

bool IsAddressRow(long row);

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

// ---- rows ----

struct RowReader {
    explicit RowReader(const Header& h) : header(h) {}
    const Header& header;
    std::unique_ptr<DeviceStore> blank = BlankDevice();
    std::map<std::string, size_t> macs;  // MAC -> line
    std::string error;

    void Cell(const CsvCell& cell, size_t column, PlanRow& row);
    void FixedAddressesWithDhcp(const CsvRecord& record, const PlanRow& row);
    void Mac(const CsvCell& cell, size_t column, PlanRow& row);
    void Read(const CsvRecord& record, std::vector<PlanRow>& rows);
};

void RowReader::Mac(const CsvCell& cell, size_t column, PlanRow& row) {
    const auto mac = NormalizeMac(cell.text);
    if (!mac) {
        error += Where(cell.line, column, kMacColumn) + "not a MAC address (six pairs of hex digits)\n";
        return;
    }
    const auto [it, added] = macs.emplace(*mac, cell.line);
    if (!added)
        error += Where(cell.line, column, kMacColumn) + *mac + " is already on line " + std::to_string(it->second) + "\n";
    row.mac = *mac;
}

void RowReader::Cell(const CsvCell& cell, size_t column, PlanRow& row) {
    const size_t place = header.places[column - 1];
    const std::string where = Where(cell.line, column, header.names[column - 1]);
    if (!IsUtf8(cell.text)) {
        error += where + "not UTF-8 text\n";
        return;
    }
    if (place == kMacPlace) return Mac(cell, column, row);
    if (place == kPasswordPlace) {
        row.password = cell.text;
        return;
    }
    if (place == kBackupPlace) {
        row.fromBackup = cell.text;
        return;
    }
    if (cell.text.empty()) return;
    const EditNote note = ComputeChange(*blank, 1, {{kPlanKeys[place].row, cell.text}}).edits[0].result.note;
    if (const auto fault = PlanValueFault(kPlanKeys[place].row, cell.text, note)) error += where + *fault + "\n";
    row.values[place] = cell.text;
}

// A row that switches DHCP on and gives a fixed address says two things
// at once: which one was meant is the person's to say.
void RowReader::FixedAddressesWithDhcp(const CsvRecord& record, const PlanRow& row) {
    if (row.values[*PlanKeyOfRow(PagedRow::Dhcp)] != "Enable") return;
    for (size_t c = 0; c < record.size(); ++c) {
        const size_t place = header.places[c];
        if (place >= kPlanKeyCount || !IsAddressRow(kPlanKeys[place].row) || row.values[place].empty()) continue;
        error += Where(record[c].line, c + 1, header.names[c]) + RowName(kPlanKeys[place].row) +
                 ": a fixed address with dhcp Enable: leave it empty, or set dhcp to Disable\n";
    }
}

void RowReader::Read(const CsvRecord& record, std::vector<PlanRow>& rows) {
    if (record.size() != header.places.size()) {
        error += "line " + std::to_string(record[0].line) + ": " + std::to_string(record.size()) +
                 " cells, but the header has " + std::to_string(header.places.size()) + "\n";
        return;
    }
    PlanRow row;
    row.line = record[0].line;
    for (size_t c = 0; c < record.size(); ++c) Cell(record[c], c + 1, row);
    FixedAddressesWithDhcp(record, row);
    rows.push_back(std::move(row));
}

// ---- the device's checks ----

std::string CurrentText(const DeviceRecord& record, long row) {
    return AnsiToUtf8(FieldText(PagedFields()[static_cast<size_t>(row)], record));
}

bool IsAddressRow(long row) {
    return row == PagedRow::IpAddress || row == PagedRow::Netmask || row == PagedRow::Gateway;
}

constexpr std::string_view kWrongPassword = "the password does not match the device's";
constexpr std::string_view kPasswordNotReceived = "the device's password was not received; search again";

// The password the device sent in this search: from its page 0, or from its
// module record where a LAN-module device's page 0 was lost. None without
// either: an empty plan cell must not pass against zero bytes.
std::optional<std::string> ReceivedPassword(const DeviceStore& store, long device) {
    const auto k = static_cast<size_t>(device);
    const DeviceEntry& e = store.DeviceTable[k];
    if (e.ReceivedPages & 1u) return CurrentText(e.Record, PagedRow::Password);
    const LanModuleEntry& m = store.LanModuleTable[k];
    const ModuleField* field = ModuleFieldOfRow(PagedRow::Password);
    if (e.FormatTag != RecordFormat::WithModule || m.MacText != e.MacText || !field ||
        m.Record.size() < field->offset + kModuleTextSize)
        return std::nullopt;
    std::string ansi;
    for (size_t i = field->offset; i < field->offset + kModuleTextSize; ++i)
        if (m.Record[i] != 0) ansi += static_cast<char>(m.Record[i]);
    return AnsiToUtf8(ansi);
}

// Whether the device's password lets the row through: the row's password, or
// its new password when the device holds that already (a plan run a second
// time, after it changed the password); the row's other keys are then
// checked as for any device.
// A restore gives the device the backup's password unless the row gives
// one: a device restored already holds that one.
bool PasswordLetsRowThrough(const std::string& received, const PlanRow& row, const DeviceRecord* backup) {
    std::string next = row.values[*PlanKeyOfRow(PagedRow::Password)];
    if (next.empty() && backup) next = CurrentText(*backup, PagedRow::Password);
    return received == row.password || (!next.empty() && received == next);
}

// The panel's rules for the class, on the values its fields would hold:
// the plan's where it changes them, the device's elsewhere.
std::optional<std::string> PanelRefusal(const DeviceRecord& record, const PlanRow& row, const std::set<int>& changed,
                                        DeviceClass deviceClass, bool dhcpOn) {
    const DeviceFamily* family = FamilyOf(deviceClass);
    if (!family) return std::nullopt;
    const auto rows = family->panelRows;
    if (std::none_of(rows.begin(), rows.end(), [&](int r) { return changed.count(r) > 0; })) return std::nullopt;
    const auto value = [&](PagedRow::Row r) {
        return changed.count(r) ? row.values[*PlanKeyOfRow(r)] : CurrentText(record, r);
    };
    using P = PagedRow;
    if (family->panel == PanelForm::NameLocationPassword) {
        const std::string password = CurrentText(record, P::Password);
        const std::string newPassword = changed.count(P::Password) ? value(P::Password) : "";
        const SaveFields f{password,    password,    value(P::ServerName), value(P::CompanyName),
                           newPassword, newPassword, value(P::IpAddress),  value(P::Netmask),
                           value(P::Gateway)};
        const auto refusal = CheckSave(f);
        // The addresses are checked last; with DHCP on they are not written.
        const bool address = refusal == Refusal::InvalidIpAddress || refusal == Refusal::InvalidSubnet ||
                             refusal == Refusal::InvalidGateway;
        if (refusal && !(dhcpOn && address)) return ReportOf(*refusal).text;
    }
    // A new password longer than its field, which the applying step refuses,
    // never gets here: the plan's own check has refused it as cut.
    if (!dhcpOn && !IsAcceptedNetworkSetting(value(P::IpAddress), value(P::Netmask), value(P::Gateway)))
        return std::string(kNetworkSettingsRefused);
    return std::nullopt;
}

constexpr std::string_view kDhcpIsOn = "DHCP is on: add dhcp=Disable to set a fixed address";

// A device on DHCP takes its addresses from the network: an address for it
// counts only with the row switching DHCP off, never dropped in silence.
bool AddressWithoutDhcpOff(const DeviceRecord& record, const PlanRow& row) {
    if (CurrentText(record, PagedRow::Dhcp) != "Enable" || row.values[*PlanKeyOfRow(PagedRow::Dhcp)] == "Disable")
        return false;
    return std::any_of(std::begin(kPlanKeys), std::end(kPlanKeys),
                       [&](const PlanKey& k) { return IsAddressRow(k.row) && !row.values[*PlanKeyIndex(k.key)].empty(); });
}

// What only the device's own values show wrong of the addresses a row
// sets: the address, netmask and gateway it would hold (the row's where
// given, the device's elsewhere) must leave it reachable.
std::optional<std::string> SubnetRefusal(const DeviceRecord& record, const PlanRow& row) {
    const auto value = [&](PagedRow::Row r) {
        const std::string& planned = row.values[*PlanKeyOfRow(r)];
        return planned.empty() ? CurrentText(record, r) : planned;
    };
    const auto given = [&](PagedRow::Row r) { return !row.values[*PlanKeyOfRow(r)].empty(); };
    if (!given(PagedRow::IpAddress) && !given(PagedRow::Netmask) && !given(PagedRow::Gateway)) return std::nullopt;
    const auto ip = ParseDottedQuad(Trim(value(PagedRow::IpAddress), kBlanks));
    const auto mask = ParseDottedQuad(Trim(value(PagedRow::Netmask), kBlanks));
    const auto gateway = ParseDottedQuad(Trim(value(PagedRow::Gateway), kBlanks));
    if (!ip || !mask || !gateway) return std::nullopt;  // the panel's rules and the encodings speak for these
    const auto number = [](const std::array<uint8_t, 4>& b) {
        return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    };
    const uint32_t a = number(*ip), m = number(*mask), g = number(*gateway);
    if (m != 0xFFFFFFFF && ((a & ~m) == 0 || (a & ~m) == ~m))
        return RowName(PagedRow::IpAddress) + ": the network or broadcast address of its subnet";
    if (g != 0 && (g & m) != (a & m)) return RowName(PagedRow::Gateway) + ": outside the device's subnet";
    return std::nullopt;
}

DevicePlan Refuse(DevicePlan plan, std::string reason) {
    plan.status = RowStatus::Refused;
    plan.reason = std::move(reason);
    plan.changed.clear();
    plan.sent.rows.clear();
    return plan;
}

}  // namespace

std::optional<size_t> PlanKeyIndex(std::string_view key) {
    for (size_t i = 0; i < kPlanKeyCount; ++i)
        if (kPlanKeys[i].key == key) return i;
    return std::nullopt;
}

std::optional<size_t> PlanKeyOfRow(long row) {
    for (size_t i = 0; i < kPlanKeyCount; ++i)
        if (kPlanKeys[i].row == row) return i;
    return std::nullopt;
}

std::optional<std::string> NormalizeMac(std::string_view text) {
    const std::string_view s = Trim(text, kBlanks);
    // 12 digits, or six pairs with one separator between each.
    const bool joined = s.size() == 17;
    if (!joined && s.size() != 12) return std::nullopt;
    const char separator = joined ? s[2] : 0;
    if (joined && separator != ':' && separator != '-') return std::nullopt;
    std::array<uint8_t, 6> bytes{};
    size_t digits = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool atSeparator = joined && i % 3 == 2;
        if (atSeparator != (joined && s[i] == separator)) return std::nullopt;
        if (atSeparator) continue;
        const int16_t v = HexDigitValue(s.substr(i, 1));
        if (v < 0) return std::nullopt;
        bytes[digits / 2] = static_cast<uint8_t>(bytes[digits / 2] * 16 + v);
        ++digits;
    }
    return FormatMac(bytes.data());
}

PlanParse ParsePlan(std::string_view text) {
    PlanParse out;
    CsvRead csv = ReadCsv(text);
    if (!csv.error.empty()) {
        out.error = csv.error;
        return out;
    }
    if (csv.records.empty()) {
        out.error = "line 1: the plan is empty; it needs a header row";
        return out;
    }
    const auto header = ReadHeader(csv.records[0], out.error);
    if (!header) {
        out.error.pop_back();
        return out;
    }
    RowReader reader(*header);
    for (size_t r = 1; r < csv.records.size(); ++r) reader.Read(csv.records[r], out.rows);
    reader.error += PlanAddressClashes(out.rows);
    if (!reader.error.empty()) {
        reader.error.pop_back();
        out.error = std::move(reader.error);
        out.rows.clear();
    }
    return out;
}

std::string_view RowStatusText(RowStatus status) {
    switch (status) {
        case RowStatus::Unchanged: return "unchanged";
        case RowStatus::Updated: return "updated";
        case RowStatus::NotFound: return "not_found";
        case RowStatus::Refused: return "refused";
        case RowStatus::NotVerified: return "not_verified";
        case RowStatus::WouldChange: return "would_change";
        case RowStatus::Interrupted: return "interrupted";
    }
    return "refused";
}

// The values a plan row wants, in kPlanKeys order: with DHCP on (by the row
// or by what the device will hold) the addresses are not written, as the
// device takes them from the network.
std::vector<WantedRow> WantedRows(const PlanRow& row, bool dhcpOn) {
    std::vector<WantedRow> wanted;
    for (size_t k = 0; k < kPlanKeyCount; ++k) {
        const std::string& value = row.values[k];
        if (value.empty() || (dhcpOn && IsAddressRow(kPlanKeys[k].row))) continue;
        wanted.push_back({kPlanKeys[k].row, value});
    }
    return wanted;
}

// The keys of the rows a change writes, in kPlanKeys order, and "other" for
// bytes that no key covers (only a restore changes those).
std::vector<std::string> ChangedKeys(const DeviceChange& change) {
    std::vector<std::string> keys;
    for (const PlanKey& k : kPlanKeys)
        if (change.rows.count(k.row)) keys.emplace_back(k.key);
    const bool other = change.otherBytes || std::any_of(change.rows.begin(), change.rows.end(), [](int row) {
                           return !PlanKeyOfRow(row);
                       });
    if (other) keys.emplace_back(kOtherBytesKey);
    return keys;
}

DevicePlan PlanDevice(const DeviceStore& store, long device, const PlanRow& row, DeviceClass deviceClass,
                      const DeviceRecord* backup) {
    DevicePlan plan;
    plan.sent.mac = row.mac;
    if (const UpdateBlock block = CheckUpdate(store, device); block != UpdateBlock::None)
        return Refuse(plan, UpdateRefusalText(store, device));
    const std::optional<std::string> password = ReceivedPassword(store, device);
    if (!password) return Refuse(plan, std::string(kPasswordNotReceived));
    if (!PasswordLetsRowThrough(*password, row, backup)) return Refuse(plan, std::string(kWrongPassword));
    // What the device holds before the row's own keys: its record, or the backup's.
    const DeviceChange base = ComputeChange(store, device, {}, backup);
    if (!base.refusal.empty()) return Refuse(plan, base.refusal);
    const DeviceRecord& current = base.entry().Record;
    if (AddressWithoutDhcpOff(current, row)) return Refuse(plan, std::string(kDhcpIsOn));
    const std::string& dhcp = row.values[*PlanKeyOfRow(PagedRow::Dhcp)];
    const bool dhcpOn = (dhcp.empty() ? CurrentText(current, PagedRow::Dhcp) : dhcp) == "Enable";
    const DeviceChange change = ComputeChange(store, device, WantedRows(row, dhcpOn), backup);
    std::set<int> rowKeys;  // the rows the row's own keys change
    for (const RowEdit& e : change.edits) {
        if (!e.differs) continue;
        if (e.result.note != EditNote::AsTyped) return Refuse(plan, RefusalOf(e.row, e.result.note, e.typed, e.result.shown));
        rowKeys.insert(e.row);
    }
    if (auto refusal = PanelRefusal(current, row, rowKeys, deviceClass, dhcpOn)) return Refuse(plan, std::move(*refusal));
    if (auto refusal = dhcpOn ? std::nullopt : SubnetRefusal(current, row)) return Refuse(plan, std::move(*refusal));
    plan.changed = ChangedKeys(change);
    plan.reason = change.note;
    plan.sent.rows = change.rows;
    plan.sent.whole = change.whole;
    plan.sent.record = change.entry().Record;
    if (change.entry().FormatTag == RecordFormat::WithModule) plan.sent.module = change.module();
    plan.status = plan.changed.empty() ? RowStatus::Unchanged : RowStatus::WouldChange;
    return plan;
}

std::string AddressHolder(const DeviceStore& store, long device, uint32_t address, const PlannedAddresses& planned) {
    for (const std::string& mac : AddressHolders(store, device, address)) {
        // A device whose change leaves it at another address does not keep
        // this one (two devices may swap their addresses in one plan).
        const auto to = planned.find(mac);
        if (to == planned.end() || to->second == DottedQuad(address)) return mac;
    }
    return {};
}

std::string PlanAddressClash(const DeviceStore& store, long device, const DevicePlan& plan,
                             const PlannedAddresses& planned) {
    if (!plan.sent.rows.count(PagedRow::IpAddress)) return {};
    const auto to = AddressValue(SentAddress(plan.sent));
    if (!to) return {};
    const std::string holder = AddressHolder(store, device, *to, planned);
    return holder.empty() ? std::string() : "IP address " + DottedQuad(*to) + " is held by MAC " + holder;
}

namespace {

// One pass over the plan's changes; true when it refused one.
bool RefuseClashesOnce(const DeviceStore& store, const std::vector<long>& devices, std::vector<DevicePlan>& plans) {
    PlannedAddresses planned;
    for (const DevicePlan& plan : plans)
        if (plan.status == RowStatus::WouldChange) planned.emplace(plan.sent.mac, SentAddress(plan.sent));
    std::map<std::string, std::string> given;  // address -> the MAC an earlier row gives it to
    bool refused = false;
    for (size_t i = 0; i < plans.size(); ++i) {
        DevicePlan& plan = plans[i];
        if (plan.status != RowStatus::WouldChange) continue;
        std::string why = PlanAddressClash(store, devices[i], plan, planned);
        // Two restores of one backup would give two devices its address.
        const std::string to = plan.sent.rows.count(PagedRow::IpAddress) ? SentAddress(plan.sent) : std::string();
        if (why.empty() && given.count(to)) why = "IP address " + to + " is given to MAC " + given[to] + " by an earlier row";
        if (why.empty()) {
            if (!to.empty()) given.emplace(to, plan.sent.mac);
            continue;
        }
        plan = Refuse(std::move(plan), std::move(why));
        refused = true;
    }
    return refused;
}

}  // namespace

void RefuseAddressClashes(const DeviceStore& store, const std::vector<long>& devices, std::vector<DevicePlan>& plans,
                          const std::function<std::string(long device)>& refusal) {
    for (size_t i = 0; i < plans.size() && refusal; ++i)
        if (plans[i].status == RowStatus::WouldChange)
            if (std::string why = refusal(devices[i]); !why.empty()) plans[i] = Refuse(std::move(plans[i]), std::move(why));
    // Each pass refuses at least one more change, or ends.
    while (RefuseClashesOnce(store, devices, plans)) {
    }
}

std::string SentAddress(const SentUpdate& sent) {
    // With DHCP the device takes its address from the network.
    if (CurrentText(sent.record, PagedRow::Dhcp) == "Enable") return {};
    return CurrentText(sent.record, PagedRow::IpAddress);
}

std::string PlanAddressClashes(const std::vector<PlanRow>& rows) {
    std::map<uint32_t, const PlanRow*> rowOf;
    std::string error;
    for (const PlanRow& r : rows) {
        const auto to = AddressValue(r.values[*PlanKeyOfRow(PagedRow::IpAddress)]);
        if (!to) continue;
        const auto [it, added] = rowOf.emplace(*to, &r);
        // A repeated MAC is a fault of its own, said already.
        if (!added && it->second->mac != r.mac)
            error += "line " + std::to_string(r.line) + ", column ip: moves a device to the address that line " +
                     std::to_string(it->second->line) + " gives another device\n";
    }
    return error;
}

std::string FoundAddress(const DeviceStore& store, std::string_view mac) {
    const long k = FindDevice(store, mac);
    if (!k) return {};
    const DeviceReport report = ReportDevice(store, static_cast<int16_t>(k));
    const std::string* ip = report.Find("ip");
    return ip ? *ip : std::string();
}

Verification VerifyDevice(const SentUpdate& sent, const DeviceStore& after, std::string_view sendFault) {
    Verification v;
    const UpdateVerdict verdict = VerifyUpdate(sent, after, sendFault);
    v.reason = verdict.reason;
    v.verified = verdict.verified;
    v.ip = FoundAddress(after, sent.mac);
    return v;
}

std::string ConfigureReportJson(const std::vector<ReportRow>& rows) {
    std::vector<JsonMembers> objects;
    for (const ReportRow& r : rows) {
        std::string changed = "[";
        for (size_t i = 0; i < r.changed.size(); ++i) changed += (i ? ", " : "") + JsonString(r.changed[i]);
        JsonMembers& m = objects.emplace_back();
        m.emplace_back("mac", JsonString(r.mac));
        m.emplace_back("status", JsonString(RowStatusText(r.status)));
        m.emplace_back("changed", changed + "]");
        if (r.attempts > 0) m.emplace_back("attempts", std::to_string(r.attempts));
        if (!r.reason.empty()) m.emplace_back("reason", JsonString(r.reason));
        if (!r.ip.empty()) m.emplace_back("ip", JsonString(r.ip));
    }
    return JsonObjects(objects);
}

std::string ConfigureReportText(const std::vector<ReportRow>& rows) {
    std::string out;
    for (const ReportRow& r : rows) {
        std::string line = r.mac, status(RowStatusText(r.status)), ip = r.ip.empty() ? "-" : r.ip;
        line += "  " + status + std::string(14 - std::min<size_t>(status.size(), 12), ' ');
        line += ip + std::string(17 - std::min<size_t>(ip.size(), 15), ' ');
        std::string details;
        for (const std::string& key : r.changed) details += (details.empty() ? "" : ", ") + key;
        if (!r.reason.empty()) details += (details.empty() ? "" : ": ") + r.reason;
        if (r.attempts > 1) details += (details.empty() ? "" : " ") + ("(written " + std::to_string(r.attempts) + " times)");
        line += details;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += PrintableText(line) + "\n";
    }
    return out;
}

int ConfigureExitStatus(const std::vector<ReportRow>& rows, bool check) {
    const RowStatus done = check ? RowStatus::WouldChange : RowStatus::Updated;
    const bool all = std::all_of(rows.begin(), rows.end(),
                                 [done](const ReportRow& r) { return r.status == RowStatus::Unchanged || r.status == done; });
    return all ? 0 : 1;
}

}  // namespace cobalin
