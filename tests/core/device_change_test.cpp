// The one change computation: what wanted values do to a device's record,
// and which rows the simple face's Update wants.
#include "core/device_change.h"

#include <gtest/gtest.h>

#include "core/lan_module.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

RecordBuilder Device() {
    auto b = RecordBuilder::Paged(Mac(5));
    b.Row(PagedRow::ServerName, "Rack-05").Row(PagedRow::Password, "admin").Row(PagedRow::Dhcp, "Disable");
    b.Row(PagedRow::IpAddress, "192.168.1.50").Row(PagedRow::Netmask, "255.255.255.0").Row(PagedRow::Gateway, "192.168.1.1");
    b.Row(PagedRow::CompanyName, "Hall-A").Row(PagedRow::BaudRate, "9600").Row(PagedRow::TcpUdpPort, "4000");
    return b;
}


std::vector<std::pair<int, std::string>> Rows(const std::vector<WantedRow>& rows) {
    std::vector<std::pair<int, std::string>> out;
    for (const WantedRow& r : rows) out.emplace_back(r.row, r.text);
    return out;
}

}  // namespace

TEST(DeviceChange, EditsInOrderWithTheirNotesAndNothingInTheTable) {
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, Device());
    const DeviceRecord before = store->DeviceTable[static_cast<size_t>(k)].Record;
    const DeviceChange change = ComputeChange(*store, k,
                                              {{PagedRow::ServerName, "A name far too long for it"},
                                               {PagedRow::IpAddress, "192.168.001.050"},
                                               {PagedRow::BaudRate, "19200"},
                                               {PagedRow::Netmask, "not an address"},
                                               {PagedRow::Mac, "00:00:00:00:00:00"}});
    EXPECT_EQ(store->DeviceTable[static_cast<size_t>(k)].Record, before) << "the table is left alone";
    ASSERT_EQ(change.edits.size(), 5u);
    const struct {
        ApplyOutcome outcome;
        EditNote note;
        const char* shown;
        bool differs;
    } want[] = {
        {ApplyOutcome::Written, EditNote::Cut, "A name far too l", true},
        {ApplyOutcome::Written, EditNote::AsTyped, "192.168.1.50", false},
        {ApplyOutcome::Written, EditNote::AsTyped, "19200", true},
        {ApplyOutcome::Rejected, EditNote::Refused, "255.255.255.0", false},  // the row keeps what it held
        {ApplyOutcome::Ignored, EditNote::AsTyped, "", false},
    };
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(change.edits[i].result.outcome, want[i].outcome) << i;
        EXPECT_EQ(change.edits[i].result.note, want[i].note) << i;
        EXPECT_EQ(change.edits[i].result.shown, want[i].shown) << i;
        EXPECT_EQ(change.edits[i].differs, want[i].differs) << i;
    }
    EXPECT_EQ(change.rows, (std::set<int>{PagedRow::ServerName, PagedRow::BaudRate}));
    EXPECT_FALSE(change.whole);
    EXPECT_EQ(ChangedRowNames(change), "Server name, Baud rate");

    TakeChange(*store, k, change);
    EXPECT_EQ(store->DeviceTable[static_cast<size_t>(k)].Record, change.entry().Record);
}

TEST(DeviceChange, AModuleDeviceChangesByItsModuleRecord) {
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, Device(), {0, 1, 2}, ModuleAnswer(Mac(5)));
    const DeviceChange change = ComputeChange(*store, k, {{PagedRow::ServerName, "Other"}, {PagedRow::BaudRate, "19200"}});
    EXPECT_EQ(change.edits[0].result.note, EditNote::AsTyped);
    EXPECT_EQ(change.edits[1].result.note, EditNote::NotCarriedByModule);
    EXPECT_TRUE(change.edits[1].differs) << "refused on the road, still a change that was wanted";
    EXPECT_EQ(change.rows, (std::set<int>{PagedRow::ServerName}));
}

TEST(DeviceChange, TheSimpleFaceWantsTheFieldsThatDiffer) {
    ParameterTextArray current{};
    DecodeFields(PagedFields(), Device().record(), current);
    const FaceValues same{"Rack-05", "Hall-A", "admin", "admin", "Disable", "192.168.1.50", "255.255.255.0",
                          "192.168.1.1", ""};
    using V = std::vector<std::pair<int, std::string>>;
    const struct {
        const char* what;
        void (*change)(FaceValues&);
        V rows;
    } cases[] = {
        {"nothing", [](FaceValues&) {}, {}},
        {"name and address", [](FaceValues& f) { f.name = "Rack 5"; f.ip = "192.168.1.55"; },
         {{PagedRow::ServerName, "Rack 5"}, {PagedRow::IpAddress, "192.168.1.55"}}},
        {"a password without its confirmation", [](FaceValues& f) { f.password = "new"; }, {}},
        {"a password confirmed", [](FaceValues& f) { f.password = f.confirm = "new"; }, {{PagedRow::Password, "new"}}},
        {"DHCP on leaves the addresses", [](FaceValues& f) { f.dhcp = "Enable"; f.ip = "10.0.0.1"; },
         {{PagedRow::Dhcp, "Enable"}}},
        {"a Brenik serial", [](FaceValues& f) { f.serialBrenik = "BR-1"; }, {{PagedRow::SerialBrenik, "BR-1"}}},
    };
    for (const auto& c : cases) {
        FaceValues face = same;
        c.change(face);
        EXPECT_EQ(Rows(FaceWantedRows(face, current)), c.rows) << c.what;
    }
}
