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
