// Whether one entry of the table is one device, and what a person should be
// told of a device: two devices behind one MAC, two devices on one address,
// an address outside the subnet of the interface it answered on.
#include <gtest/gtest.h>

#include "core/configure_plan.h"
#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/parameter_codec.h"
#include "core/update_checks.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

constexpr uint32_t kA = 0xC0A8010A, kB = 0xC0A8010B;  // 192.168.1.10, .11

Bytes Marked(Bytes b, uint8_t mark) {
    b[40] = mark;  // within every kind of answer
    return b;
}

RecordBuilder Device(uint8_t last, std::string_view ip, std::string_view password = "admin") {
    auto b = RecordBuilder::Paged(Mac(last));
    b.Row(PagedRow::IpAddress, ip).Row(PagedRow::Netmask, "255.255.255.0").Row(PagedRow::Password, password);
    b.Row(PagedRow::ServerName, "Rack").Row(PagedRow::TcpUdpPort, "4000").Row(PagedRow::SerialPort, "1");
    return b;
}

void Take(DeviceStore& store, const DeviceRecord& r, uint32_t from = 0) {
    for (int p = 0; p < 3; ++p) ReplyIntake(store, PageBytes(r, p), from);
}

}  // namespace

// What marks an entry as two devices, and what does not: a table of the
// datagrams one search request brings.
TEST(DeviceIdentity, TwoDevicesBehindOneMacAreToldFromOneDeviceAnsweringTwice) {
    struct Arrival {
        Bytes datagram;
        std::optional<uint32_t> from;  // none: the system did not say
        bool newRequest = false;       // a search request was sent before it
    };
    const Bytes p0 = Page(0, Mac(1)), p1 = Page(1, Mac(1)), p2 = Page(2, Mac(1));
    struct Case {
        const char* what;
        std::vector<Arrival> arrivals;
        bool shared;
        std::vector<uint32_t> addresses;
    };
    const Case cases[] = {
        {"one answer", {{p0, kA}, {p1, kA}, {p2, kA}}, false, {}},
        {"every datagram twice", {{p0, kA}, {p0, kA}, {p1, kA}, {p1, kA}, {p2, kA}}, false, {}},
        {"a reply on two interfaces", {{p0, kA}, {p1, kA}, {p0, kA}, {p1, kA}}, false, {}},
        {"page 2's status bytes change", {{p0, kA}, {p2, kA}, {Marked(p2, 7), kA}}, false, {}},
        {"source not known", {{p0, std::nullopt}, {p0, std::nullopt}, {p1, std::nullopt}}, false, {}},
        {"a device without an address answers from 0.0.0.0", {{p0, 0}, {p1, 0}, {p2, 0}}, false, {}},
        {"page 2 from 0.0.0.0 beside the device's own", {{p0, kA}, {p1, kA}, {p2, kA}, {p2, 0}}, true, {kA, 0}},
        {"page 2 from another address", {{p0, kA}, {p1, kA}, {p2, kB}}, true, {kA, kB}},
        {"page 1 from 0.0.0.0, the same bytes", {{p0, kA}, {p1, 0}}, true, {kA, 0}},
        {"pages interleave, two addresses", {{p0, kA}, {Marked(p0, 9), kB}, {p1, kA}, {p1, kB}}, true, {kA, kB}},
        {"same address, page 0 differs", {{p0, kA}, {Marked(p0, 9), kA}}, true, {kA}},
        {"same address, page 1 differs", {{p1, kA}, {Marked(p1, 9), kA}}, true, {kA}},
        {"same pages from two addresses", {{p0, kA}, {p0, kB}}, true, {kA, kB}},
        {"short replies differ", {{ShortReply(Mac(1)), kA}, {Marked(ShortReply(Mac(1)), 9), kA}}, true, {kA}},
        {"restarted with new values and address", {{p0, kA}, {Marked(p0, 9), kB, true}, {p1, kB}}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto store = std::make_unique<DeviceStore>();
        for (const Arrival& a : c.arrivals) {
            if (a.newRequest) ++store->SearchRound;
            if (a.from) ReplyIntake(*store, a.datagram, *a.from);
            else ReplyIntake(*store, a.datagram);
        }
        ASSERT_EQ(store->DeviceCount, 1);
        const DeviceEntry& e = store->DeviceTable[1];
        EXPECT_EQ(e.SharedMac, c.shared);
        EXPECT_EQ(e.SharedAddresses, c.addresses);
    }
}

// LAN-module answers are told apart as pages are: by their bytes within
// one module query, and by their source (compared among module answers: a
// module may answer from another address than its device's pages).
TEST(DeviceIdentity, TwoModulesBehindOneMacAreToldFromOneModuleAnsweringTwice) {
    const Bytes m = ModuleAnswer(Mac(1));
    struct Answer {
        Bytes datagram;
        std::optional<uint32_t> from;
        bool newQuery = false;  // a module query was sent before it
    };
    struct Case {
        const char* what;
        std::vector<Answer> answers;
        bool shared;
        std::vector<uint32_t> addresses;
    };
    const Case cases[] = {
        {"one answer", {{m, kA}}, false, {}},
        {"one answer on two interfaces", {{m, kA}, {m, kA}}, false, {}},
        {"from another address than the pages", {{m, kB}}, false, {}},
        {"source not known", {{m, std::nullopt}, {m, std::nullopt}}, false, {}},
        {"two records answer one query", {{m, kA}, {Marked(m, 9), kA}}, true, {kA}},
        {"one record from two addresses", {{m, kA}, {m, kB}}, true, {kA, kB}},
        {"from 0.0.0.0 beside the module's own", {{m, kA}, {m, 0}}, true, {kA, 0}},
        {"a later query brings a new record", {{m, kA}, {Marked(m, 9), kA, true}}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto store = std::make_unique<DeviceStore>();
        Take(*store, Device(1, "192.168.1.10").record(), kA);
        for (const Answer& a : c.answers) {
            if (a.newQuery) ++store->ModuleQueries;
            ASSERT_EQ(ModuleReplyIntake(*store, a.datagram, Arrival{a.from, 0, "", 0, -1}), 1);
        }
        const DeviceEntry& e = store->DeviceTable[1];
        EXPECT_EQ(e.SharedMac, c.shared);
        EXPECT_EQ(e.SharedAddresses, c.addresses);
        EXPECT_EQ(CheckUpdate(*store, 1) == UpdateBlock::SharedMac, c.shared);
    }
}

// Where a LAN-module device's requests leave: by the interface of its page 0
// (or short record) when one came, else by its module answer's, so that a
// device whose page 0 was lost is still updated through its module there.
TEST(DeviceIdentity, AModuleAnswerGivesTheInterfaceOnlyWherePage0WasLost) {
    const DeviceRecord r = Device(1, "192.168.1.10").record();
    const Bytes module = ModuleAnswer(Mac(1));
    struct Step {
        int page;   // 0-2 a page, -1 the short record, 9 the module answer
        int index;  // the interface it came in by ("ethN", 10.0.N.1/16)
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        int index;  // the entry's interface afterwards
    };
    const Case cases[] = {
        {"page 0, then the module by another", {{0, 3}, {1, 3}, {2, 3}, {9, 5}}, 3},
        {"the module first, then page 0", {{9, 5}, {0, 3}, {1, 3}}, 3},
        {"page 0 lost", {{1, 3}, {2, 3}, {9, 3}}, 3},
        {"page 0 lost, pages by another", {{1, 5}, {2, 5}, {9, 3}}, 3},
        {"page 0 lost, two module answers", {{1, 3}, {9, 3}, {9, 4}}, 4},
        {"a short record", {{-1, 3}, {9, 5}}, 3},
    };
    const Bytes shortReply = RecordBuilder::Short(Mac(1)).Reply();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto store = std::make_unique<DeviceStore>();
        for (const Step& s : c.steps) {
            const std::string name = "eth" + std::to_string(s.index);
            const uint32_t address = 0x0A000001u | static_cast<uint32_t>(s.index) << 16;
            if (s.page == 9) {
                ModuleReplyIntake(*store, module, Arrival{kA, s.index, name, address, 16});
                continue;
            }
            const IntakeResult taken = ReplyIntake(*store, s.page < 0 ? shortReply : PageBytes(r, s.page), kA);
            NoteArrivalInterface(*store, taken, s.index, name, address, 16);
        }
        const DeviceEntry& e = store->DeviceTable[1];
        EXPECT_EQ(e.InterfaceIndex, c.index);
        EXPECT_EQ(e.InterfaceName, "eth" + std::to_string(c.index));
        EXPECT_EQ(e.InterfaceAddress, 0x0A000001u | static_cast<uint32_t>(c.index) << 16);
        EXPECT_EQ(e.InterfacePrefix, 16);
    }
}

TEST(DeviceIdentity, ASharedMacIsNeverWrittenAndAFreshEntryStartsUnmarked) {
    auto store = std::make_unique<DeviceStore>();
    const DeviceRecord a = Device(1, "192.168.1.10").record(), b = Device(1, "192.168.1.11").record();
    Take(*store, a, kA);
    Take(*store, b, kB);
    EXPECT_EQ(CheckUpdate(*store, 1), UpdateBlock::SharedMac);
    EXPECT_EQ(UpdateRefusalText(*store, 1),
              "Not updated: two devices answer with MAC 02:7E:3A:04:C8:01; give one of them another MAC or disconnect it, "
              "then search again");
    EXPECT_EQ(UpdateRefusal(*store, 1, {{PagedRow::ServerName, "Other"}}), UpdateRefusalText(*store, 1)) << "the faces' check";
    EXPECT_EQ(DeviceWarnings(*store, 1),
              (std::vector<std::string>{"MAC answered by two devices (addresses 192.168.1.10, 192.168.1.11)"}));

    // The next search no longer sees the second device.
    ClearDeviceTable(*store);
    store->DeviceCount = 0;
    ++store->SearchRound;
    Take(*store, a, kA);
    EXPECT_FALSE(store->DeviceTable[1].SharedMac);
    EXPECT_EQ(CheckUpdate(*store, 1), UpdateBlock::None);
    EXPECT_TRUE(DeviceWarnings(*store, 1).empty());

    // After an update the follow-up search cannot say which device answered.
    SentUpdate sent{"02:7E:3A:04:C8:01", a, {PagedRow::ServerName}, std::nullopt};
    Take(*store, b, kB);
    const UpdateVerdict v = VerifyUpdate(sent, *store);
    EXPECT_FALSE(v.verified);
    EXPECT_EQ(v.reason, "two devices answer with MAC 02:7E:3A:04:C8:01");
}

TEST(DeviceIdentity, WarningsOfAddressesHeldTwiceAndOutsideTheSubnet) {
    auto store = std::make_unique<DeviceStore>();
    Take(*store, Device(1, "192.168.1.20").record());
    Take(*store, Device(2, "192.168.1.20").record());
    Take(*store, Device(3, "10.0.0.5").record());
    Take(*store, Device(4, "192.168.1.21").record());
    Take(*store, Device(5, "0.0.0.0").record());
    Take(*store, Device(6, "0.0.0.0").record());
    for (int16_t i = 1; i <= 6; ++i) NoteArrivalInterface(*store, {IntakeResult::Stored, i, false}, 2, "pc0", 0xC0A801FA, 24);
    // An interface whose address the system did not give: no subnet to compare with.
    NoteArrivalInterface(*store, {IntakeResult::Stored, 4, false}, 2, "pc0");
    const auto all = AllDeviceWarnings(*store);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[1], std::vector<std::string>{"IP address also held by MAC 02:7E:3A:04:C8:02"});
    EXPECT_EQ(all[2], std::vector<std::string>{"IP address also held by MAC 02:7E:3A:04:C8:01"});
    EXPECT_EQ(all[3], std::vector<std::string>{"not in the subnet of interface pc0 (192.168.1.250/24)"});
    EXPECT_TRUE(all[4].empty());
    EXPECT_TRUE(all[5].empty()) << "no address is no conflict";
    EXPECT_TRUE(all[6].empty());
    for (long i = 1; i <= 6; ++i) EXPECT_EQ(DeviceWarnings(*store, i), all[static_cast<size_t>(i)]);
    EXPECT_TRUE(DeviceWarnings(*store, 7).empty());
}

// The faces refuse to move a device onto another's address; a plan too,
// unless it moves that other device away in the same run.
TEST(DeviceIdentity, AnAddressAnotherDeviceKeepsIsNotGiven) {
    auto store = std::make_unique<DeviceStore>();
    Take(*store, Device(1, "192.168.1.20").record());
    Take(*store, Device(2, "192.168.1.30").record());
    EXPECT_EQ(UpdateRefusal(*store, 1, {{PagedRow::IpAddress, "192.168.1.30"}}),
              "Not updated: IP address 192.168.1.30 is held by MAC 02:7E:3A:04:C8:02");
    EXPECT_EQ(UpdateRefusal(*store, 1, {{PagedRow::IpAddress, "192.168.001.030"}}),
              "Not updated: IP address 192.168.1.30 is held by MAC 02:7E:3A:04:C8:02");
    EXPECT_EQ(UpdateRefusal(*store, 1, {{PagedRow::IpAddress, "192.168.1.40"}}), "");
    EXPECT_EQ(UpdateRefusal(*store, 1, {{PagedRow::IpAddress, "192.168.1.20"}}), "") << "its own address";

    Take(*store, Device(3, "192.168.1.40").record());
    const auto row = [](uint8_t last, std::string ip, std::string password = "admin") {
        PlanRow r;
        r.mac = FormatMac(Mac(last).data());
        r.password = std::move(password);
        r.values[*PlanKeyIndex("ip")] = std::move(ip);
        return r;
    };
    const std::string heldBy2 = "IP address 192.168.1.30 is held by MAC 02:7E:3A:04:C8:02";
    struct Case {
        const char* what;
        std::vector<PlanRow> plan;
        std::vector<std::string> reasons;  // of each row; "" for one not refused
    };
    const Case cases[] = {
        {"onto a kept address", {row(1, "192.168.1.30")}, {heldBy2}},
        {"the holder is moved away", {row(1, "192.168.1.30"), row(2, "192.168.1.50")}, {"", ""}},
        {"a swap", {row(1, "192.168.1.30"), row(2, "192.168.1.20")}, {"", ""}},
        {"the holder's row keeps it", {row(1, "192.168.1.30"), row(2, "192.168.1.30")}, {heldBy2, ""}},
        {"a free address", {row(1, "192.168.1.50")}, {""}},
        {"the holder's own move is refused", {row(1, "192.168.1.30"), row(2, "192.168.1.50", "wrong")},
         {heldBy2, std::string("the password does not match the device's")}},
        // 3 stays because 2's move is refused, so 2 stays, so 1 may not move.
        {"a chain that a refusal breaks",
         {row(1, "192.168.1.30"), row(2, "192.168.1.40"), row(3, "192.168.1.60", "wrong")},
         {heldBy2, "IP address 192.168.1.40 is held by MAC 02:7E:3A:04:C8:03", std::string("the password does not match the device's")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<long> devices;
        std::vector<DevicePlan> plans;
        for (const PlanRow& r : c.plan) {
            devices.push_back(FindDevice(*store, r.mac));
            plans.push_back(PlanDevice(*store, devices.back(), r, DeviceClass::None));
        }
        RefuseAddressClashes(*store, devices, plans);
        for (size_t i = 0; i < plans.size(); ++i) {
            EXPECT_EQ(plans[i].reason, c.reasons[i]) << "row " << i + 1;
            EXPECT_EQ(plans[i].status == RowStatus::Refused, !c.reasons[i].empty()) << "row " << i + 1;
        }
    }
    // A change that nothing may be sent for is refused first, and keeps its device where it is.
    std::vector<long> devices = {1, 2};
    std::vector<DevicePlan> plans = {PlanDevice(*store, 1, row(1, "192.168.1.30"), DeviceClass::None),
                                     PlanDevice(*store, 2, row(2, "192.168.1.50"), DeviceClass::None)};
    RefuseAddressClashes(*store, devices, plans, [](long device) { return device == 2 ? "gone" : ""; });
    EXPECT_EQ(plans[0].reason, heldBy2);
    EXPECT_EQ(plans[1].reason, "gone");
    EXPECT_EQ(PlanAddressClashes({row(1, "192.168.1.50"), row(2, "192.168.1.60")}), "");
    PlanRow second = row(2, "192.168.001.050");
    second.line = 3;
    PlanRow first = row(1, "192.168.1.50");
    first.line = 2;
    EXPECT_EQ(PlanAddressClashes({first, second}),
              "line 3, column ip: moves a device to the address that line 2 gives another device\n");
}

// A LAN-module device whose page 0 was lost: its password is the one its
// module record sent, and a module record that holds the plan is no change.
TEST(DeviceIdentity, AModuleDeviceIsCheckedAndComparedByItsModuleRecord) {
    const DeviceRecord r = Device(8, "192.168.1.80", "modpass").record();
    Bytes module = ModuleAnswer(Mac(8));
    std::copy_n("modpass", 7, module.begin() + 96);
    std::copy_n("Rack", 4, module.begin() + 32);
    const auto plan = [](DeviceStore& store, std::string password, std::string name) {
        PlanRow row;
        row.mac = FormatMac(Mac(8).data());
        row.password = std::move(password);
        row.values[*PlanKeyIndex("name")] = std::move(name);
        return PlanDevice(store, 1, row, DeviceClass::None);
    };
    struct Case {
        const char* what;
        std::vector<int> pages;
        bool module;
        std::string password;
        RowStatus status;
        std::string reason;
    };
    const Case cases[] = {
        {"page 0 lost, module's password", {1, 2}, true, "modpass", RowStatus::WouldChange, ""},
        {"page 0 lost, empty password", {1, 2}, true, "", RowStatus::Refused, "the password does not match the device's"},
        {"page 0 lost, wrong password", {1, 2}, true, "admin", RowStatus::Refused, "the password does not match the device's"},
        {"page 0 and module both there", {0, 1, 2}, true, "modpass", RowStatus::WouldChange, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto store = std::make_unique<DeviceStore>();
        for (int p : c.pages) ReplyIntake(*store, PageBytes(r, p));
        if (c.module) ModuleReplyIntake(*store, module);
        const DevicePlan p = plan(*store, c.password, "Renamed");
        EXPECT_EQ(p.status, c.status);
        EXPECT_EQ(p.reason, c.reason);
    }
    // Page 0 lost and no module record to take the password from.
    auto store = std::make_unique<DeviceStore>();
    for (int p : {1, 2}) ReplyIntake(*store, PageBytes(r, p));
    store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
    ModuleReplyIntake(*store, module);
    store->LanModuleTable[1].MacText.clear();
    EXPECT_EQ(plan(*store, "modpass", "Renamed").reason, UpdateBlockText(UpdateBlock::NoModuleRecord));

    // A rerun of an applied plan: the module holds the new name, the
    // device's own record (which the module road never writes) the old.
    std::copy_n("Renamed", 7, module.begin() + 32);
    store = std::make_unique<DeviceStore>();
    for (int p : {0, 1, 2}) ReplyIntake(*store, PageBytes(r, p));
    ModuleReplyIntake(*store, module);
    const DevicePlan rerun = plan(*store, "modpass", "Renamed");
    EXPECT_EQ(rerun.status, RowStatus::Unchanged);
    EXPECT_TRUE(rerun.changed.empty());
}
