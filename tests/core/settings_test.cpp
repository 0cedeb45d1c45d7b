#include "core/settings.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

using namespace cobalin;
using cobalin::testing::TempDir;

TEST(Settings, MissingFileReadsAsZero) {
    TempDir dir;
    const SettingsFile f(dir.File("Setting.ini"));
    const RunSettings s = ReadRunSettings(f);
    EXPECT_EQ(s, RunSettings{}) << "every key missing reads \"0\"";
    EXPECT_FALSE(s.ZentaCoolMode);
    EXPECT_EQ(s.AdvancedMode, Face::SimpleTwo);
    EXPECT_TRUE(s.ReducedCommandPanel) << "AdvIPDMode reads exactly \"0\"";
    EXPECT_FALSE(s.ShowPassword);
    EXPECT_EQ(s.Logo, OemLogo::Hidden);
    EXPECT_FALSE(s.SkipPassword);
    EXPECT_EQ(s.PasswordMask, std::nullopt);
    EXPECT_FALSE(s.SearchRoutedOnly);
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

// Each [RunMode] key keeps its own rule: exactly "1", exactly "0", a number
// equal to 1, a whole number equal to 1, a face's text, a logo's text.
TEST(Settings, EachKeyIsComparedByItsRule) {
    struct Case {
        const char* line;
        bool RunSettings::*flag;
        bool on;
    };
    const Case cases[] = {
        {"ZentaCoolMode= 1 ", &RunSettings::ZentaCoolMode, true},   // trimmed, then exactly "1"
        {"ZentaCoolMode=1.0", &RunSettings::ZentaCoolMode, false},
        {"AdvIPDMode=0", &RunSettings::ReducedCommandPanel, true},
        {"AdvIPDMode=x", &RunSettings::ReducedCommandPanel, false},
        {"AdvIPDMode=", &RunSettings::ReducedCommandPanel, false},
        {"ShowPassword=1.0", &RunSettings::ShowPassword, true},
        {"ShowPassword=1e0", &RunSettings::ShowPassword, false},
        {"ShowPassword=yes", &RunSettings::ShowPassword, false},
        {"SkipPassword=1", &RunSettings::SkipPassword, true},
        {"SkipPassword=1.0", &RunSettings::SkipPassword, false},
        {"SkipPassword=abc", &RunSettings::SkipPassword, false},
        {"SearchRoutedOnly=1", &RunSettings::SearchRoutedOnly, true},
        {"SearchRoutedOnly=2", &RunSettings::SearchRoutedOnly, false},
        {"AdvancedMode=1.0", &RunSettings::AdvancedModeIsOne, true},
        {"AdvancedMode=1", &RunSettings::AdvancedModeIsOne, true},
        {"AdvancedMode=2", &RunSettings::AdvancedModeIsOne, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string file = dir.Write("Setting.ini", std::string("[RunMode]\n") + c.line + "\n");
        EXPECT_EQ(ReadRunSettings(SettingsFile(file)).*c.flag, c.on) << c.line;
    }
    struct FaceCase {
        const char* text;
        Face face;
    };
    for (const FaceCase& c : {FaceCase{"0", Face::SimpleTwo}, FaceCase{"1", Face::Advance}, FaceCase{" 2 ", Face::SimpleOne},
                              FaceCase{"1.0", Face::Other}, FaceCase{"", Face::Other}, FaceCase{"x", Face::Other}}) {
        const std::string file = dir.Write("Setting.ini", std::string("[RunMode]\nAdvancedMode=") + c.text + "\n");
        EXPECT_EQ(ReadRunSettings(SettingsFile(file)).AdvancedMode, c.face) << c.text;
    }
    struct LogoCase {
        const char* text;
        OemLogo logo;
    };
    for (const LogoCase& c : {LogoCase{"0", OemLogo::Hidden}, LogoCase{"", OemLogo::Hidden}, LogoCase{"1", OemLogo::Shown},
                              LogoCase{"logo", OemLogo::LoadedOnly}, LogoCase{"1.0", OemLogo::LoadedOnly}}) {
        const std::string file = dir.Write("Setting.ini", std::string("[RunMode]\nOEMLogo=") + c.text + "\n");
        EXPECT_EQ(ReadRunSettings(SettingsFile(file)).Logo, c.logo) << c.text;
    }
    for (const char* notOne : {"0", "", "one", "0x1", "1e0", "2"}) EXPECT_FALSE(TextIsOne(notOne)) << notOne;
    const std::string file = dir.Write("Setting.ini", "[RunMode]\nPasswordMask=0\n[DefaultDeviceSetting]\nDHCP=1\n");
    EXPECT_EQ(ReadRunSettings(SettingsFile(file)).PasswordMask, std::optional<int16_t>(0));
    EXPECT_TRUE(SettingsFile(file).IsOn("DefaultDeviceSetting", "DHCP"));
    EXPECT_FALSE(SettingsFile(file).IsOn("RunMode", "PasswordMask")) << "not a switch";

    RunSettings run;
    SetFace(run, Face::Advance);
    EXPECT_TRUE(run.AdvancedModeIsOne) << "the face changes the setting with it";
    SetFace(run, Face::SimpleOne);
    EXPECT_EQ(run.AdvancedMode, Face::SimpleOne);
    EXPECT_FALSE(run.AdvancedModeIsOne);
}

TEST(Settings, HostileFilesReadAsTheMissingKeyValues) {
    std::string garbage(200000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 251);
    RunSettings longMode;
    longMode.AdvancedMode = Face::Other;  // cut to the buffer, as any long value
    RunSettings quoted;
    quoted.AdvancedMode = Face::SimpleTwo;
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
        EXPECT_EQ(s, c.run) << n;
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
