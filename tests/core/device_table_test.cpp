#include "core/device_table.h"

#include <gtest/gtest.h>

#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {
struct Fixture {
    std::unique_ptr<DeviceStore> store = std::make_unique<DeviceStore>();
    IntakeResult Take(const Bytes& b) { return ReplyIntake(*store, b); }
    const DeviceEntry& Entry(size_t i) { return store->DeviceTable[i]; }
};
}  // namespace

TEST(ReplyIntake, ShortReply) {
    Fixture f;
    Bytes reply = ShortReply(Mac(0x1E));
    for (size_t i = 24; i < 40; ++i) reply[i] = static_cast<uint8_t>(i);
    const IntakeResult r = f.Take(reply);
    EXPECT_EQ(r.outcome, IntakeResult::Added);
    EXPECT_EQ(r.entry, 1);
    EXPECT_TRUE(r.shortFormat);
    EXPECT_EQ(f.store->DeviceCount, 1);
    EXPECT_EQ(f.Entry(1).MacText, "02:7E:3A:04:C8:1E");
    EXPECT_EQ(f.Entry(1).FormatTag, RecordFormat::Short);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(f.Entry(1).EchoBytes[i], 24 + i);

    reply[40] = 'Z';
    const IntakeResult again = f.Take(reply);
    EXPECT_EQ(again.outcome, IntakeResult::Stored);
    EXPECT_EQ(again.entry, 1);
    EXPECT_EQ(f.store->DeviceCount, 1);
    EXPECT_EQ(f.Entry(1).Record[40], 'Z');
    EXPECT_EQ(f.Entry(0).MacText, "");
}

TEST(ReplyIntake, PagedRepliesInAnyOrder) {
    Fixture f;
    Bytes p1 = Page(1, Mac(1));
    p1[981] = 0x77;
    Bytes p2 = Page(2, Mac(1));
    p2[844] = 0x66;
    Bytes p0 = Page(0, Mac(1));
    for (size_t i = 26; i < 42; ++i) p0[i] = static_cast<uint8_t>(0x80 + i);
    // Page 1 first: the entry it makes is the one page 0 later finds.
    EXPECT_EQ(f.Take(p1).outcome, IntakeResult::Added);
    EXPECT_EQ(f.Take(p2).outcome, IntakeResult::Stored);
    EXPECT_EQ(f.Take(p0).outcome, IntakeResult::Stored);
    EXPECT_EQ(f.store->DeviceCount, 1);
    const DeviceEntry& e = f.Entry(1);
    EXPECT_EQ(e.MacText, "02:7E:3A:04:C8:01");
    EXPECT_EQ(e.FormatTag, RecordFormat::Paged);
    EXPECT_EQ(e.Record[1008], 0x50);
    EXPECT_EQ(e.Record[1015], 1);
    EXPECT_EQ(e.Record[1989], 0x77);
    EXPECT_EQ(e.Record[2834], 0x66);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(e.EchoBytes[i], 0x80 + 26 + i);
    // A longer datagram copies only the page's bytes.
    Bytes long0 = Page(0, Mac(1), 1900);
    long0[1500] = 0x99;
    f.Take(long0);
    EXPECT_EQ(e.Record[1500], 0) << "page 0 stops at 1007";
}

TEST(ReplyIntake, ReceivedPagesBelongToTheEntrysDevice) {
    Fixture f;
    f.Take(Page(1, Mac(1)));
    EXPECT_EQ(f.Entry(1).ReceivedPages, 0b010);
    f.Take(Page(0, Mac(1)));
    f.Take(Page(2, Mac(1)));
    EXPECT_EQ(f.Entry(1).ReceivedPages, 0b111);
    // A search that does not clear the table first hands entry 1 to whichever
    // device answers first: only that device's pages count as received.
    f.store->DeviceCount = 0;
    f.Take(Page(0, Mac(2)));
    EXPECT_EQ(f.Entry(1).MacText, "02:7E:3A:04:C8:02");
    EXPECT_EQ(f.Entry(1).ReceivedPages, 0b001);
    f.Take(ShortReply(Mac(3)));
    EXPECT_EQ(f.Entry(2).ReceivedPages, 0);
}

TEST(ReplyIntake, DropsAndRefusals) {
    struct Case { const char* what; Bytes datagram; IntakeResult::Outcome want; };
    Bytes wrongMark = Page(0, Mac(2));
    wrongMark[0] = 0x51;
    Bytes page3 = Page(0, Mac(2));
    page3[7] = 3;
    const Case cases[] = {
        {"empty", {}, IntakeResult::Dropped},
        {"seven bytes", {0x50, 1, 2, 3, 4, 5, 6}, IntakeResult::Dropped},
        {"wrong mark", wrongMark, IntakeResult::Dropped},
        {"page 3", page3, IntakeResult::Dropped},
        {"header only", Page(0, Mac(2), 8), IntakeResult::Refused},
        {"short page 0", Page(0, Mac(2), 1007), IntakeResult::Refused},
        {"short page 1", Page(1, Mac(2), 981), IntakeResult::Refused},
        {"short page 2", Page(2, Mac(2), 844), IntakeResult::Refused},
        {"97-byte page", Page(0, Mac(2), 97), IntakeResult::Refused},
    };
    for (const auto& c : cases) {
        Fixture f;
        EXPECT_EQ(f.Take(c.datagram).outcome, c.want) << c.what;
        EXPECT_EQ(f.store->DeviceCount, 0) << c.what;
        for (const auto& e : f.store->DeviceTable) {
            ASSERT_EQ(e.MacText, "") << c.what;
            ASSERT_EQ(e.Record, DeviceRecord{}) << c.what;
        }
    }
}

TEST(ReplyIntake, TableHolds255Devices) {
    Fixture f;
    for (int i = 0; i < 255; ++i) {
        std::array<uint8_t, 6> mac = {0x02, 0, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        ASSERT_EQ(f.Take(Page(0, mac)).outcome, IntakeResult::Added);
    }
    EXPECT_EQ(f.Take(Page(0, Mac(0xEE))).outcome, IntakeResult::Refused);
    EXPECT_EQ(f.store->DeviceCount, 255);
    EXPECT_EQ(f.Take(Page(1, {0x02, 0, 0, 0, 0, 7})).outcome, IntakeResult::Stored) << "known devices still land";
    ClearDeviceTable(*f.store);
    for (const auto& e : f.store->DeviceTable) ASSERT_TRUE(e.MacText.empty() && e.FormatTag == RecordFormat::None);
    for (const auto& m : f.store->LanModuleTable) ASSERT_EQ(m.Record, Bytes(173, 0));
}

TEST(Acknowledgement, Check) {
    Bytes ack = {0x50, 1, 2, 3, 4, 5, 6, 0, 'R', 'e', 'c', 'e', 'i', 'v', 'e', 'c'};
    EXPECT_TRUE(IsAcknowledgement(ack));
    Bytes longer = ack;
    longer.push_back(9);
    EXPECT_TRUE(IsAcknowledgement(longer));
    Bytes wrong = ack;
    wrong[15] = 0x64;
    EXPECT_FALSE(IsAcknowledgement(wrong));
    wrong = ack;
    wrong[7] = 1;
    EXPECT_FALSE(IsAcknowledgement(wrong));
    EXPECT_FALSE(IsAcknowledgement(Bytes(ack.begin(), ack.begin() + 15)));
    EXPECT_FALSE(IsAcknowledgement({}));
}

// Which datagram decides the interface a device's requests leave by (and
// their source, that interface's own address): page 0 or the short record.
// A page 1 or 2 carries nothing that says who sent it, so one from anywhere
// never moves the device's write, which holds its password, elsewhere.
TEST(ReplyIntake, TheInterfaceIsThatOfPageZeroOrTheShortRecord) {
    struct Arrival {
        Bytes datagram;
        int index;  // the interface it came in by: "ethN", address 10.0.N.1/24
    };
    const Bytes p0 = Page(0, Mac(1)), p1 = Page(1, Mac(1)), p2 = Page(2, Mac(1)), s = ShortReply(Mac(1));
    struct Case {
        const char* what;
        std::vector<Arrival> arrivals;
        int index;  // the entry's interface afterwards; 0: none
    };
    const Case cases[] = {
        {"one reply", {{p0, 3}, {p1, 3}, {p2, 3}}, 3},
        {"pages 1 and 2 by another interface", {{p0, 3}, {p1, 5}, {p2, 5}}, 3},
        {"page 2 by another interface, last", {{p0, 3}, {p1, 3}, {p2, 3}, {p2, 5}}, 3},
        {"page 2 by another interface, first", {{p2, 5}, {p0, 3}, {p1, 3}}, 3},
        {"page 0 lost", {{p1, 3}, {p2, 5}}, 0},
        {"a reply on two interfaces of one LAN: the latest page 0", {{p0, 3}, {p1, 3}, {p0, 4}, {p1, 3}}, 4},
        {"a short record", {{s, 3}}, 3},
        {"a short record on two interfaces", {{s, 3}, {s, 4}}, 4},
        {"a page 0 too short to take", {{p0, 3}, {Page(0, Mac(1), 20), 7}}, 3},
        {"not a reply", {{p0, 3}, {{0x51, 1, 2, 3, 4, 5, 6, 7}, 7}}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        for (const Arrival& a : c.arrivals)
            NoteArrivalInterface(*f.store, f.Take(a.datagram), a.index, "eth" + std::to_string(a.index),
                                 0x0A000001u | static_cast<uint32_t>(a.index) << 8, 24);
        const DeviceEntry& e = f.Entry(1);
        EXPECT_EQ(e.InterfaceIndex, c.index);
        EXPECT_EQ(e.InterfaceName, c.index ? "eth" + std::to_string(c.index) : "");
        EXPECT_EQ(e.InterfaceAddress, c.index ? 0x0A000001u | static_cast<uint32_t>(c.index) << 8 : 0u);
        EXPECT_EQ(e.InterfacePrefix, c.index ? 24 : -1);
    }
    // An entry handed to another device forgets the old one's interface.
    Fixture f;
    NoteArrivalInterface(*f.store, f.Take(Page(0, Mac(1))), 3, "eth3");
    f.store->DeviceCount = 0;
    f.Take(Page(0, Mac(2)));
    EXPECT_EQ(f.Entry(1).InterfaceIndex, 0);
    EXPECT_EQ(f.Entry(1).InterfaceName, "");
}
