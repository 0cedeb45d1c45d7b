// The device session's choice of a device, by MAC: what its observers are
// told, what a search does to the choice, and a MAC the table no longer has.
// The devices are put into the table as the reply intake files them; the one
// request sent goes to the loopback address.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/request_packets.h"
#include "record_builder.h"
#include "session/device_session.h"
#include "writable_store.h"

namespace cobalin {
namespace {

using testing::Mac;
using testing::RecordBuilder;

// What one observer was told.
struct Told {
    int16_t entry;
    std::string mac;  // empty when no device
    bool paged;
    std::string name;  // the decoded server name
    bool searchStarted;
};

class DeviceSelection : public ::testing::Test {
protected:
    DeviceSelection() {
        session.OnSelected([this](const DeviceSession::Selection& s) {
            Told t{s.entry, s.device ? s.device->MacText : "", s.paged, {}, s.searchStarted};
            if (s.texts) t.name = (*s.texts)[s.paged ? size_t{PagedRow::ServerName} : size_t{ShortRow::ServerName}];
            told.push_back(t);
        });
        Take(RecordBuilder::Paged(Mac(1)).Row(PagedRow::ServerName, "Rack 1").Pages());
        Take({RecordBuilder::Short(Mac(2)).Row(ShortRow::ServerName, "Legacy").Reply()});
        Take(RecordBuilder::Paged(Mac(3)).Row(PagedRow::ServerName, "Rack 3").Pages());
    }
    void Take(const std::vector<Bytes>& replies) {
        for (const Bytes& r : replies) ReplyIntake(*Writable(state.Devices), r);
    }
    // The MAC as the table and the lists show it.
    static std::string MacText(uint8_t last) {
        char text[18];
        std::snprintf(text, sizeof text, "02:7E:3A:04:C8:%02X", last);
        return text;
    }

    AppState state{"."};
    DeviceSession session{state};
    std::vector<Told> told;
};

TEST_F(DeviceSelection, ChoosingAMacTellsTheEntryAndItsDecodedTexts) {
    ASSERT_EQ(Writable(state.Devices)->DeviceCount, 3);
    Writable(state.Devices)->DeviceTable[2].Record[500] = 0x77;
    struct Case {
        uint8_t last;
        int16_t entry;
        bool paged;
        const char* name;
    };
    for (const Case c : {Case{3, 3, true, "Rack 3"}, Case{2, 2, false, "Legacy"}, Case{1, 1, true, "Rack 1"}}) {
        SCOPED_TRACE(c.entry);
        told.clear();
        ASSERT_TRUE(session.SelectMac(MacText(c.last)));
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].entry, c.entry);
        EXPECT_EQ(told[0].mac, MacText(c.last));
        EXPECT_EQ(told[0].paged, c.paged);
        EXPECT_EQ(told[0].name, c.name);
        EXPECT_FALSE(told[0].searchStarted);
        EXPECT_EQ(state.SelectedDevice, c.entry);
        EXPECT_EQ(session.ChosenDevice(), c.entry);
        EXPECT_EQ(session.SelectedMac(), MacText(c.last));
        // A short record has 11 rows: nothing of the paged device before stays in the others.
        if (!c.paged) {
            for (size_t i = 11; i < kParameterCount; ++i) EXPECT_TRUE(state.ParameterTexts[i].empty()) << i;
        }
    }
    EXPECT_EQ(Writable(state.Devices)->DeviceTable[2].Record[500], 0) << "a short record chosen is zeroed past its end";
}

TEST_F(DeviceSelection, AMacNoLongerFoundChangesNothing) {
    ASSERT_TRUE(session.SelectMac(MacText(3)));
    told.clear();
    // A MAC no search brought, and none at all.
    EXPECT_FALSE(session.SelectMac(MacText(9)));
    EXPECT_FALSE(session.SelectMac(""));
    // Device 3 did not answer the latest search: its entry is past the count.
    Writable(state.Devices)->DeviceCount = 2;
    EXPECT_FALSE(session.SelectMac(MacText(3)));
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(state.SelectedDevice, 3);
    EXPECT_EQ(state.ParameterTexts[PagedRow::ServerName], "Rack 3");
    EXPECT_EQ(session.ChosenDevice(), 0) << "the entry chosen holds no device of this search";

    // An entry with no device behind it is named but shows nothing.
    session.SelectEntry(3);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].entry, 3);
    EXPECT_EQ(told[0].mac, "");
    EXPECT_EQ(state.SelectedDevice, 3);
    EXPECT_EQ(session.SelectedMac(), "");
    EXPECT_EQ(state.ParameterTexts[PagedRow::ServerName], "Rack 3") << "the texts are left as they were";
}

TEST_F(DeviceSelection, ASearchThatEmptiesTheTableDropsTheChoice) {
    ASSERT_TRUE(session.SelectMac(MacText(2)));
    told.clear();
    ClearDeviceTable(*Writable(state.Devices));
    ASSERT_TRUE(session.Send("127.0.0.1", SearchAddress, 0));
    session.Shut();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].searchStarted);
    EXPECT_EQ(told[0].mac, "");
    EXPECT_EQ(session.SelectedMac(), "");
    EXPECT_EQ(session.ChosenDevice(), 0);
    EXPECT_EQ(state.SelectedDevice, 2) << "the entry's number stays until a device is chosen again";

    // The device answers again, first this time: it is not chosen by itself.
    Take(RecordBuilder::Paged(Mac(2)).Row(PagedRow::ServerName, "Again").Pages());
    EXPECT_EQ(session.ChosenDevice(), 0);
    ASSERT_TRUE(session.SelectMac(MacText(2)));
    EXPECT_EQ(state.SelectedDevice, 1);
    EXPECT_EQ(session.ChosenDevice(), 1);
    EXPECT_EQ(told.back().name, "Again");
}

}  // namespace
}  // namespace cobalin
