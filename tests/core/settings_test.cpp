#include "core/settings.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

using namespace cobalin;
using cobalin::testing::TempDir;

TEST(Settings, MissingFileReadsAsZero) {
    TempDir dir;
    const SettingsFile f(dir.File("Setting.ini"));
    const RunSettings s = ReadRunSettings(f);
    EXPECT_EQ(s.ZentaCoolMode, "0");
    EXPECT_EQ(s.AdvancedMode, "0");
    EXPECT_EQ(s.AdvIPDMode, "0");
    EXPECT_EQ(s.ShowPassword, "0");
    EXPECT_EQ(s.OEMLogo, "0");
    EXPECT_EQ(s.SkipPassword, 0);
    EXPECT_EQ(s.PasswordMask, std::nullopt);
    EXPECT_EQ(f.NumberOr0("ModelSelection", "Count"), 0);
    EXPECT_EQ(f.Text("DefaultDeviceSetting", "IP"), "0");
}

TEST(Settings, ValuesAsTheKeyTableReadsThem) {
    struct Case { const char* line; const char* section; const char* key; const char* text; std::optional<int16_t> number; };
    const Case cases[] = {
        {"StartupAutoDeviceType= 1 ", "RunMode", "StartupAutoDeviceType", "1", 1},
        {"StartupAutoDeviceType=two", "RunMode", "StartupAutoDeviceType", "two", std::nullopt},
        {"StartupAutoDeviceType=1.5", "RunMode", "StartupAutoDeviceType", "1.5", std::nullopt},
        {"SkipPassword=99999", "RunMode", "SkipPassword", "99999", std::nullopt},
        {"PasswordMask=-1", "RunMode", "PasswordMask", "-1", -1},
        {"OEMLogo=", "RunMode", "OEMLogo", "", std::nullopt},
        {"Count=3", "ModelSelection", "Count", "3", 3},
        {"1=  Model A  ", "ModelSelection", "1", "Model A", std::nullopt},
        {"Mode=7", "DefaultNetwork", "Mode", "7", 7},
        {"Parameter=\" 10.0.0.1 \"", "DefaultNetwork", "Parameter", "10.0.0.1", std::nullopt},
        {"IP=\" 10.0.0.1 \"", "DefaultDeviceSetting", "IP", " 10.0.0.1 ", std::nullopt},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string file = dir.Write("Setting.ini", std::string("[") + c.section + "]\n" + c.line + "\n");
        const SettingsFile f(file);
        EXPECT_EQ(f.Text(c.section, c.key), c.text) << c.line;
        EXPECT_EQ(f.Number(c.section, c.key), c.number) << c.line;
        EXPECT_EQ(f.NumberOr0(c.section, c.key), c.number.value_or(0)) << c.line;
    }
}

TEST(Settings, RunModeSection) {
    TempDir dir;
    const std::string file = dir.Write("Setting.ini",
        "[RunMode]\nZentaCoolMode= 1 \nAdvancedMode=2\nAdvIPDMode=x\nShowPassword=1.0\n"
        "SkipPassword=abc\nPasswordMask=bad\nOEMLogo=logo\n");
    const RunSettings s = ReadRunSettings(SettingsFile(file));
    EXPECT_EQ(s.ZentaCoolMode, "1");
    EXPECT_EQ(s.AdvancedMode, "2");
    EXPECT_EQ(s.AdvIPDMode, "x");
    EXPECT_EQ(s.ShowPassword, "1.0");
    EXPECT_TRUE(TextIsOne(s.ShowPassword));
    EXPECT_EQ(s.SkipPassword, 0);
    EXPECT_EQ(s.PasswordMask, std::nullopt);
    EXPECT_EQ(s.OEMLogo, "logo");
    for (const char* notOne : {"0", "", "one", "0x1", "1e0", "2"}) EXPECT_FALSE(TextIsOne(notOne)) << notOne;
    dir.Write("Setting.ini", "[RunMode]\nPasswordMask=0\n");
    EXPECT_EQ(ReadRunSettings(SettingsFile(file)).PasswordMask, std::optional<int16_t>(0));
}

TEST(Settings, HostileFilesReadAsTheMissingKeyValues) {
    std::string garbage(200000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 251);
    RunSettings longMode;
    longMode.AdvancedMode = std::string(999, 'x');  // cut to the buffer, as any long value
    RunSettings quoted;
    quoted.ShowPassword = "";
    struct Case { std::string text; RunSettings run; int16_t count; };
    const Case cases[] = {
        {"[RunMode]\n" + garbage, RunSettings{}, 0},
        {"[RunMode]\n" + std::string(100000, '=') + "\n[ModelSelection]\n" + std::string(100000, '=') + "\n", RunSettings{}, 0},
        {"[RunMode]\nAdvancedMode=" + std::string(5000, 'x') + "\n", longMode, 0},
        {"[RunMode]\nSkipPassword=70000\nPasswordMask=-32769\nShowPassword=\"\"\n[ModelSelection]\nCount=0x10\n", quoted, 0},
        {"[RunMode]\nSkipPassword= 1e9\nPasswordMask=--1\n[ModelSelection]\nCount=32768\n", RunSettings{}, 0},
    };
    TempDir dir;
    for (size_t n = 0; n < std::size(cases); ++n) {
        const Case& c = cases[n];
        const SettingsFile f(dir.Write("Setting.ini", c.text));
        const RunSettings s = ReadRunSettings(f);
        EXPECT_EQ(s.ZentaCoolMode, c.run.ZentaCoolMode) << n;
        EXPECT_EQ(s.AdvancedMode, c.run.AdvancedMode) << n;
        EXPECT_EQ(s.AdvIPDMode, c.run.AdvIPDMode) << n;
        EXPECT_EQ(s.ShowPassword, c.run.ShowPassword) << n;
        EXPECT_EQ(s.SkipPassword, 0) << n;
        EXPECT_EQ(s.PasswordMask, std::nullopt) << n;
        EXPECT_EQ(s.OEMLogo, c.run.OEMLogo) << n;
        EXPECT_EQ(f.NumberOr0("ModelSelection", "Count"), c.count) << n;
        EXPECT_EQ(f.NumberOr0("DefaultNetwork", "Mode"), 0) << n;
    }
}

TEST(Settings, SearchRoutedOnly) {
    struct Case { const char* file; bool everyInterface; };
    const Case cases[] = {
        {"", true},  // missing reads "0"
        {"[RunMode]\nSearchRoutedOnly=0\n", true},
        {"[RunMode]\nSearchRoutedOnly= 1 \n", false},
        {"[RunMode]\nSearchRoutedOnly=1.0\n", false},
        {"[RunMode]\nSearchRoutedOnly=2\n", true},
        {"[RunMode]\nSearchRoutedOnly=yes\n", true},
        {"[Other]\nSearchRoutedOnly=1\n", true},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const RunSettings s = ReadRunSettings(SettingsFile(dir.Write("Setting.ini", c.file)));
        EXPECT_EQ(BroadcastsOnEveryInterface(s), c.everyInterface) << c.file;
    }
}
