#include "core/text_conversions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cobalin;

TEST(TextConversions, HexByte) {
    const std::pair<int, const char*> cases[] = {
        {0, "00"}, {5, "05"}, {10, "0A"}, {171, "AB"}, {255, "FF"}, {256, "-1"}, {-1, "-1"}, {32767, "-1"}, {-32768, "-1"}};
    for (auto [v, want] : cases) EXPECT_EQ(HexByte(v), want) << v;
}

TEST(TextConversions, HexDigitValue) {
    const std::pair<const char*, int> cases[] = {{"0", 0}, {"9", 9}, {"A", 10}, {"f", 15}, {"F", 15}, {"g", -1},
                                                 {"G", -1}, {"", -1}, {"10", -1}, {" ", -1}, {"\xff", -1}};
    for (auto [c, want] : cases) EXPECT_EQ(HexDigitValue(c), want) << c;
}

TEST(TextConversions, HexToNumber) {
    const std::pair<const char*, double> cases[] = {
        {"00", 0}, {"A1", 161}, {"0F", 15}, {"A0", 160}, {"0FA0", 4000}, {"G1", -15}, {"FFFFFFFF", 4294967295.0}};
    for (auto [t, want] : cases) EXPECT_EQ(HexToNumber(t), want) << t;
}

TEST(TextConversions, HexPairValue) {
    const std::pair<const char*, int> cases[] = {{"FF", 255}, {"0A", 10}, {"5", 79}, {"", -17}, {"FFx", 255}, {"zz", -17}};
    for (auto [t, want] : cases) EXPECT_EQ(HexPairValue(t), want) << t;
}

TEST(TextConversions, MacKeyToText) {
    struct Case { const char* key; const char* sep; const char* want; };
    const Case cases[] = {
        {"500A1B2C3D4E5F00", ":", "0A:1B:2C:3D:4E:5F"},
        {"500A1B2C3D4E5F01", "-", "0A-1B-2C-3D-4E-5F"},
        {"500A1B2C3D4E5F02", "", "0A1B2C3D4E5F"},
        {"500A1B2C3D4E5F03", ":", "N/A"},
        {"500A1B2C3D4E5F", ":", "N/A"},
        {"510A1B2C3D4E5F00", ":", "N/A"},
        {"", ":", "N/A"},
    };
    for (const auto& c : cases) EXPECT_EQ(MacKeyToText(c.key, c.sep), c.want) << c.key;
}

TEST(TextConversions, GroupHexPairs) {
    EXPECT_EQ(GroupHexPairs("0A1B2C3D4E5F", ":"), "0A:1B:2C:3D:4E:5F");
    EXPECT_EQ(GroupHexPairs("zzyyxxwwvvuu", "-"), "zz-yy-xx-ww-vv-uu");
    EXPECT_EQ(GroupHexPairs("0A1B2C3D4E5", ":"), "N/A");
    EXPECT_EQ(GroupHexPairs("0A1B2C3D4E5F6", ":"), "N/A");
}

TEST(TextConversions, AddressChecks) {
    struct Case { const char* text; bool quad; bool host; bool net; };
    const Case cases[] = {
        {"192.168.1.250", true, true, true},
        {"192.168.1", false, false, false},
        {"1.2.3.4.5", false, false, false},
        {"10.1.2", false, false, false},
        {"10.1.2.3.4", false, false, false},
        {"1.2.3.256", false, false, false},
        {"010.1.1.1", true, true, true},
        {"192.168.001.010", true, true, true},
        {"192.168.1.0", true, false, true},
        {"192.168.1.255", true, false, true},
        {"192.168.1.254", true, true, true},
        {"0.0.0.0", true, false, true},
        {"1..2.3", false, false, false},
        {"a.b.c.d", false, false, false},
        {" 1 . 2 .3 . 4 ", true, true, true},
        {"\t1.2.3.4", true, true, true},
        {"1 0.1.1.1", false, false, false},
        {"+1.2.3.4", false, false, false},
        {"-1.2.3.4", false, false, false},
        {"1.5.2.3.4", false, false, false},
        {"1.2.3.4e0", false, false, false},
        {"1.2.3.0x1", false, false, false},
        {"1e2.2.3.4", false, false, false},
        {"99999999999999999999999999.1.1.1", false, false, false},
        {"000000000000000000000000001.1.1.1", true, true, true},
        {"...", false, false, false},
        {"", false, false, false},
        {"1.2.3.", false, false, false},
        {"1.2.3.\xc3\xa9", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDottedQuad(c.text), c.quad) << c.text;
        EXPECT_EQ(IsValidAddress(c.text, true), c.host) << c.text;
        EXPECT_EQ(IsValidAddress(c.text, false), c.net) << c.text;
    }
}

TEST(TextConversions, ParseNumbers) {
    EXPECT_EQ(ParseWholeNumber(" 12 ", 0, 100), 12);
    EXPECT_EQ(ParseWholeNumber("-3", -10, 10), -3);
    EXPECT_EQ(ParseWholeNumber("1.0", -10, 10), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("40000", -32768, 32767), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("99999999999999999999999", 0, 10), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("", 0, 10), std::nullopt);
    EXPECT_EQ(ParseDecimal(" -2.5 "), -2.5);
    EXPECT_EQ(ParseDecimal("7."), 7.0);
    EXPECT_EQ(ParseDecimal(".5"), 0.5);
    for (const char* bad : {"", ".", "-", "1e3", "0x10", "1 2", "1.2.3", "abc"}) EXPECT_EQ(ParseDecimal(bad), std::nullopt) << bad;
}

TEST(TextConversions, TrimTakesOnlyTheGivenCharactersAtTheEnds) {
    struct Case { std::string_view text, chars, want; };
    const Case cases[] = {
        {"  Alpha Beta  ", kSpaces, "Alpha Beta"},
        {"\t 1 \t", kSpaces, "\t 1 \t"},  // a settings value keeps its tabs
        {" \t7\t ", kBlanks, "7"},
        {"\r\n key = v \v\f", kWhitespace, "key = v"},
        {"a  b", kSpaces, "a  b"},
        {"x", kSpaces, "x"},
        {"", kSpaces, ""},
        {"    ", kSpaces, ""},
        {" \t \t", kBlanks, ""},
        {" a ", "", " a "},
        {std::string_view(" \0a\0 ", 5), kSpaces, std::string_view("\0a\0", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(Trim(c.text, c.chars), c.want) << "[" << c.text << "]";
}

TEST(TextConversions, FormatDotted) {
    struct Case { std::vector<uint8_t> bytes; const char* want; };
    const Case cases[] = {
        {{192, 168, 1, 250}, "192.168.1.250"},
        {{0, 0, 0, 0}, "0.0.0.0"},
        {{255, 255, 255, 255}, "255.255.255.255"},
        {{10, 9, 100, 99}, "10.9.100.99"},
        {{254, 128, 0, 0, 0, 0, 0, 1}, "254.128.0.0.0.0.0.1"},
        {{7}, "7"},
        {{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDotted(c.bytes), c.want);
    // Every quad reads back as the bytes it came from.
    for (int v = 0; v < 256; ++v) {
        const std::array<uint8_t, 4> quad = {static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v), 0, 1};
        EXPECT_EQ(ParseDottedQuad(FormatDotted(quad)), quad) << v;
    }
}
