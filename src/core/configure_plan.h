// A configuration plan for many devices at once: the CSV file that names
// each device by its MAC, gives its current password and the values to set;
// the checks that decide, device by device, whether and what to write; how a
// written device is verified after the follow-up search; and the report.
// Nothing here sends or waits: the command around it does.
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
#include <cstdint>
#include <iterator>
#include <optional>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_class.h"
#include "core/device_table.h"
#include "core/record_layout.h"
#include "core/update_checks.h"

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

// What a report row says of a device.
enum class RowStatus : uint8_t {
    Unchanged,    // the device holds the plan already; nothing sent
    Updated,      // written, and it came back holding the plan
    NotFound,     // the first search did not find the MAC; nothing sent
    Refused,      // a check failed; nothing sent
    NotVerified,  // written, but not found or not holding the plan afterwards
    WouldChange,  // with --check: the plan would change it; nothing sent
    Interrupted,  // a stop signal came before anything was sent to it; nothing sent
};
// "unchanged", "updated", "not_found", "refused", "not_verified", "would_change", "interrupted".
std::string_view RowStatusText(RowStatus status);

// The decision for one device of the plan.
struct DevicePlan {
    RowStatus status = RowStatus::Refused;  // Unchanged, WouldChange or Refused
    std::string reason;                     // why it was refused, or what a restore notes, in plain words
    std::vector<std::string> changed;       // the keys whose rows change, in kPlanKeys order, then "other"
    // What to send for WouldChange: the device's record with the plan applied
    // (on a copy of its entry, by the parameter editor's own edit), the rows
    // it changes and, for a LAN-module device, its module record.
    SentUpdate sent;
};

// Checks and computes the change of entry `device` (1..DeviceCount of the
// table after the first search) for a plan row, for a device of the class
// given:
// - the update must be possible (CheckUpdate: pages received, not short, a
//   module that answered);
// - the row's password must equal the one the device sent in this search
//   (its page 0, or its module record), and one must have been sent;
// - a value counts as a change when its encoding differs from the device's
//   bytes ("192.168.001.010" equals 192.168.1.10); with DHCP Enable (by the
//   plan or the device) the addresses are not written;
// - a change must reach the device as given: a LAN-module device takes only
//   the rows its module record carries;
// - when the row changes a field the configuration panel edits, the panel's
//   rules for the class hold (IP Dongle: its Save checks; both: the network
//   check of the update); a device of neither class has the encodings only.
// - with `backup` (a restore), the device first takes the backup as
//   RestoreOnto gives it, and the row's keys go on top; every byte the
//   write sends counts, and the backup's password lets the row through as
//   a new password does.
DevicePlan PlanDevice(const DeviceStore& store, long device, const PlanRow& row, DeviceClass deviceClass,
                      const DeviceRecord* backup = nullptr);

struct Verification {
    bool verified = false;
    std::string reason;  // as the window reports it: not found, no module record, the rows kept
    std::string ip;      // where the device was found after the update; empty when it was not
};
// How a written device came back in the follow-up search; `sendFault`: why
// its write could not be sent, empty when it left.
Verification VerifyDevice(const SentUpdate& sent, const DeviceStore& after, std::string_view sendFault = {});

// The address each device of a plan holds after its write, by MAC: only
// for a change the plan will send ("192.168.1.10"; empty when the write
// switches DHCP on). A device whose change is refused keeps its address.
using PlannedAddresses = std::map<std::string, std::string>;
// The MAC of another found device than `device` that holds `address` (host
// order) and keeps it, as far as `planned` says (a change that leaves it at
// another address frees it); empty when none does.
std::string AddressHolder(const DeviceStore& store, long device, uint32_t address, const PlannedAddresses& planned = {});
// Why the plan row's new IP address (its own, or its backup's) may not be
// given to entry `device` (another found device holds and keeps it), empty
// when it may.
std::string PlanAddressClash(const DeviceStore& store, long device, const DevicePlan& plan,
                             const PlannedAddresses& planned);
// Refuses every change of `plans` (one per entry of `devices`; an entry of
// 0 or less was not found) that would give its device an address another
// found device keeps, or one an earlier row gives; `refusal` may refuse a
// change first (nothing may be sent to its device). A refusal can keep a
// device at an address another row counted on it leaving, so the checks
// run again until no change is refused any more.
void RefuseAddressClashes(const DeviceStore& store, const std::vector<long>& devices, std::vector<DevicePlan>& plans,
                          const std::function<std::string(long device)>& refusal = nullptr);
// The IP address a write gives the device, as it will hold it
// ("192.168.1.10"); empty when the write switches DHCP on.
std::string SentAddress(const SentUpdate& sent);
// One line per plan row that gives a device the IP address an earlier row
// gives another; empty when no two rows share one.
std::string PlanAddressClashes(const std::vector<PlanRow>& rows);

// The IP address the table shows for the device with this MAC; empty when
// the table does not hold it.
std::string FoundAddress(const DeviceStore& store, std::string_view mac);

// One line of the report, one per plan row.
struct ReportRow {
    std::string mac;
    RowStatus status = RowStatus::Refused;
    std::vector<std::string> changed;  // keys only, never values
    std::string reason;                // empty: none
    std::string ip;                    // empty: not known
    int attempts = 0;                  // how many times it was written; 0: never
};
// One JSON array, an object per row (mac, status, changed, attempts for a
// row that was written, then reason and ip where known), laid out as the
// search's JSON.
std::string ConfigureReportJson(const std::vector<ReportRow>& rows);
// One line per row for a person: MAC, status, address, changed keys, reason,
// and how many times it was written when that was more than once.
std::string ConfigureReportText(const std::vector<ReportRow>& rows);
// 0 when every row ended unchanged or updated (with check: unchanged or
// would_change, every row could be applied); 1 otherwise.
int ConfigureExitStatus(const std::vector<ReportRow>& rows, bool check);

}  // namespace cobalin
