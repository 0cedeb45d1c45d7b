#include "core/request_packets.h"

#include <gtest/gtest.h>

#include <string>

#include "record_builder.h"

using namespace cobalin;

namespace {
std::string Magic() { return std::string(RequestMagic); }
std::string AsText(const Bytes& b, size_t from, size_t n) { return std::string(b.begin() + from, b.begin() + from + n); }
}  // namespace

TEST(RequestPackets, SearchRequest) {
    const Bytes full = BuildSearchRequest(SearchNetwork, 8888);
    ASSERT_EQ(full.size(), 23u);
    EXPECT_EQ(AsText(full, 0, 22), Magic());
    EXPECT_EQ(full[22], 0x00);
    EXPECT_EQ(BuildSearchRequest(SearchNetwork, 8890), full);
    EXPECT_EQ(BuildSearchRequest(SearchNetwork, 9999), Bytes{0x00});
    EXPECT_EQ(BuildSearchRequest(SearchAddress, 1234), full) << "an address search always sends the full request";
}

TEST(RequestPackets, Routes) {
    struct Case { int16_t type; uint16_t remote, local; const char* prefix; };
    const Case cases[] = {{0, 0, 8889, "C0:"}, {1, 8890, 8891, "C1:"}, {2, 8890, 8882, "C2:"},
                          {3, 8890, 8883, "C3:"}, {4, 8890, 8884, "C5:"}};
    for (const auto& c : cases) {
        const CommandRoute* r = FindUdpRoute(c.type);
        ASSERT_NE(r, nullptr) << c.type;
        EXPECT_EQ(r->remotePort, c.remote);
        EXPECT_EQ(r->localPort, c.local);
        EXPECT_EQ(r->failMessage.substr(0, 3), c.prefix);
        EXPECT_EQ(r->failMessage.substr(3), "Failed to initial UDP connection! Please retry again.");
    }
    for (int16_t t : {-1, 5, 6, 7, 8, 9}) EXPECT_EQ(FindUdpRoute(t), nullptr) << t;
}

TEST(RequestPackets, MaintenanceAndBaudRequests) {
    EchoBytesArray echo;
    for (size_t i = 0; i < echo.size(); ++i) echo[i] = static_cast<uint8_t>(0xE0 + i);
    DeviceRecord r{};
    cobalin::testing::Put(r, 70, {1, 2, 3, 4, 5, 6});

    const Bytes reset = BuildMaintenanceRequest(echo, r, "reset");
    ASSERT_EQ(reset.size(), 59u);
    EXPECT_EQ(AsText(reset, 0, 22), Magic());
    EXPECT_EQ(reset[22], 0);
    EXPECT_EQ(reset[23], 0);
    EXPECT_TRUE(std::equal(echo.begin(), echo.end(), reset.begin() + 24));
    EXPECT_EQ(Bytes(reset.begin() + 40, reset.begin() + 46), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(AsText(reset, 46, 5), "reset");
    EXPECT_EQ(Bytes(reset.begin() + 51, reset.end()), Bytes(8, 0));

    const Bytes clear = BuildMaintenanceRequest(echo, r, "clrCfgBuf");
    ASSERT_EQ(clear.size(), 59u);
    EXPECT_EQ(AsText(clear, 46, 9), "clrCfgBuf");
    EXPECT_EQ(Bytes(clear.begin() + 55, clear.end()), Bytes(4, 0));

    const Bytes baud = BuildBaudRequest(echo, r);
    ASSERT_EQ(baud.size(), 64u);
    EXPECT_EQ(AsText(baud, 46, 7), "setbaud");
    EXPECT_EQ(Bytes(baud.begin() + 53, baud.begin() + 58), Bytes(5, 0));
    EXPECT_EQ(Bytes(baud.begin() + 58, baud.end()), (Bytes{0x0A, 0x01, 0, 0, 0, 0}));
}

TEST(RequestPackets, WriteDatagrams) {
    DeviceRecord zero{};
    const WriteDatagrams w = BuildWriteDatagrams(zero);
    ASSERT_EQ(w.a.size(), 1031u);
    ASSERT_EQ(w.b.size(), 1007u);
    EXPECT_EQ(AsText(w.a, 0, 22), Magic());
    EXPECT_EQ(w.a[22], 0x7F);
    EXPECT_EQ(w.a[30], 0x01);
    EXPECT_EQ(w.b[22], 0x7F);
    EXPECT_EQ(w.b[30], 0x02);
    EXPECT_EQ(w.a[197], 0xA0);
    EXPECT_EQ(w.a[198], 0x0F);
    EXPECT_EQ(w.a[309], 0xA1);
    EXPECT_EQ(w.a[310], 0x0F);
    for (size_t i = 397; i <= 404; i += 2) EXPECT_EQ((std::pair{w.a[i], w.a[i + 1]}), (std::pair<uint8_t, uint8_t>{0xA0, 0x0F}));
    EXPECT_EQ(w.b[1005], 0x1B);
    EXPECT_EQ(w.b[1006], 0x00);
    EXPECT_EQ(WriteChecksum(w.a, w.b), 0x1B);

    DeviceRecord one{};
    one[76] = 1;
    const WriteDatagrams w1 = BuildWriteDatagrams(one);
    EXPECT_EQ(w1.b[1005], 0xB0);

    // Record bytes land at their places; block 2 kept or derived by byte 76.
    DeviceRecord r{};
    for (size_t i = 0; i < kRecordSize; ++i) r[i] = static_cast<uint8_t>(i * 7 + 3);
    r[76] = 1;
    const DeviceRecord before = r;
    const WriteDatagrams kept = BuildWriteDatagrams(r);
    EXPECT_EQ(r, before) << "the record keeps its bytes";
    EXPECT_EQ(Bytes(kept.a.begin() + 24, kept.a.begin() + 30), Bytes(r.begin() + 70, r.begin() + 76));
    for (size_t p = 31; p < 1031; ++p)
        if (p != 197 && p != 198) {
            ASSERT_EQ(kept.a[p], r[p - 23]) << p;
        }
    for (size_t p = 31; p < 1005; ++p) ASSERT_EQ(kept.b[p], r[p - 31 + 1016]) << p;

    r[76] = 2;
    const WriteDatagrams derived = BuildWriteDatagrams(r);
    EXPECT_EQ(derived.a[309], 0xA1);
    for (size_t p = 311; p < 397; ++p) ASSERT_EQ(derived.a[p], derived.a[p - 112]) << p;
    for (size_t p = 405; p <= 420; ++p) ASSERT_EQ(derived.a[p], derived.a[p - 112]) << p;
    EXPECT_EQ(derived.a[421], r[421 - 23]) << "after block 2 the record's bytes again";
    unsigned sum = 0;
    for (size_t p = 31; p < 1031; ++p) sum += derived.a[p];
    for (size_t p = 31; p < 1005; ++p) sum += derived.b[p];
    EXPECT_EQ(derived.b[1005], sum % 256);
}
