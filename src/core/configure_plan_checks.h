// A plan checked against the devices the first search found: whether and
// what to write to each one (the update must be possible, the password must
// match, the panel's rules and the device's subnet must hold), the address
// clashes between devices, and how a written device is verified after the
// follow-up search. Nothing here sends or waits: the command around it does.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/configure_plan_reader.h"
#include "core/configure_report.h"
#include "core/device_class.h"
#include "core/device_table.h"
#include "core/update_checks.h"

namespace cobalin {

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

}  // namespace cobalin
