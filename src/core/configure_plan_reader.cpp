#include "core/configure_plan_reader.h"

#include <algorithm>
#include <map>
#include <memory>

#include "core/ansi_text.h"
#include "core/configure_plan_checks.h"
#include "core/configure_plan_rules.h"
#include "core/device_change.h"
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

}  // namespace cobalin
