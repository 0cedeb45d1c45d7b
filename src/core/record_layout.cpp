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
using P = PagedRow;
using S = ShortRow;

// Serial-port block 1 starts at 174; the block offsets are written out as
// record offsets because only block 1 is shown and edited.
const FieldDef kPaged[] = {
    // offset size encoding row label table | editable write choices
    {10, 16, E::Text, P::ServerName, "Server name:", {}, true, W::Text, {}},
    {26, 16, E::Text, P::SerialHardware, "Serial No. (Hardware):", {}, false, W::Text, {}},
    {42, 16, E::Text, P::Password, "Password:", {}, true, W::Text, {}},
    {9, 1, E::Table, P::Dhcp, "DHCP:", kDhcp, true, W::DhcpFlag, kDhcpChoices},
    {58, 4, E::Dotted, P::IpAddress, "IP address:", {}, true, W::Dotted, {}},
    {62, 4, E::Dotted, P::Netmask, "Netmask:", {}, true, W::Dotted, {}},
    {66, 4, E::Dotted, P::Gateway, "Gateway:", {}, true, W::Dotted, {}},
    {1, 6, E::Mac, P::Mac, "MAC address:", {}, false, W::None, {}},
    {1998, 24, E::VersionDate, P::VersionDate, "Version & Date:", {}, false, W::None, {}},
    {2030, 1, E::Table, P::LinkIn, "Link-IN status:", kLink, false, W::Choice, kLink},
    {142, 16, E::Text, P::HardwareId, "Hardware ID:", {}, true, W::Text, {}},
    {76, 1, E::Number, P::SerialPort, "Serial port:", {}, true, W::Byte, kSerialPortChoices},
    {177, 1, E::Table, P::BaudRate, "Baud rate:", kBaud, true, W::Choice, kBaud},
    {178, 2, E::DataStop, P::DataStopBits, "Data/Stop bits:", {}, true, W::DataStop, kDataStopTexts},
    {180, 1, E::Table, P::Parity, "Parity:", kParity, true, W::Choice, kParity},
    {181, 1, E::Table, P::FlowControl, "Flow control:", kFlow, true, W::Choice, kFlow},
    {77, 1, E::Table, P::Protocol, "Protocol:", kProtocol, true, W::Choice, kProtocol},
    {188, 2, E::U16, P::SerialTimeout, "Serial timeout:", {}, true, W::U16, {}},
    {190, 1, E::Number, P::TcpAliveTimeout, "TCP alive timeout:", {}, true, W::Byte, {}},
    {176, 1, E::Table, P::ConnectionMode, "Connection mode:", kConnectionMode, true, W::Choice, kConnectionMode},
    {192, 1, E::Number, P::DelimiterHex1, "Delimiter HEX:", {}, false, W::Byte, {}},
    {193, 1, E::Number, P::DelimiterHex2, "Delimiter HEX:", {}, false, W::Byte, {}},
    {194, 2, E::U16, P::ForceTransmit, "Force transmit:", {}, false, W::U16, {}},
    {2058, 1, E::Table, P::PortStatus, "Port status:", kPortStatus, false, W::None, {}},
    {174, 2, E::U16, P::TcpUdpPort, "TCP/UDP port:", {}, true, W::U16, {}},
    {191, 1, E::Table, P::SerialPortMode, "Serial port mode:", kSerialMode, true, W::Choice, kSerialMode},
    {196, 1, E::Table, P::ConnectionAt, "Connection at", kConnectionAt, false, W::Choice, {}},
    {197, 1, E::PlusOne, P::MaxConnection, "Maximum connection:", {}, true, W::MinusOne, kMaxConnectionChoices},
    {182, 4, E::Dotted, P::RemoteIp, "Remote IP address:", {}, true, W::Dotted, {}},
    {126, 16, E::Text, P::ModelNo, "Model No.:", {}, true, W::Text, {}},
    {78, 48, E::Text, P::CompanyName, "Company Name:", {}, true, W::Text, {}},
    {158, 16, E::Text, P::SerialBrenik, "Serial No. (Brenik):", {}, true, W::Text, {}},
    {2031, 1, E::Table, P::LinkOut, "Link-OUT status:", kLink, false, W::Choice, kLink},
};
static_assert(std::size(kPaged) == kParameterCount);

const FieldDef kShort[] = {
    {40, 16, E::Text, S::ServerName, "Server name:", {}},
    {8, 16, E::Text, S::HardwareId, "Hardware ID:", {}},
    {24, 16, E::Text, S::SerialNo, "Serial No.", {}},
    {56, 6, E::Mac, S::Mac, "MAC address:", {}},
    {62, 4, E::Dotted, S::IpV4, "IP address(v4):", {}},
    {66, 4, E::Dotted, S::NetmaskV4, "Netmask(v4):", {}},
    {70, 4, E::Dotted, S::GatewayV4, "Gateway(v4):", {}},
    {74, 8, E::Dotted, S::IpV6, "IP address(v6):", {}},
    {82, 8, E::Dotted, S::NetmaskV6, "Netmask(v6):", {}},
    {90, 8, E::Dotted, S::GatewayV6, "Gateway(v6):", {}},
    {0, 8, E::Text, S::CheckCode, "Checkcode:", {}},
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
