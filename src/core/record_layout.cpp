#include "core/record_layout.h"

#include <algorithm>

#include "core/text_conversions.h"

namespace cobalin {

namespace {
using sv = std::string_view;

constexpr sv kDhcp[] = {"Disable", "Enable"};
constexpr sv kProtocol[] = {"TCP", "UDP"};
constexpr sv kConnectionMode[] = {"Client", "Server", "Client (no HB)"};
constexpr sv kBaud[] = {"110",   "300",   "600",   "1200",  "2400",   "4800",   "9600", "14400",
                        "19200", "28800", "38400", "57600", "115200", "230400", "5787"};
constexpr sv kParity[] = {"None", "Even", "Odd", "Mark", "Space"};
constexpr sv kFlow[] = {"None", "RTS/CTS", "Xon/Xoff"};
constexpr sv kSerialMode[] = {"RS232", "RS422", "RS485H", "Console", "Upgrade", "Default"};
constexpr sv kConnectionAt[] = {"Power Up", "Data Arrived"};
constexpr sv kLink[] = {"0)10/Half Duplex", "1)10/Full Duplex", "2)100/Half Duplex", "3)100/Full Duplex",
                        "4)Link down"};
constexpr sv kPortStatus[] = {"Not Connected", "Connected"};

// The editor offers DHCP as "Enable" first.
constexpr sv kDhcpChoices[] = {"Enable", "Disable"};
constexpr sv kSerialPortChoices[] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                     "9", "10", "11", "12", "13", "14", "15", "16"};
constexpr sv kMaxConnectionChoices[] = {"1", "2", "3", "4", "5", "6", "7", "8"};

// Stop-bits code 1 means two stop bits (one and a half with five data bits),
// as serial hardware counts them; decoding and the editor share this table so
// the details always show exactly what the editor wrote.
constexpr DataStopChoice kDataStop[] = {{"5-1", 0, 0}, {"5-1.5", 0, 1}, {"6-1", 1, 0}, {"6-2", 1, 1},
                                        {"7-1", 2, 0}, {"7-2", 2, 1},   {"8-1", 3, 0}, {"8-2", 3, 1}};
constexpr sv kDataStopTexts[] = {"5-1", "5-1.5", "6-1", "6-2", "7-1", "7-2", "8-1", "8-2"};

using E = Encoding;
using W = WriteRule;

// Serial-port block 1 starts at 174; the block offsets are written out as
// record offsets because only block 1 is shown and edited.
const FieldDef kPaged[] = {
    // offset size encoding index label table | editable write choices code
    {10, 16, E::Text, 0, "Server name:", {}, true, W::Text, {}, 3},
    {26, 16, E::Text, 1, "Serial No. (Hardware):", {}, false, W::Text, {}, 4},
    {42, 16, E::Text, 2, "Password:", {}, true, W::Text, {}, 7},
    {9, 1, E::Table, 3, "DHCP:", kDhcp, true, W::DhcpFlag, kDhcpChoices, -1},
    {58, 4, E::Dotted, 4, "IP address:", {}, true, W::Dotted, {}, 8},
    {62, 4, E::Dotted, 5, "Netmask:", {}, true, W::Dotted, {}, 9},
    {66, 4, E::Dotted, 6, "Gateway:", {}, true, W::Dotted, {}, 10},
    {1, 6, E::Mac, 7, "MAC address:", {}, false, W::None, {}, -1},
    {1998, 24, E::VersionDate, 8, "Version & Date:", {}, false, W::None, {}, -1},
    {2030, 1, E::Table, 9, "Link-IN status:", kLink, false, W::Choice, kLink, -1},
    {142, 16, E::Text, 10, "Hardware ID:", {}, true, W::Text, {}, -1},
    {76, 1, E::Number, 11, "Serial port:", {}, true, W::Byte, kSerialPortChoices, -1},
    {177, 1, E::Table, 12, "Baud rate:", kBaud, true, W::Choice, kBaud, -1},
    {178, 2, E::DataStop, 13, "Data/Stop bits:", {}, true, W::DataStop, kDataStopTexts, -1},
    {180, 1, E::Table, 14, "Parity:", kParity, true, W::Choice, kParity, -1},
    {181, 1, E::Table, 15, "Flow control:", kFlow, true, W::Choice, kFlow, -1},
    {77, 1, E::Table, 16, "Protocol:", kProtocol, true, W::Choice, kProtocol, -1},
    {188, 2, E::U16, 17, "Serial timeout:", {}, true, W::U16, {}, -1},
    {190, 1, E::Number, 18, "TCP alive timeout:", {}, true, W::Byte, {}, -1},
    {176, 1, E::Table, 19, "Connection mode:", kConnectionMode, true, W::Choice, kConnectionMode, -1},
    {192, 1, E::Number, 20, "Delimiter HEX:", {}, false, W::Byte, {}, -1},
    {193, 1, E::Number, 21, "Delimiter HEX:", {}, false, W::Byte, {}, -1},
    {194, 2, E::U16, 22, "Force transmit:", {}, false, W::U16, {}, -1},
    {2058, 1, E::Table, 23, "Port status:", kPortStatus, false, W::None, {}, -1},
    {174, 2, E::U16, 24, "TCP/UDP port:", {}, true, W::U16, {}, -1},
    {191, 1, E::Table, 25, "Serial port mode:", kSerialMode, true, W::Choice, kSerialMode, -1},
    {196, 1, E::Table, 26, "Connection at", kConnectionAt, false, W::Choice, {}, -1},
    {197, 1, E::PlusOne, 27, "Maximum connection:", {}, true, W::MinusOne, kMaxConnectionChoices, -1},
    {182, 4, E::Dotted, 28, "Remote IP address:", {}, true, W::Dotted, {}, -1},
    {126, 16, E::Text, 29, "Model No.:", {}, true, W::Text, {}, 5},
    {78, 48, E::Text, 30, "Company Name:", {}, true, W::Text, {}, 6},
    {158, 16, E::Text, 31, "Serial No. (Brenik):", {}, true, W::Text, {}, -1},
    {2031, 1, E::Table, 32, "Link-OUT status:", kLink, false, W::Choice, kLink, -1},
};
static_assert(std::size(kPaged) == kParameterCount);

const FieldDef kShort[] = {
    {40, 16, E::Text, 0, "Server name:", {}},
    {8, 16, E::Text, 1, "Hardware ID:", {}},
    {24, 16, E::Text, 2, "Serial No.", {}},
    {56, 6, E::Mac, 3, "MAC address:", {}},
    {62, 4, E::Dotted, 4, "IP address(v4):", {}},
    {66, 4, E::Dotted, 5, "Netmask(v4):", {}},
    {70, 4, E::Dotted, 6, "Gateway(v4):", {}},
    {74, 8, E::Dotted, 7, "IP address(v6):", {}},
    {82, 8, E::Dotted, 8, "Netmask(v6):", {}},
    {90, 8, E::Dotted, 9, "Gateway(v6):", {}},
    {0, 8, E::Text, 10, "Checkcode:", {}},
};

// Offset -> field position, for the per-offset decoders.
template <size_t N>
std::array<int8_t, kRecordSize> FirstByteIndex(const FieldDef (&fields)[N]) {
    std::array<int8_t, kRecordSize> at{};
    at.fill(-1);
    for (size_t i = 0; i < N; ++i) at[fields[i].offset] = static_cast<int8_t>(i);
    return at;
}

std::string TextOf(const uint8_t* p, size_t n) {
    std::string s;
    s.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) s += static_cast<char>(p[i]);
    return s;
}

void AppendDecimal(std::string& s, unsigned v) {
    char buf[12];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) s += buf[--n];
}

void DecodeAt(std::span<const FieldDef> fields, const std::array<int8_t, kRecordSize>& at, size_t offset,
              const DeviceRecord& record, ParameterTextArray& texts) {
    if (offset >= kRecordSize || at[offset] < 0) return;
    const FieldDef& f = fields[static_cast<size_t>(at[offset])];
    texts[f.index] = FieldText(f, record);
}

}  // namespace

const ValueTable kDhcpValues = kDhcp, kProtocolValues = kProtocol, kConnectionModeValues = kConnectionMode,
                 kBaudValues = kBaud, kParityValues = kParity, kFlowValues = kFlow,
                 kSerialModeValues = kSerialMode, kConnectionAtValues = kConnectionAt, kLinkValues = kLink,
                 kPortStatusValues = kPortStatus;

std::span<const DataStopChoice> DataStopChoices() { return kDataStop; }
std::span<const FieldDef> PagedFields() { return kPaged; }
std::span<const FieldDef> ShortFields() { return kShort; }

std::string TableText(ValueTable table, unsigned value) {
    // A value outside its table is shown in decimal: the same rule for every table.
    if (value < table.size()) return std::string(table[value]);
    std::string s;
    AppendDecimal(s, value);
    return s;
}

std::string FieldText(const FieldDef& f, const DeviceRecord& r) {
    const uint8_t* p = r.data() + f.offset;
    std::string s;
    switch (f.encoding) {
        case E::Text:
            return TextOf(p, f.size);
        case E::Mac:
            return FormatMac(p);
        case E::Dotted:
            return FormatDotted({p, f.size});
        case E::U16:
            AppendDecimal(s, static_cast<unsigned>(p[0] | (p[1] << 8)));
            return s;
        case E::Number:
            AppendDecimal(s, p[0]);
            return s;
        case E::PlusOne:
            AppendDecimal(s, p[0] + 1u);
            return s;
        case E::Table:
            return TableText(f.table, p[0]);
        case E::DataStop:
            // Pairs outside the table show an empty text.
            for (const auto& c : kDataStop)
                if (c.dataCode == p[0] && c.stopCode == p[1]) return std::string(c.text);
            return s;
        case E::VersionDate:
            return TextOf(p, 8) + " & " + TextOf(p + 8, 16);
    }
    return s;
}

void DecodePagedField(size_t offset, const DeviceRecord& record, ParameterTextArray& texts) {
    static const auto at = FirstByteIndex(kPaged);
    DecodeAt(kPaged, at, offset, record, texts);
}

void DecodeShortField(size_t offset, const DeviceRecord& record, ParameterTextArray& texts) {
    static const auto at = FirstByteIndex(kShort);
    DecodeAt(kShort, at, offset, record, texts);
}

void DecodeFields(std::span<const FieldDef> fields, const DeviceRecord& record, ParameterTextArray& texts) {
    for (const FieldDef& f : fields) texts[f.index] = FieldText(f, record);
}

void DecodeRecord(const DeviceRecord& record, ParameterTextArray& texts) {
    DecodeFields(IsPagedRecord(record) ? PagedFields() : ShortFields(), record, texts);
}

}  // namespace cobalin
