#include "core/byte_escapes.h"

#include <gtest/gtest.h>

#include "core/record_layout.h"

using namespace cobalin;

TEST(EscapeBytesText, Table) {
    const std::pair<std::string, std::string> cases[] = {
        {"\x0D", "<0D>"},
        {"A", "A"},
        {" ", "<20>"},
        {"\x7F", "<7F>"},
        {"~", "~"},
        {"!", "!"},
        {std::string(1, '\0'), "<00>"},
        {"\x80\xFF", "<80><FF>"},
        {"<0D>", "<0D>"},          // printable characters stay as they are, "<" too
        {"AB\r\n", "AB<0D><0A>"},
        {"", ""},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(EscapeBytesText(bytes), text) << text;
}

TEST(UnescapeBytesText, Table) {
    const std::pair<std::string, std::string> cases[] = {
        {"AB<0D>", "AB\x0D"},
        {"AB<0d>", "AB<0d>"},      // lower-case digits are not decoded
        {"<G5>", "<G5>"},
        {"<41><42>", "AB"},
        {"<<41>", "<A"},
        {"<41", "<41"},            // fewer than three characters after "<"
        {"<4>", "<4>"},
        {"<41]", "<41]"},
        {"<00>", std::string(1, '\0')},
        {"<FF>", "\xFF"},
        {"x<20>y", "x y"},
        {"<>>", "<>>"},
        {"", ""},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(UnescapeBytesText(text), bytes) << text;
}

TEST(EscapeBytesText, EveryByteComesBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string escaped = EscapeBytesText(all);
    for (char c : escaped) EXPECT_TRUE(c > 32 && c < 127) << "the escaped text is printable";
    EXPECT_EQ(escaped.size(), 94u + 162u * 4u);
    EXPECT_EQ(UnescapeBytesText(escaped), all);
    EXPECT_EQ(UnescapeBytesText(all), all) << "no token in the bytes 0-255 in order";
}

TEST(ParseByteRange, Table) {
    struct Case {
        const char* start;
        const char* size;
        bool ok;
        size_t wantStart, wantSize;
    };
    const Case cases[] = {
        {"156", "15", true, 156, 15},
        {" 156 ", "\t15", true, 156, 15},
        {"0", "3001", true, 0, 3001},
        {"3000", "1", true, 3000, 1},
        {"2990", "0", true, 2990, 0},
        {"+7", "1", true, 7, 1},
        {"3000", "2", false, 0, 0},        // runs past the end
        {"1", "3001", false, 0, 0},
        {"3002", "0", false, 0, 0},
        {"-1", "3", false, 0, 0},
        {"1", "-3", false, 0, 0},
        {"1.5", "3", false, 0, 0},
        {"1", "3.0", false, 0, 0},
        {"abc", "1", false, 0, 0},
        {"", "1", false, 0, 0},
        {"1", "", false, 0, 0},
        {"1 0", "1", false, 0, 0},
        {"0x10", "1", false, 0, 0},
        {"99999999999999999999", "1", false, 0, 0},
    };
    for (const auto& c : cases) {
        const auto r = ParseByteRange(c.start, c.size, kRecordSize);
        ASSERT_EQ(r.has_value(), c.ok) << c.start << "/" << c.size;
        if (r) {
            EXPECT_EQ(r->start, c.wantStart);
            EXPECT_EQ(r->size, c.wantSize);
        }
    }
}
