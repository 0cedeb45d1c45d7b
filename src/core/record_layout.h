// The device record: where every byte of the short and the paged format lies,
// the names of each format's rows, and one field table per format that drives
// decoding, the details-list names, the parameter editor's encodings, the
// simulator's records and the tests.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace cobalin {

constexpr size_t kRecordSize = 3001;
using DeviceRecord = std::array<uint8_t, kRecordSize>;

constexpr size_t kParameterCount = 33;
using ParameterTextArray = std::array<std::string, kParameterCount>;  // ANSI bytes

// The rows of the paged format: its ParameterTexts index, its line in the
// details lists and its row in the parameter editor.
struct PagedRow {
    enum Row : uint8_t {
        ServerName, SerialHardware, Password, Dhcp, IpAddress, Netmask, Gateway, Mac, VersionDate, LinkIn,
        HardwareId, SerialPort, BaudRate, DataStopBits, Parity, FlowControl, Protocol, SerialTimeout,
        TcpAliveTimeout, ConnectionMode, DelimiterHex1, DelimiterHex2, ForceTransmit, PortStatus, TcpUdpPort,
        SerialPortMode, ConnectionAt, MaxConnection, RemoteIp, ModelNo, CompanyName, SerialBrenik, LinkOut,
    };
};
static_assert(PagedRow::LinkOut + 1 == kParameterCount);

// The rows of the short format.
struct ShortRow {
    enum Row : uint8_t {
        ServerName, HardwareId, SerialNo, Mac, IpV4, NetmaskV4, GatewayV4, IpV6, NetmaskV6, GatewayV6, CheckCode,
    };
};

constexpr uint8_t kPageMark = 0x50;
constexpr size_t kShortRecordSize = 98;

// Where each page of a paged reply lands in the record, and how many of its
// bytes are copied (its header included).
struct PagePlacement {
    size_t recordOffset;
    size_t length;
};
constexpr std::array<PagePlacement, 3> kPages = {{{0, 1008}, {1008, 982}, {1990, 845}}};
constexpr size_t kPageHeaderSize = 8;

// Offsets other parts of the program use by name.
constexpr size_t kIdentityOffset = 70;       // six request-identity bytes
constexpr size_t kIdentitySize = 6;
constexpr size_t kSerialPortCountOffset = 76;
constexpr size_t kCompanyNameOffset = 78;
constexpr size_t kCompanyNameSize = 48;
constexpr size_t kSerialBlock1 = 174;
constexpr size_t kSerialBlock2 = 286;
constexpr size_t kSerialBlockSize = 112;
constexpr size_t kPagedEchoOffset = 26;      // serial-number copy, paged format
constexpr size_t kShortEchoOffset = 24;      // serial-number copy, short format
constexpr size_t kShortMacOffset = 56;
constexpr size_t kEchoSize = 16;

enum class Encoding : uint8_t {
    Text,         // bytes as characters, NULs removed
    Mac,          // six hex pairs joined by ":"
    Dotted,       // decimal bytes joined by "."
    U16,          // little-endian, decimal
    Number,       // one byte, decimal
    Table,        // one byte selecting a value-table text
    PlusOne,      // one byte, shown plus one
    DataStop,     // two bytes (data code, stop code) looked up together
    VersionDate,  // 8-character version, " & ", 16-character date
};

// How the parameter editor writes a row back into the record.
enum class WriteRule : uint8_t {
    None,        // the row is never written
    Text,        // the field's width in bytes, zero-padded, cut
    Dotted,      // four parts, each a number 0-255
    DhcpFlag,    // exactly "Enable" gives 1, anything else 0
    Choice,      // position of the text in the row's value table
    DataStop,    // the two codes of the data/stop pair
    Byte,        // a number 0-255
    U16,         // a number 0-65535, little-endian
    MinusOne,    // a number 1-256, stored minus one
};

using ValueTable = std::span<const std::string_view>;

struct DataStopChoice {
    std::string_view text;
    uint8_t dataCode;
    uint8_t stopCode;
};

struct FieldDef {
    uint16_t offset;
    uint16_t size;
    Encoding encoding;
    uint8_t index;             // ParameterTexts index = details and editor row (PagedRow, ShortRow)
    std::string_view label;    // the row's text in the details list
    ValueTable table;          // value table for Encoding::Table
    // Editor columns (paged format only); which rows are mirrored into the
    // LAN-module record is said by that record's own table (lan_module.h).
    bool editable = false;
    WriteRule write = WriteRule::None;
    ValueTable choices = {};   // the choices offered in the drop-down, empty: free text
};

// Value tables.
extern const ValueTable kDhcpValues, kProtocolValues, kConnectionModeValues, kBaudValues, kParityValues,
    kFlowValues, kSerialModeValues, kConnectionAtValues, kLinkValues, kPortStatusValues;
std::span<const DataStopChoice> DataStopChoices();

// The paged format's 33 fields, in row order (entry i has index i).
std::span<const FieldDef> PagedFields();
// The short format's 11 fields, in row order.
std::span<const FieldDef> ShortFields();

// Byte 0 is the format mark: 0x50 is the paged format, anything else short.
inline bool IsPagedRecord(const DeviceRecord& r) { return r[0] == kPageMark; }

// The display text of one field (ANSI bytes, NULs removed).
std::string FieldText(const FieldDef& field, const DeviceRecord& record);

// If offset is the first byte of a field of the format, replaces that field's
// ParameterTexts entry with its display text; any other offset changes nothing.
void DecodePagedField(size_t offset, const DeviceRecord& record, ParameterTextArray& texts);
void DecodeShortField(size_t offset, const DeviceRecord& record, ParameterTextArray& texts);

// Decodes the given fields of a record into texts.
void DecodeFields(std::span<const FieldDef> fields, const DeviceRecord& record, ParameterTextArray& texts);

// Decodes every field of the record's format into texts.
void DecodeRecord(const DeviceRecord& record, ParameterTextArray& texts);

// Table text of a value, or the value in decimal when it lies outside the table.
std::string TableText(ValueTable table, unsigned value);

}  // namespace cobalin
