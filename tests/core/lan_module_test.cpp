#include "core/lan_module.h"

#include <gtest/gtest.h>

#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

TEST(LanModule, Query) {
    const Bytes q = BuildModuleQuery();
    ASSERT_EQ(q.size(), 173u);
    EXPECT_EQ(std::string(q.begin(), q.begin() + 8), "BrenikLM");
    EXPECT_EQ(Bytes(q.begin() + 8, q.end()), Bytes(165, 0));
}

TEST(LanModule, IntakeAttachesAndMergesCompanyName) {
    auto store = std::make_unique<DeviceStore>();
    ReplyIntake(*store, Page(0, Mac(1)));
    ReplyIntake(*store, Page(0, Mac(2)));
    std::fill_n(store->DeviceTable[2].Record.begin() + 78, 48, 'x');
    Bytes answer = ModuleAnswer(Mac(2));
    for (size_t i = 0; i < 16; ++i) answer[80 + i] = static_cast<uint8_t>('a' + i);

    EXPECT_EQ(ModuleReplyIntake(*store, answer), 2);
    EXPECT_EQ(store->LanModuleTable[2].Record, answer);
    EXPECT_EQ(store->LanModuleTable[2].MacText, "02:7E:3A:04:C8:02");
    EXPECT_EQ(store->DeviceTable[2].FormatTag, RecordFormat::WithModule);
    EXPECT_EQ(store->DeviceTable[1].FormatTag, RecordFormat::Paged);
    const DeviceRecord& r = store->DeviceTable[2].Record;
    EXPECT_EQ(std::string(r.begin() + 78, r.begin() + 94), "abcdefghijklmnop");
    EXPECT_EQ(Bytes(r.begin() + 94, r.begin() + 126), Bytes(32, 0));
    // Its page 0 again (the search asked again): still a device written through its module.
    ReplyIntake(*store, Page(0, Mac(2)));
    EXPECT_EQ(store->DeviceTable[2].FormatTag, RecordFormat::WithModule);

    EXPECT_EQ(ModuleReplyIntake(*store, ModuleAnswer(Mac(9))), -1) << "unknown MAC";
    Bytes u = ModuleAnswer(Mac(1));
    u[0] = 0x55;
    EXPECT_EQ(ModuleReplyIntake(*store, u), -1) << "other first byte";
    EXPECT_EQ(ModuleReplyIntake(*store, ModuleAnswer(Mac(1), 13)), -1) << "too short for the MAC";

    // Stored but not merged when too short for the company name.
    std::fill_n(store->DeviceTable[1].Record.begin() + 78, 48, 'y');
    EXPECT_EQ(ModuleReplyIntake(*store, ModuleAnswer(Mac(1), 50)), 1);
    EXPECT_EQ(store->LanModuleTable[1].Record.size(), 50u);
    EXPECT_EQ(store->DeviceTable[1].Record[125], 'y');
}

TEST(LanModule, AnAnswerBeforeItsDeviceIsKeptForIt) {
    auto store = std::make_unique<DeviceStore>();
    EarlyModules early;
    Bytes first = ModuleAnswer(Mac(2)), latest = ModuleAnswer(Mac(2));
    latest[80] = 'L';
    Bytes other = ModuleAnswer(Mac(1));
    other[0] = 0x55;
    struct Kept {
        const char* name;
        Bytes answer;
    };
    for (const Kept& k : {Kept{"first", first}, Kept{"the latest of one MAC", latest}, Kept{"not an answer", other},
                          Kept{"too short for a MAC", ModuleAnswer(Mac(3), 13)}}) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(ModuleReplyIntake(*store, k.answer), -1) << "no device yet";
        early.Keep(k.answer);
    }
    ReplyIntake(*store, Page(0, Mac(1)));
    EXPECT_EQ(early.TakeFor(*store, 1), -1) << "nothing kept for MAC 1";
    ReplyIntake(*store, Page(0, Mac(3)));
    EXPECT_EQ(early.TakeFor(*store, 2), -1) << "a 13-byte answer was not kept";
    ReplyIntake(*store, Page(0, Mac(2)));
    EXPECT_EQ(early.TakeFor(*store, 3), 3);
    EXPECT_EQ(store->LanModuleTable[3].Record, latest);
    EXPECT_EQ(store->DeviceTable[3].FormatTag, RecordFormat::WithModule);
    EXPECT_TRUE(early.Empty()) << "taken once";
    EXPECT_EQ(early.TakeFor(*store, 99), -1);

    // A flood of answers for MACs no device has keeps one per device a table can hold.
    for (int i = 0; i < 400; ++i) {
        Bytes a = ModuleAnswer(Mac(static_cast<uint8_t>(i)));
        a[kModuleMacOffset + 4] = static_cast<uint8_t>(i >> 8);
        early.Keep(a);
    }
    auto big = std::make_unique<DeviceStore>();
    int taken = 0;
    for (int i = 0; i < 400; ++i) {
        MacBytes mac = Mac(static_cast<uint8_t>(i));
        mac[4] = static_cast<uint8_t>(i >> 8);
        const IntakeResult r = ReplyIntake(*big, Page(0, mac));
        if (r.outcome == IntakeResult::Added) taken += early.TakeFor(*big, r.entry) > 0;
    }
    EXPECT_EQ(taken, kMaxDevices);
}

TEST(LanModule, BuildModuleUpdate) {
    auto store = std::make_unique<DeviceStore>();
    ReplyIntake(*store, Page(0, Mac(1)));
    store->DeviceTable[1].FormatTag = RecordFormat::WithModule;

    // An empty server name into 173 zero bytes: "UpdateLM" and checksum 0xFC.
    EXPECT_TRUE(BuildModuleUpdate(*store, 1, 3, ""));
    Bytes want(173, 0);
    std::copy_n("UpdateLM", 8, want.begin());
    want[172] = 0xFC;
    EXPECT_EQ(store->LanModuleTable[1].Record, want);

    EXPECT_TRUE(BuildModuleUpdate(*store, 1, 3, "ABCDEFGHIJKLMNOPQRST"));
    const Bytes& m = store->LanModuleTable[1].Record;
    EXPECT_EQ(std::string(m.begin() + 32, m.begin() + 48), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(m[172], ModuleChecksum(m));

    EXPECT_TRUE(BuildModuleUpdate(*store, 1, 8, "10.1.2.3"));
    EXPECT_EQ(Bytes(m.begin() + 112, m.begin() + 116), (Bytes{10, 1, 2, 3}));
    const Bytes before = m;
    EXPECT_FALSE(BuildModuleUpdate(*store, 1, 9, "10.1.2")) << "not an address: nothing mirrored";
    EXPECT_FALSE(BuildModuleUpdate(*store, 1, 11, "x"));
    EXPECT_FALSE(BuildModuleUpdate(*store, 300, 3, "x"));
    EXPECT_EQ(m, before);

    for (const RecordFormat tag : {RecordFormat::Paged, RecordFormat::Short, RecordFormat::None}) {
        store->DeviceTable[1].FormatTag = tag;
        EXPECT_FALSE(BuildModuleUpdate(*store, 1, 3, "changed")) << FormatTagText(tag);
    }
    EXPECT_EQ(m, before);

    // A short module answer never gets a field written past its end.
    store->LanModuleTable[1].Record = Bytes(40, 0);
    store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
    EXPECT_TRUE(BuildModuleUpdate(*store, 1, 7, "password"));
    EXPECT_EQ(store->LanModuleTable[1].Record.size(), 40u);
}
