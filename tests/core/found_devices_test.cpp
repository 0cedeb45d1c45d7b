// The found devices as the lists read them: decoded once from the store,
// with the texts that loading a device leaves in the decoded texts.
#include <gtest/gtest.h>

#include "core/found_devices.h"
#include "record_builder.h"

using namespace cobalin;
using cobalin::testing::Mac;
using cobalin::testing::Page;
using cobalin::testing::PutText;

namespace {

// A paged device as the intake stores it.
void AddPaged(DeviceStore& store, uint8_t last, std::string_view hwid, std::string_view model) {
    for (uint8_t page = 0; page < 3; ++page) {
        Bytes p = Page(page, Mac(last));
        if (page == 0) {
            std::copy(hwid.begin(), hwid.end(), p.begin() + 142);
            std::copy(model.begin(), model.end(), p.begin() + 126);
            std::copy_n("secret", 6, p.begin() + 42);
        }
        ReplyIntake(store, p);
    }
}

void AddShort(DeviceStore& store, uint8_t last) {
    Bytes reply = cobalin::testing::ShortReply(Mac(last));
    std::copy_n("3726400099", 10, reply.begin());  // the check code, in the hardware-ID slot
    std::copy_n("SN-77", 5, reply.begin() + 24);
    ReplyIntake(store, reply);
}

}  // namespace

// Each text is the one the details decode leaves in its slot.
TEST(FoundDevices, TextsAreTheDecodedSlotsOfTheRecordsFormat) {
    DeviceStore store;
    AddPaged(store, 1, "PCB-4193-01", "5400");
    AddShort(store, 2);
    store.DeviceCount = 3;  // an entry still all zero reads as a short record
    const FoundDevices found(store);
    ASSERT_EQ(found.All().size(), 3u);
    for (int16_t e = 1; e <= 3; ++e) {
        SCOPED_TRACE(e);
        const DeviceRecord& record = store.DeviceTable[static_cast<size_t>(e)].Record;
        ParameterTextArray texts;
        DecodeRecord(record, texts);
        const FoundDevice& d = found.Of(e);
        EXPECT_EQ(d.mac, texts[PagedRow::Mac]);
        EXPECT_EQ(d.hardwareId, texts[PagedRow::HardwareId]);
        EXPECT_EQ(d.password, texts[PagedRow::Password]);
        EXPECT_EQ(d.model, IsPagedRecord(record) ? texts[PagedRow::ModelNo] : "");
    }
    EXPECT_EQ(found.Of(1).mac, "02:7E:3A:04:C8:01");
    EXPECT_EQ(found.Of(1).model, "5400");
    EXPECT_EQ(found.Of(1).password, "secret");
    EXPECT_EQ(found.Of(2).hardwareId, "37264000") << "a short record's slot 10 is its check code";
    EXPECT_EQ(found.Of(2).password, "SN-77");
    EXPECT_EQ(found.EntryOf("02:7E:3A:04:C8:02"), 2);
    EXPECT_EQ(found.EntryOf("02:7E:3A:04:C8:09"), 0);
}

TEST(FoundDevices, LinesAreClassifiedByTheDeviceTheyLoad) {
    DeviceStore store;
    AddPaged(store, 1, "PCB-4193-01", "");
    AddPaged(store, 2, "PCB-4160-02", "");
    AddPaged(store, 3, "37264000-03", "");
    AddPaged(store, 4, "XPCB-4193", "");
    AddShort(store, 5);
    const FoundDevices found(store);
    const FoundDevice before{"02:7E:3A:04:C8:09", "PCB-4193-09", "", ""};
    const std::vector<std::string> lines = {
        "02:7E:3A:04:C8:09",  // no device: what was loaded before (its own texts)
        "02:7E:3A:04:C8:01", "02:7E:3A:04:C8:02", "02:7E:3A:04:C8:03", "02:7E:3A:04:C8:04",
        "02:7E:3A:04:C8:05",  // short: slot 7 is no MAC text
        "02:7E:3A:04:C8:0A",  // no device: the short device's texts stay loaded
    };
    const auto got = found.Classify(lines, before);
    const std::vector<std::pair<int16_t, DeviceClass>> expected = {
        {0, DeviceClass::IpDongle}, {1, DeviceClass::IpDongle}, {2, DeviceClass::ZentaBox},
        {3, DeviceClass::ZentaBox}, {4, DeviceClass::None},     {5, DeviceClass::None},
        {0, DeviceClass::None}};
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].entry, expected[i].first) << i;
        EXPECT_EQ(got[i].deviceClass, expected[i].second) << i;
    }
    // A device that did not answer stays classified by the texts of its own
    // earlier load, but not by another device's.
    const auto afterOther = found.Classify(std::vector<std::string>{"02:7E:3A:04:C8:01", "02:7E:3A:04:C8:09"}, before);
    EXPECT_EQ(afterOther[1].deviceClass, DeviceClass::None);
}

TEST(FoundDevices, ShortRecordTailIsZeroedFromByte98To2834) {
    DeviceRecord r;
    r.fill(0x77);
    ZeroShortRecordTail(r);
    EXPECT_EQ(r[97], 0x77);
    for (size_t i = 98; i <= 2834; ++i) ASSERT_EQ(r[i], 0) << i;
    EXPECT_EQ(r[2835], 0x77);
    EXPECT_EQ(r[3000], 0x77);
}
