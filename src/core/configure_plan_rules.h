// The rules a plan's value follows, row by row: the parameter editor's
// encodings, and on top of them the plan's own (ranges, strict addresses,
// netmasks, addresses a device can have). Their words never quote a value:
// a cell in the wrong column could hold a password. Shared by the plan's
// reader and its checks against the found devices; not for other callers.
#pragma once

#include <optional>
#include <string>

#include "core/parameter_codec.h"
#include "core/record_layout.h"

namespace cobalin {

// A row's text as the record holds it, in UTF-8.
std::string CurrentText(const DeviceRecord& record, long row);
// The IP address, netmask and gateway rows.
bool IsAddressRow(long row);
// What is wrong with a plan's value, in words that quote no value.
std::string ValueFault(long row, EditNote note);
// Why a row's edit is refused, as the editor words it where its words quote
// no value, else in words that quote none.
std::string RefusalOf(long row, EditNote note, const std::string& typed, const std::string& shown);
// What a plan's value breaks of the plan's own rules, after the editor's own
// check (`note`), in words that quote no value; none when it may go.
std::optional<std::string> PlanValueFault(long row, const std::string& text, EditNote note);

}  // namespace cobalin
