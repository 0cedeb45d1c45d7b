#include "core/configure_plan_checks.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/ansi_text.h"
#include "core/configure_plan_rules.h"
#include "core/device_change.h"
#include "core/device_report.h"
#include "core/input_rules.h"
#include "core/lan_module.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

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

}  // namespace cobalin
