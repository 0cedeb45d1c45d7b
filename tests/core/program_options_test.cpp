#include "core/program_options.h"

#include <gtest/gtest.h>

using namespace cobalin;

TEST(ProgramOptions, Parsing) {
    EXPECT_TRUE(ParseProgramOptions({"--help"}, nullptr).help);
    EXPECT_TRUE(ParseProgramOptions({"--version"}, nullptr).version);
    EXPECT_TRUE(ParseProgramOptions({"--drive"}, nullptr).drive);
    EXPECT_EQ(ParseProgramOptions({}, "/env/home").home, "/env/home");
    EXPECT_EQ(ParseProgramOptions({"--home", "/x"}, "/env/home").home, "/x");
    EXPECT_EQ(ParseProgramOptions({"--home=/y"}, nullptr).home, "/y");
    EXPECT_FALSE(ParseProgramOptions({"--home"}, nullptr).error.empty());
    EXPECT_FALSE(ParseProgramOptions({"--bogus"}, nullptr).error.empty());
}

TEST(ProgramOptions, TimeScale) {
    struct Case { const char* value; double want; };
    const Case cases[] = {
        {nullptr, 1},   {"0.02", 0.02}, {" 0.5 ", 0.5}, {"1000", 1000}, {"2", 2},
        {"1000.5", 1},  {"0", 1},       {"-0.5", 1},    {"", 1},        {"abc", 1},
        {"1e-3", 1},    {"0x10", 1},    {"0.02s", 1},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ReadTimeScale(c.value), c.want) << (c.value ? c.value : "unset");
}
