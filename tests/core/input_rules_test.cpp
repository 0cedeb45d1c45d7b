#include "core/input_rules.h"

#include <gtest/gtest.h>

using namespace cobalin;

namespace {

// A panel whose values all pass Save.
SaveFields GoodSave() {
    SaveFields f;
    f.password = "admin";
    f.devicePassword = "admin";
    f.name = "Dongle-9";
    f.location = "Hall-B";
    f.newPassword = "";
    f.confirmPassword = "";
    f.ipAddress = "192.168.1.77";
    f.subnetMask = "255.255.255.0";
    f.gateway = "192.168.1.1";
    return f;
}

ApplyFields GoodApply() {
    ApplyFields f;
    f.superPassword = "admin";
    f.devicePassword = "admin";
    f.stagedPassword = "newpass12";
    f.stagedConfirm = "newpass12";
    f.deviceSelected = true;
    return f;
}

const std::string kNotAllowed = std::string("( # ),( ' ),( \" ),( ; ),( & ),( \\ ) and Space characters are not allowed for ");

}  // namespace

TEST(InputRules, NameSafeCharacterSet) {
    int safe = 0;
    for (long c = 0; c < 0x300; ++c) safe += IsNameSafe(c);
    EXPECT_EQ(safe, 88);
    for (long c : {long{' '}, long{'#'}, long{'&'}, long{';'}, long{'\''}, long{'"'}, long{'\\'}, 0x7FL, 0x1FL, 0xE9L, -1L})
        EXPECT_FALSE(IsNameSafe(c)) << c;
    for (long c : {long{'!'}, long{'%'}, long{'~'}, long{'A'}, long{'0'}, long{'-'}}) EXPECT_TRUE(IsNameSafe(c)) << c;
}

TEST(InputRules, IsValidTextCountsCharactersAndChecksWhatWasTyped) {
    struct Case {
        const char* text;
        size_t min, max;
        bool valid;
    };
    const Case cases[] = {
        {"", 0, 0, false},                       // never empty
        {"a", 0, 0, true},                       // 0: unbounded
        {"abc", 4, 16, false},
        {"abcd", 4, 16, true},
        {"abcdefghijklmnop", 4, 16, true},       // 16
        {"abcdefghijklmnopq", 4, 16, false},     // 17
        {"abc ", 4, 16, false},                  // a blank
        {"ab#d", 4, 16, false},
        {"pass%wd!", 8, 16, true},
        {"caf\xC3\xA9", 4, 16, false},           // "é": four characters, one outside the set
        {"\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D\xE5\xAD\x97", 4, 16, false},  // four Chinese characters
        {"ab\xF0\x9F\x98\x80", 3, 3, false},     // an emoji is one character, still refused
        {"abc\xFF", 4, 16, false},               // a malformed byte
        {"a\tbc", 0, 0, false},                  // a control character
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidText(c.text, c.min, c.max), c.valid) << c.text;
    EXPECT_EQ(CharacterCount("caf\xC3\xA9"), 4u);
    EXPECT_EQ(CharacterCount("ab\xF0\x9F\x98\x80"), 3u);
}

TEST(InputRules, SaveRefusesEachFieldOnceAndPassesOnce) {
    struct Case {
        const char* what;
        void (*change)(SaveFields&);
        std::optional<Refusal> want;
    };
    const Case cases[] = {
        {"all good", [](SaveFields&) {}, std::nullopt},
        {"wrong password", [](SaveFields& f) { f.password = "Admin"; }, Refusal::NotAuthenticated},
        {"empty password", [](SaveFields& f) { f.password = ""; }, Refusal::NotAuthenticated},
        {"password with a trailing blank", [](SaveFields& f) { f.password = "admin "; }, Refusal::NotAuthenticated},
        {"name of 3", [](SaveFields& f) { f.name = "abc"; }, Refusal::NameTooShort},
        {"location of 3", [](SaveFields& f) { f.location = "Hal"; }, Refusal::NameTooShort},
        {"name of exactly 4", [](SaveFields& f) { f.name = "abcd"; }, std::nullopt},
        {"three letters and a blank", [](SaveFields& f) { f.name = "abc "; }, Refusal::NameNotSafe},
        {"name of 16", [](SaveFields& f) { f.name = "abcdefghijklmnop"; }, std::nullopt},
        {"name of 17", [](SaveFields& f) { f.name = "abcdefghijklmnopq"; }, Refusal::NameNotSafe},
        {"location with an e acute", [](SaveFields& f) { f.location = "Caf\xC3\xA9"; }, Refusal::NameNotSafe},
        {"location in Greek", [](SaveFields& f) { f.location = "\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4"; }, Refusal::NameNotSafe},
        {"name with an emoji", [](SaveFields& f) { f.name = "Rack\xF0\x9F\x98\x80"; }, Refusal::NameNotSafe},
        {"name with a semicolon", [](SaveFields& f) { f.name = "ab;cd"; }, Refusal::NameNotSafe},
        {"new password, empty confirmation",
         [](SaveFields& f) { f.newPassword = "abcdefgh"; }, Refusal::NewPasswordTooShort},
        {"confirmation only",
         [](SaveFields& f) { f.confirmPassword = "abcdefgh"; }, Refusal::NewPasswordTooShort},
        {"new passwords of 7",
         [](SaveFields& f) { f.newPassword = f.confirmPassword = "abcdefg"; }, Refusal::NewPasswordTooShort},
        {"new password with an e acute",
         [](SaveFields& f) { f.newPassword = f.confirmPassword = "abcdefg\xC3\xA9"; }, Refusal::NewPasswordNotSafe},
        {"new password with a blank",
         [](SaveFields& f) { f.newPassword = f.confirmPassword = "abcd efgh"; }, Refusal::NewPasswordNotSafe},
        {"new password with % and !",
         [](SaveFields& f) { f.newPassword = f.confirmPassword = "pass%wd!"; }, std::nullopt},
        {"different new passwords pass Save",
         [](SaveFields& f) { f.newPassword = "abcdefgh", f.confirmPassword = "abcdefgi"; }, std::nullopt},
        {"host part 0", [](SaveFields& f) { f.ipAddress = "192.168.1.0"; }, Refusal::InvalidIpAddress},
        {"host part 255", [](SaveFields& f) { f.ipAddress = "192.168.1.255"; }, Refusal::InvalidIpAddress},
        {"three parts", [](SaveFields& f) { f.ipAddress = "10.1.2"; }, Refusal::InvalidIpAddress},
        {"five parts", [](SaveFields& f) { f.ipAddress = "10.1.2.3.4"; }, Refusal::InvalidIpAddress},
        {"leading zeros", [](SaveFields& f) { f.ipAddress = "192.168.001.010"; }, std::nullopt},
        {"loopback passes Save", [](SaveFields& f) { f.ipAddress = "127.0.0.1"; }, std::nullopt},
        {"subnet 192.168.1.0", [](SaveFields& f) { f.subnetMask = "192.168.1.0"; }, std::nullopt},
        {"subnet all ones", [](SaveFields& f) { f.subnetMask = "255.255.255.255"; }, std::nullopt},
        {"subnet 256", [](SaveFields& f) { f.subnetMask = "255.255.256.0"; }, Refusal::InvalidSubnet},
        {"gateway 255", [](SaveFields& f) { f.gateway = "192.168.1.255"; }, Refusal::InvalidGateway},
        {"gateway letters", [](SaveFields& f) { f.gateway = "a.b.c.d"; }, Refusal::InvalidGateway},
        // The first failure wins.
        {"everything wrong", [](SaveFields& f) { f = SaveFields{}; f.password = "x"; }, Refusal::NotAuthenticated},
        {"short name and bad address", [](SaveFields& f) { f.name = "ab"; f.ipAddress = "x"; }, Refusal::NameTooShort},
    };
    for (const Case& c : cases) {
        SaveFields f = GoodSave();
        c.change(f);
        EXPECT_EQ(CheckSave(f), c.want) << c.what;
    }
}

TEST(InputRules, ApplyRefusesInOrder) {
    struct Case {
        const char* what;
        void (*change)(ApplyFields&);
        std::optional<Refusal> want;
    };
    const Case cases[] = {
        {"all good", [](ApplyFields&) {}, std::nullopt},
        {"wrong super user password", [](ApplyFields& f) { f.superPassword = "ADMIN"; }, Refusal::SetupNotAuthenticated},
        {"confirmation differs", [](ApplyFields& f) { f.stagedConfirm = "newpass13"; }, Refusal::PasswordsDiffer},
        {"17 characters", [](ApplyFields& f) { f.stagedPassword = f.stagedConfirm = "abcdefghijklmnopq"; },
         Refusal::NewPasswordTooLong},
        {"16 characters", [](ApplyFields& f) { f.stagedPassword = f.stagedConfirm = "abcdefghijklmnop"; }, std::nullopt},
        {"short staged passwords pass", [](ApplyFields& f) { f.stagedPassword = f.stagedConfirm = "abc"; }, std::nullopt},
        {"empty staged passwords", [](ApplyFields& f) { f.stagedPassword = f.stagedConfirm = ""; }, std::nullopt},
        {"no device", [](ApplyFields& f) { f.deviceSelected = false; }, Refusal::NoDeviceSelected},
        {"wrong password and no device", [](ApplyFields& f) { f.superPassword = ""; f.deviceSelected = false; },
         Refusal::SetupNotAuthenticated},
    };
    for (const Case& c : cases) {
        ApplyFields f = GoodApply();
        c.change(f);
        EXPECT_EQ(CheckApply(f), c.want) << c.what;
    }
}

TEST(InputRules, ReportsKeepTheirWordsTitlesAndForms) {
    struct Case {
        Refusal refusal;
        const std::string text, title;
        ReportForm form;
        const std::string hiddenText;  // without the detailed texts
    };
    const std::string invalid = "Invalid Input";
    const Case cases[] = {
        {Refusal::NotAuthenticated, "Please enter the password for authentication!", "Password Authentication",
         ReportForm::PanelReport, "Please enter the password for authentication!"},
        {Refusal::NameTooShort, "<Name>, <Location> requires a minimum 4 characters.", invalid, ReportForm::PanelReport,
         "<Name>, <Location> requires a minimum 4 characters."},
        {Refusal::NameNotSafe, kNotAllowed + "<Name>, <Location>.", invalid, ReportForm::PanelReport,
         kNotAllowed + "<Name>, <Location>."},
        {Refusal::NewPasswordTooShort, "<New password> and <Confirm new password> requires a minimum 8 characters.",
         invalid, ReportForm::PanelReport, "<New password> and <Confirm new password> requires a minimum 8 characters."},
        {Refusal::NewPasswordNotSafe, kNotAllowed + "<New password>, <Confirm new password>.", invalid,
         ReportForm::PanelReport, kNotAllowed + "<New password>, <Confirm new password>."},
        {Refusal::InvalidIpAddress, "Invalid IP address.", invalid, ReportForm::PanelReport, "Invalid IP address."},
        {Refusal::InvalidSubnet, "Invalid subnet address.", invalid, ReportForm::PanelReport, "Invalid subnet address."},
        {Refusal::InvalidGateway, "Invalid gateway address.", invalid, ReportForm::PanelReport, "Invalid gateway address."},
        {Refusal::SetupNotAuthenticated, "Please enter password authentication for the setup device!", "",
         ReportForm::PlainBox, "Invalid configuration!"},
        {Refusal::PasswordsDiffer, "Please enter a valid password.\r\n(8 characters)", "", ReportForm::PlainBox,
         "Invalid configuration!"},
        {Refusal::NewPasswordTooLong,
         "Please enter new password and enter passwrod(confirm)!\r\n(Leave it blank to update network configuration only!)",
         "", ReportForm::PlainBox, "Invalid configuration!"},
        {Refusal::NoDeviceSelected, "Please select a device to setup", "", ReportForm::StatusOnly,
         "Please select a device to setup"},
    };
    for (const Case& c : cases) {
        const RefusalReport detailed = ReportOf(c.refusal, true);
        EXPECT_EQ(detailed.refusal, c.refusal);
        EXPECT_EQ(detailed.text, c.text);
        EXPECT_EQ(detailed.title, c.title) << c.text;
        EXPECT_EQ(detailed.form, c.form) << c.text;
        const RefusalReport plain = ReportOf(c.refusal, false);
        EXPECT_EQ(plain.text, c.hiddenText);
        EXPECT_EQ(plain.title, c.title);
        EXPECT_EQ(plain.form, c.form);
    }
    EXPECT_EQ(std::string(kConfirmPasswordRefused), "Invalid confirm password!");
    EXPECT_EQ(std::string(kNetworkSettingsRefused), "Invalid network settings");
    EXPECT_EQ(std::string(kQueryNotAuthenticated), "Please enter password authentication to query a device!");
}

TEST(InputRules, NetworkSettingsOfTheSimpleFace) {
    struct Case {
        const char *ip, *subnet, *gateway;
        bool accepted;
    };
    const Case cases[] = {
        {"10.0.0.10", "255.0.0.0", "10.0.0.1", true},
        {"10.0.0.255", "255.0.0.0", "10.0.0.1", false},
        {"10.0.0.0", "255.0.0.0", "10.0.0.1", false},
        {"127.0.0.1", "255.0.0.0", "10.0.0.1", false},
        {"127.0.0.2", "255.0.0.0", "10.0.0.1", true},
        {"10.0.1.255", "255.0.0.0", "10.0.0.1", false},
        {"10.0.0.1", "255.0.0", "10.0.0.1", false},
        {"10.0.0.1", "255.0.0.0", "10.0.0.256", false},
        {"0", "0", "0", false},                      // what Default gives without a settings file
        {"10.0.0.1", "0.0.0.0", "0.0.0.0", true},    // only the IP address has the extra tests
    };
    for (const Case& c : cases) EXPECT_EQ(IsAcceptedNetworkSetting(c.ip, c.subnet, c.gateway), c.accepted) << c.ip;
}
