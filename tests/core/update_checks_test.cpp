#include "core/update_checks.h"

#include <gtest/gtest.h>

#include "core/device_change.h"
#include "core/lan_module.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

// Page n of a device, filled with one byte value beyond its header.
Bytes FilledPage(uint8_t number, uint8_t last, uint8_t fill) {
    Bytes b = Page(number, Mac(last));
    std::fill(b.begin() + kPageHeaderSize, b.end(), fill);
    return b;
}

// A table after a search that found device 1 whole, with its LAN module.
std::unique_ptr<DeviceStore> AfterFirstSearch() {
    auto store = std::make_unique<DeviceStore>();
    for (uint8_t p = 0; p < 3; ++p) ReplyIntake(*store, FilledPage(p, 1, 0xAA));
    ModuleReplyIntake(*store, ModuleAnswer(Mac(1)));
    return store;
}

}  // namespace

// The search after an update sets DeviceCount to 0 without clearing the
// table: a device that takes over entry 1 must find it empty, whichever of
// its pages arrive.
TEST(UpdateChecks, AReusedEntryHoldsNothingOfTheDeviceBefore) {
    struct Case {
        const char* name;
        std::vector<uint8_t> pages;
        UpdateBlock block;
        RecordFormat format;
    };
    const Case cases[] = {
        {"page 1 lost", {0, 2}, UpdateBlock::NoPage1, RecordFormat::Paged},
        {"page 0 lost", {1, 2}, UpdateBlock::NoPage0, RecordFormat::None},
        {"only page 2", {2}, UpdateBlock::NoPage0, RecordFormat::None},
        {"whole", {0, 1, 2}, UpdateBlock::None, RecordFormat::Paged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = AfterFirstSearch();
        ASSERT_EQ(store->DeviceTable[1].FormatTag, RecordFormat::WithModule);
        store->DeviceCount = 0;  // the search request
        for (uint8_t p : c.pages) ReplyIntake(*store, FilledPage(p, 2, 0x55));
        const DeviceEntry& e = store->DeviceTable[1];
        EXPECT_EQ(e.MacText, "02:7E:3A:04:C8:02");
        EXPECT_EQ(e.FormatTag, c.format);
        EXPECT_EQ(CheckUpdate(*store, 1), c.block);
        for (size_t p = 0; p < 3; ++p) {
            const bool arrived = std::count(c.pages.begin(), c.pages.end(), p) > 0;
            const auto from = e.Record.begin() + static_cast<long>(kPages[p].recordOffset + kPageHeaderSize);
            const auto to = e.Record.begin() + static_cast<long>(kPages[p].recordOffset + kPages[p].length);
            EXPECT_EQ(std::count(from, to, arrived ? 0x55 : 0), to - from) << "page " << p;
        }
        EXPECT_EQ(std::count(e.Record.begin() + 2835, e.Record.end(), 0), 166);
        const bool page0 = std::count(c.pages.begin(), c.pages.end(), 0) > 0;
        EXPECT_EQ(e.EchoBytes[0], page0 ? 0x55 : 0) << "the echo bytes are the new device's or none";
        EXPECT_TRUE(store->LanModuleTable[1].MacText.empty());
        EXPECT_EQ(store->LanModuleTable[1].Record, Bytes(kModuleRecordSize, 0));
    }
}

TEST(UpdateChecks, RepeatedPagesOfAKnownDeviceOverwriteOnlyTheirOwnBytes) {
    auto store = AfterFirstSearch();
    // An answer to a later request (the same page from the same device
    // within one answer would tell of a second device).
    ++store->SearchRound;
    ReplyIntake(*store, FilledPage(1, 1, 0x11));
    const DeviceEntry& e = store->DeviceTable[1];
    EXPECT_EQ(e.Record[kPages[0].recordOffset + 500], 0xAA);
    EXPECT_EQ(e.Record[kPages[1].recordOffset + 500], 0x11);
    EXPECT_EQ(e.Record[kPages[2].recordOffset + 500], 0xAA);
    EXPECT_EQ(store->LanModuleTable[1].MacText, "02:7E:3A:04:C8:01");
    EXPECT_EQ(CheckUpdate(*store, 1), UpdateBlock::None);
}

TEST(UpdateChecks, WhatAnUpdateMaySend) {
    auto store = std::make_unique<DeviceStore>();
    ReplyIntake(*store, ShortReply(Mac(1)));                    // entry 1: short
    for (uint8_t p = 0; p < 3; ++p) ReplyIntake(*store, Page(p, Mac(2)));  // entry 2: paged, whole
    for (uint8_t p = 0; p < 3; ++p) ReplyIntake(*store, Page(p, Mac(3)));  // entry 3: with a module
    ModuleReplyIntake(*store, ModuleAnswer(Mac(3)));
    for (uint8_t p = 0; p < 3; ++p) ReplyIntake(*store, Page(p, Mac(4)));  // entry 4: module tag, no module record
    store->DeviceTable[4].FormatTag = RecordFormat::WithModule;
    EXPECT_EQ(CheckUpdate(*store, 1), UpdateBlock::NotWritable);
    EXPECT_EQ(CheckUpdate(*store, 2), UpdateBlock::None);
    EXPECT_EQ(CheckUpdate(*store, 3), UpdateBlock::None);
    EXPECT_EQ(CheckUpdate(*store, 4), UpdateBlock::NoModuleRecord);
    for (long outside : {0L, 5L, -1L, 256L}) EXPECT_EQ(CheckUpdate(*store, outside), UpdateBlock::NotWritable);
    EXPECT_EQ(UpdateBlockText(UpdateBlock::NoPage1), "Not updated: page 1 of this device was not received; search again");
    EXPECT_EQ(UpdateBlockText(UpdateBlock::None), "");
}

TEST(UpdateChecks, BytesAnUpdateSendsAsTheyStand) {
    auto store = std::make_unique<DeviceStore>();
    for (uint8_t p = 0; p < 3; ++p) ReplyIntake(*store, Page(p, Mac(2)));
    DeviceEntry& e = store->DeviceTable[1];
    struct Case {
        size_t offset;
        uint8_t serialPorts;
        bool sent;
    };
    const Case cases[] = {
        {0, 1, false},    {7, 1, false},    {8, 1, true},     {173, 1, true},   {174, 1, false}, {175, 1, false},
        {176, 1, true},   {286, 1, true},   {397, 1, true},   {286, 2, false},  {397, 2, false}, {398, 2, true},
        {1007, 1, true},  {1008, 1, false}, {1015, 1, false}, {1016, 1, true},  {1989, 1, true}, {1990, 1, false},
        {2030, 1, false}, {3000, 1, false}, {3001, 1, false},
    };
    for (const Case& c : cases) {
        e.Record[kSerialPortCountOffset] = c.serialPorts;
        EXPECT_EQ(UpdateSendsByte(e, c.offset), c.sent) << c.offset << " with " << int{c.serialPorts} << " ports";
    }
    for (RecordFormat f : {RecordFormat::Short, RecordFormat::WithModule, RecordFormat::None}) {
        e.FormatTag = f;
        EXPECT_FALSE(UpdateSendsByte(e, 100)) << FormatTagText(f);
    }
    e.FormatTag = RecordFormat::Paged;
    e.Record[kSerialPortCountOffset] = 1;
    const DeviceRecord before = e.Record;
    for (size_t o = 170; o < 180; ++o) e.Record[o] = 0x7E;
    e.Record[1990] = 0x7E;
    EXPECT_EQ(UnsentChanges(e, before, 160, 2000), (std::vector<ByteStretch>{{174, 175}, {1990, 1990}}));
    EXPECT_TRUE(UnsentChanges(e, before, 176, 4).empty());
}

TEST(UpdateChecks, RowsKeptAfterAnUpdate) {
    auto store = std::make_unique<DeviceStore>();
    for (uint8_t p = 0; p < 3; ++p) ReplyIntake(*store, Page(p, Mac(2)));
    DeviceEntry back = store->DeviceTable[1];
    DeviceRecord sent = back.Record;
    PutText(sent, 10, "New name");  // row 0, page 0
    sent[177] = 6;                  // baud rate, page 0
    sent[174] = 0x40;               // the port: set by the write, never compared
    const std::set<int> rows = {PagedRow::ServerName, PagedRow::BaudRate, PagedRow::TcpUdpPort};
    EXPECT_EQ(RowsKept(sent, back, rows), (std::vector<int>{PagedRow::ServerName, PagedRow::BaudRate}));
    back.ReceivedPages = 0b110;  // page 0 did not come back: nothing to compare
    EXPECT_TRUE(RowsKept(sent, back, rows).empty());

    Bytes module = ModuleAnswer(Mac(2)), answer = ModuleAnswer(Mac(2));
    std::copy_n("Via module", 10, module.begin() + 32);
    const std::set<int> moduleRows = {PagedRow::ServerName, PagedRow::IpAddress, PagedRow::BaudRate};
    EXPECT_EQ(ModuleRowsKept(module, answer, moduleRows), std::vector<int>{PagedRow::ServerName});
    std::copy_n("Via module", 10, answer.begin() + 32);
    EXPECT_TRUE(ModuleRowsKept(module, answer, moduleRows).empty());
    EXPECT_EQ(ModuleRowsKept(module, Bytes(40, 0), moduleRows), (std::vector<int>{PagedRow::ServerName, PagedRow::IpAddress}))
        << "an answer too short to hold its fields";
}

namespace {

// A record byte from `from` on that the write sends and that no row names.
size_t UnnamedSentByte(const DeviceEntry& e, size_t from = 0) {
    for (size_t o = from; o < kRecordSize; ++o) {
        bool named = false;
        for (const FieldDef& f : PagedFields()) named = named || (o >= f.offset && o < size_t{f.offset} + f.size);
        if (!named && UpdateSendsByte(e, o)) return o;
    }
    return kRecordSize;
}

}  // namespace

// Bytes typed into the raw byte view are verified by the next update like
// the rows applied; without a raw edit, a byte the device rewrites itself
// (an address from DHCP) does not make an honest update "Not verified".
TEST(UpdateChecks, RawEditsAreVerified) {
    auto store = std::make_unique<DeviceStore>();
    DeviceRecord original{};
    for (uint8_t p = 0; p < 3; ++p) {
        const Bytes page = Page(p, Mac(3));
        std::copy(page.begin(), page.end(), original.begin() + static_cast<long>(kPages[p].recordOffset));
    }
    const long device = TakePages(*store, original);
    const DeviceEntry& entry = store->DeviceTable[static_cast<size_t>(device)];
    const size_t other = UnnamedSentByte(entry);
    ASSERT_LT(other, kRecordSize);
    const size_t page1Byte = UnnamedSentByte(entry, kPages[1].recordOffset);
    ASSERT_LT(page1Byte, kPages[1].recordOffset + kPages[1].length);

    struct Case {
        const char* what;
        std::vector<RawEdit> raw;                   // typed into the view, in turn
        std::vector<std::pair<size_t, uint8_t>> device;  // what the device holds afterwards, beyond the old record
        bool tookIt;                                // the device holds what was sent
        std::vector<int> pages;                     // the pages that came back
        std::string report;
    };
    const std::vector<Case> cases = {
        {"a name typed raw, ignored", {{10, "Raw"}}, {}, false, {0, 1, 2}, "Device kept other values: Server name"},
        {"an unnamed byte, ignored", {{other, "\x5A"}}, {}, false, {0, 1, 2}, "Device kept other values: other bytes"},
        {"both, taken", {{10, "Raw"}, {other, "\x5A"}}, {}, true, {0, 1, 2}, ""},
        {"a page-1 byte whose page was lost", {{page1Byte, "\x5A"}}, {}, true, {0, 2},
         "Not verified: page 1 of this device was not received after the update; search again"},
        {"no raw edit, a byte rewritten by the device", {}, {{other, 0x33}}, false, {0, 1, 2}, ""},
        {"bytes typed as they were: nothing to compare", {{other, std::string(1, static_cast<char>(original[other]))}},
         {{other, 0x44}}, false, {0, 1, 2}, ""},
    };
    for (const Case& c : cases) {
        SentUpdate sent{entry.MacText, entry.Record, {}, std::nullopt};
        std::unique_ptr<DeviceStore> now = std::make_unique<DeviceStore>(*store);
        for (const RawEdit& raw : c.raw) {
            const DeviceChange change = ComputeChange(*now, device, {}, nullptr, &raw);
            TakeChange(*now, device, change);
            sent.raw.insert(sent.raw.end(), change.raw.begin(), change.raw.end());
        }
        sent.record = now->DeviceTable[static_cast<size_t>(device)].Record;
        DeviceRecord held = c.tookIt ? sent.record : original;
        for (const auto& [o, b] : c.device) held[o] = b;
        auto after = std::make_unique<DeviceStore>();
        TakePages(*after, held, c.pages);
        EXPECT_EQ(UpdateReportText(sent, *after), c.report) << c.what;
    }
}
