#include "core/ansi_text.h"

#include <gtest/gtest.h>

using namespace cobalin;

TEST(AnsiText, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(AnsiToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9");
}

TEST(AnsiText, UnmappableCharacters) {
    EXPECT_EQ(Utf8ToAnsi("a\xE4\xB8\xAD" "b"), "a?b");       // a Chinese character
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80"), "?");           // outside the BMP
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");                       // cut short
    EXPECT_EQ(Utf8ToAnsi("\xFF\xFE"), "??");
    EXPECT_TRUE(IsAnsiRepresentable("caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_FALSE(IsAnsiRepresentable("\xE4\xB8\xAD"));
}
