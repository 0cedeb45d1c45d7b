#include "core/record_layout.h"

#include <gtest/gtest.h>

#include "record_builder.h"

using namespace cobalin;
using cobalin::testing::Put;
using cobalin::testing::PutText;

namespace {
DeviceRecord PagedRecord() {
    DeviceRecord r{};
    r[0] = kPageMark;
    return r;
}
}  // namespace

TEST(RecordLayout, PagedFieldTexts) {
    struct Case {
        const char* what;
        std::initializer_list<uint8_t> bytes;
        size_t at;
        size_t index;
        std::string want;
    };
    const Case cases[] = {
        {"text ABC", {'A', 'B', 'C'}, 10, 0, "ABC"},
        {"NUL inside a text joins", {'A', 'B', 0, 'C', 'D'}, 10, 0, "ABCD"},
        {"MAC", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, 1, 7, "0A:1B:2C:3D:4E:5F"},
        {"IPv4", {192, 168, 1, 250}, 58, 4, "192.168.1.250"},
        {"port A0 0F", {0xA0, 0x0F}, 174, 24, "4000"},
        {"serial timeout 64 00", {0x64, 0x00}, 188, 17, "100"},
        {"force transmit 00 01", {0x00, 0x01}, 194, 22, "256"},
        {"max connection 0", {0}, 197, 27, "1"},
        {"max connection 7", {7}, 197, 27, "8"},
        {"max connection 255", {255}, 197, 27, "256"},
        {"data/stop 3 0", {3, 0}, 178, 13, "8-1"},
        {"data/stop 0 1", {0, 1}, 178, 13, "5-1.5"},
        {"data/stop 3 1", {3, 1}, 178, 13, "8-2"},
        {"data/stop 3 2", {3, 2}, 178, 13, ""},
        {"DHCP 1", {1}, 9, 3, "Enable"},
        {"DHCP outside", {7}, 9, 3, "7"},
        {"baud 14", {14}, 177, 12, "5787"},
        {"baud outside", {15}, 177, 12, "15"},
        {"parity outside", {5}, 180, 14, "5"},
        {"link 4", {4}, 2030, 9, "4)Link down"},
        {"link out 2", {2}, 2031, 32, "2)100/Half Duplex"},
        {"port status", {1}, 2058, 23, "Connected"},
        {"serial mode", {3}, 191, 25, "Console"},
        {"connection at", {1}, 196, 26, "Data Arrived"},
        {"version & date empty", {}, 1998, 8, " & "},
        {"version & date", {'V', '1', 0, 0, 0, 0, 0, 0, '2', '0'}, 1998, 8, "V1 & 20"},
        {"company name 48 bytes", {}, 78, 30, std::string(48, 'x')},
    };
    for (const auto& c : cases) {
        DeviceRecord r = PagedRecord();
        Put(r, c.at, c.bytes);
        if (c.index == 30) PutText(r, 78, std::string(48, 'x'));
        ParameterTextArray texts;
        DecodeRecord(r, texts);
        EXPECT_EQ(texts[c.index], c.want) << c.what;
        ParameterTextArray single;
        DecodePagedField(c.at, r, single);
        EXPECT_EQ(single[c.index], c.want) << c.what << " (single field)";
    }
}

TEST(RecordLayout, ShortFieldTexts) {
    DeviceRecord r{};
    PutText(r, 0, "CHK");
    PutText(r, 8, "PCB-4193");
    PutText(r, 24, "SN1");
    PutText(r, 40, "Rack 7");
    Put(r, 56, {0x02, 0x7E, 0x3A, 0x04, 0xC8, 0x1E});
    Put(r, 62, {192, 168, 1, 9});
    ParameterTextArray texts;
    DecodeRecord(r, texts);
    const char* want[] = {"Rack 7", "PCB-4193", "SN1", "02:7E:3A:04:C8:1E", "192.168.1.9", "0.0.0.0",
                          "0.0.0.0", "0.0.0.0.0.0.0.0", "0.0.0.0.0.0.0.0", "0.0.0.0.0.0.0.0", "CHK"};
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(texts[i], want[i]) << i;
    EXPECT_EQ(texts[11], "") << "a short record uses rows 0-10 only";
}

TEST(RecordLayout, FormatMarkDecidesAndDecodingReplaces) {
    DeviceRecord r{};
    r[0] = 0x50;  // a short record whose byte 0 happens to be 0x50 is paged
    EXPECT_TRUE(IsPagedRecord(r));
    ParameterTextArray texts;
    texts[0] = "stale";
    DecodeRecord(r, texts);
    const ParameterTextArray first = texts;
    DecodeRecord(r, texts);
    EXPECT_EQ(texts, first);
    EXPECT_EQ(texts[0], "");

    // An offset that is not the first byte of a field changes nothing.
    ParameterTextArray untouched;
    untouched.fill("x");
    for (size_t offset : {0u, 2u, 11u, 175u, 179u, 2834u, 3000u, 5000u}) DecodePagedField(offset, r, untouched);
    for (const auto& t : untouched) EXPECT_EQ(t, "x");
}

TEST(RecordLayout, TablesAreConsistent) {
    // Every paged field's first byte is one of the decoder's offsets, each index once.
    std::array<int, kParameterCount> seen{};
    for (const auto& f : PagedFields()) {
        ASSERT_LT(f.index, kParameterCount);
        ++seen[f.index];
        EXPECT_LE(f.offset + f.size, 2835u) << f.label;
    }
    for (int n : seen) EXPECT_EQ(n, 1);
    for (size_t i = 0; i < PagedFields().size(); ++i) EXPECT_EQ(PagedFields()[i].index, i);
}
