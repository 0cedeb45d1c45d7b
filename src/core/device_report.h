// What the command-line search prints of each device found: named fields
// decoded from its record, as UTF-8, never its password; and the three ways
// to print them (a text table, JSON, CSV).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/device_class.h"
#include "core/device_table.h"

namespace cobalin {

// Every key a device can have, in the order they are printed (the CSV
// header). A device has only the keys its record gives: a short record has
// no DHCP, model or firmware; a paged record whose page 2 never arrived has
// no firmware; LAN-module company only when a module answered; the
// interface only when the system named the one its reply came in by.
std::span<const std::string_view> ReportKeys();

// After the keys, every device has its `warnings` (see DeviceWarnings): a
// list, empty when there is nothing to say.
constexpr std::string_view kWarningsKey = "warnings";

struct DeviceReport {
    std::vector<std::pair<std::string_view, std::string>> fields;  // in ReportKeys order, UTF-8
    std::vector<std::string> warnings;                              // UTF-8
    // The value of a key, nullptr when the device does not have it.
    const std::string* Find(std::string_view key) const;
};

// The report of entry `index` (1..DeviceCount) of the table.
DeviceReport ReportDevice(const DeviceStore& store, int16_t index);
// The product family of a found device, by its own record's MAC and hardware ID.
DeviceClass ClassOfEntry(const DeviceEntry& entry);
// Every device of the table, in the order they were found.
std::vector<DeviceReport> ReportDevices(const DeviceStore& store);

// One JSON array, one object per device and per line; absent keys are left
// out, `warnings` (an array of strings) is always there, last.
std::string ReportJson(const std::vector<DeviceReport>& devices);
// A header row of every key and `warnings`, then one row per device; an
// absent key is an empty cell, the warnings are joined with "; ". CRLF line
// ends; a cell holding a comma, a quote, CR or LF is quoted, its quotes
// doubled.
std::string ReportCsv(const std::vector<DeviceReport>& devices);
// Aligned columns for a person: MAC, IP address, class, name, model, and
// the warnings last.
std::string ReportText(const std::vector<DeviceReport>& devices);

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonString(std::string_view utf8);
// A JSON array of objects, one object per line; each member's value is
// given as JSON text (a string literal, an array).
using JsonMembers = std::vector<std::pair<std::string_view, std::string>>;
std::string JsonObjects(const std::vector<JsonMembers>& objects);
// A text made safe for a terminal (a device's text, a path): control
// characters (C0, DEL, C1) and bytes that start no UTF-8 character become "?".
std::string PrintableText(const std::string& utf8);
// A device's warnings in one line, joined with "; ".
std::string JoinedWarnings(const DeviceReport& device);
// One CSV cell.
std::string CsvCell(std::string_view utf8);

}  // namespace cobalin
