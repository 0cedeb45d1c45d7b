// Reading a configuration plan: the CSV file that names each device by its
// MAC, gives its current password and the values to set. The reader refuses,
// line by line, every fault the file alone shows, so that nothing is sent
// for a plan that is wrong in itself.
//
// The plan's columns, one per editable row (the same texts the parameter
// editor takes; an empty cell leaves the row alone):
//
//   mac                 required: the device, e.g. 02:7E:3A:04:C8:1E
//                       (upper or lower case; ":", "-" or no separator)
//   password            required: the device's current password
//   name                Server name (the panel's name or rack number)
//   new_password        Password: the password the device is to have
//   dhcp                DHCP: Enable or Disable
//   ip                  IP address
//   netmask             Netmask
//   gateway             Gateway
//   hardware_id         Hardware ID
//   serial_port         Serial port: 1 ... 16
//   baud_rate           Baud rate: 110, 300, ... 115200, 230400, 5787
//   data_stop_bits      Data/Stop bits: 5-1, 5-1.5, 6-1, 6-2, 7-1, 7-2, 8-1, 8-2
//   parity              Parity: None, Even, Odd, Mark, Space
//   flow_control        Flow control: None, RTS/CTS, Xon/Xoff
//   protocol            Protocol: TCP, UDP
//   serial_timeout      Serial timeout: 0 ... 65535
//   tcp_alive_timeout   TCP alive timeout: 0 ... 255
//   connection_mode     Connection mode: Client, Server, Client (no HB)
//   tcp_udp_port        TCP/UDP port: every update sends 4000
//   serial_port_mode    Serial port mode: RS232, RS422, RS485H, Console, Upgrade, Default
//   maximum_connection  Maximum connection: 1 ... 8
//   remote_ip_address   Remote IP address
//   model               Model No.
//   location            Company Name (the panel's location)
//   serial_no_brenik    Serial No. (Brenik)
//   from_backup         a backup to restore first (the row's keys go on top)
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/record_layout.h"

namespace cobalin {

// A plan column and the editable row it sets.
struct PlanKey {
    std::string_view key;
    PagedRow::Row row;
};
// Every editable row once, in row order: the order of a report's "changed".
inline constexpr PlanKey kPlanKeys[] = {
    {"name", PagedRow::ServerName},
    {"new_password", PagedRow::Password},
    {"dhcp", PagedRow::Dhcp},
    {"ip", PagedRow::IpAddress},
    {"netmask", PagedRow::Netmask},
    {"gateway", PagedRow::Gateway},
    {"hardware_id", PagedRow::HardwareId},
    {"serial_port", PagedRow::SerialPort},
    {"baud_rate", PagedRow::BaudRate},
    {"data_stop_bits", PagedRow::DataStopBits},
    {"parity", PagedRow::Parity},
    {"flow_control", PagedRow::FlowControl},
    {"protocol", PagedRow::Protocol},
    {"serial_timeout", PagedRow::SerialTimeout},
    {"tcp_alive_timeout", PagedRow::TcpAliveTimeout},
    {"connection_mode", PagedRow::ConnectionMode},
    {"tcp_udp_port", PagedRow::TcpUdpPort},
    {"serial_port_mode", PagedRow::SerialPortMode},
    {"maximum_connection", PagedRow::MaxConnection},
    {"remote_ip_address", PagedRow::RemoteIp},
    {"model", PagedRow::ModelNo},
    {"location", PagedRow::CompanyName},
    {"serial_no_brenik", PagedRow::SerialBrenik},
};
inline constexpr size_t kPlanKeyCount = std::size(kPlanKeys);
inline constexpr std::string_view kMacColumn = "mac";
inline constexpr std::string_view kPasswordColumn = "password";
// A backup file to restore (relative to the plan's folder); the row's
// other keys apply on top of it.
inline constexpr std::string_view kBackupColumn = "from_backup";
// In a report's "changed": bytes a restore changes that no key covers.
inline constexpr std::string_view kOtherBytesKey = "other";

// The position of a key in kPlanKeys, or none.
std::optional<size_t> PlanKeyIndex(std::string_view key);
// The key of an editable row, or none.
std::optional<size_t> PlanKeyOfRow(long row);

// A MAC as the device table keys it ("02:7E:3A:04:C8:1E"): 12 hex digits in
// either case, in pairs joined by ":" or by "-", or not joined; blanks
// around are dropped. None for anything else.
std::optional<std::string> NormalizeMac(std::string_view text);

// One device of the plan. It holds the device's password: never print it.
struct PlanRow {
    size_t line = 0;       // the line of the file the row starts on
    std::string mac;       // as NormalizeMac gives it
    std::string password;  // the device's current password, UTF-8
    std::array<std::string, kPlanKeyCount> values;  // UTF-8, by kPlanKeys position; empty: leave alone
    std::string fromBackup;  // the backup to restore, as the plan gives it; empty: none
};

struct PlanParse {
    std::vector<PlanRow> rows;
    // Empty when the plan may be run; else one line per fault, each naming
    // its line and column (never a password).
    std::string error;
};

// Reads a plan: CSV as RFC 4180 has it (a header row; cells quoted with
// doubled quotes inside; CRLF or LF line ends; blank lines skipped), UTF-8,
// an opening byte-order mark allowed. Every fault the plan alone shows is an
// error: an unknown or repeated column, no mac or password column, a row
// with another number of cells than the header, a malformed or repeated
// MAC, a text that is not UTF-8, or a value the parameter editor would not
// write as given (refused, cut, changed, or a port other than 4000), tried
// on a blank record.
PlanParse ParsePlan(std::string_view text);

}  // namespace cobalin
