#include "core/device_class.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace cobalin {
namespace {

// What the windows hold for the families: the chooser's option buttons,
// the panel's type lists (Combo5, Combo6) and the help window's pictures.
constexpr int kChooserOptions = 2;
constexpr int kTypeLists = 2;
constexpr int kHelpPictures = 2;

TEST(DeviceFamilies, EveryRowIsFoundByItsNumberAndByEachOfItsHardwareIds) {
    for (const DeviceFamily& f : DeviceFamilies()) {
        const std::string name(f.name);
        EXPECT_EQ(FamilyOf(f.id), &f) << name;
        EXPECT_EQ(DeviceClassOfNumber(static_cast<long>(f.id)), f.id) << name;
        ASSERT_FALSE(f.hardwareIds.empty()) << name;
        for (std::string_view prefix : f.hardwareIds)
            EXPECT_EQ(ClassifyDevice("M", "M", std::string(prefix) + "-01"), f.id) << name << " " << prefix;
    }
    EXPECT_EQ(FamilyOf(DeviceClass::None), nullptr);
}

// A second row that points at a control another row uses, or a hardware
// ID that another row's prefix already takes, would make one family show
// or classify as the other.
TEST(DeviceFamilies, RowsShareNoControlAndNoHardwareId) {
    std::set<int> numbers, options, typeLists;
    std::set<std::string_view> names;
    for (const DeviceFamily& f : DeviceFamilies()) {
        const std::string name(f.name);
        EXPECT_NE(f.id, DeviceClass::None) << name;
        EXPECT_TRUE(numbers.insert(static_cast<int>(f.id)).second) << name;
        EXPECT_TRUE(names.insert(f.name).second) << name;
        EXPECT_TRUE(options.insert(f.chooserOption).second) << name;
        EXPECT_TRUE(typeLists.insert(f.typeList).second) << name;
        EXPECT_TRUE(f.chooserOption >= 0 && f.chooserOption < kChooserOptions) << name;
        EXPECT_TRUE(f.typeList >= 0 && f.typeList < kTypeLists) << name;
        EXPECT_TRUE(f.helpPicture >= 0 && f.helpPicture < kHelpPictures) << name;
        EXPECT_FALSE(f.panelRows.empty()) << name;
        for (const DeviceFamily& other : DeviceFamilies()) {
            if (&f == &other) continue;
            for (std::string_view mine : f.hardwareIds)
                for (std::string_view theirs : other.hardwareIds)
                    EXPECT_FALSE(mine.starts_with(theirs)) << name << " " << mine;
        }
    }
}

TEST(DeviceFamilies, NumbersOutsideTheTableNameNoFamily) {
    for (long number : {0L, 3L, -1L, 65537L}) EXPECT_EQ(DeviceClassOfNumber(number), DeviceClass::None) << number;
    EXPECT_EQ(DeviceClassOfNumber(1), DeviceClass::IpDongle);
    EXPECT_EQ(DeviceClassOfNumber(2), DeviceClass::ZentaBox);
}

TEST(DeviceFamilies, CaptionsAndLogoFollowTheRunSettings) {
    struct Case {
        DeviceClass family;
        bool coolMode, advancedOne;
        OemLogo logo;
        const char *window, *frame, *logoFile;
    };
    using D = DeviceClass;
    const Case cases[] = {
        {D::IpDongle, false, false, OemLogo::Shown, "Cobalin for IP Dongle (Ver. Q113V1)", "IP Dongle list",
         "IPDOEMLogo.bmp"},
        {D::IpDongle, true, false, OemLogo::Shown, "Cobalin for Master IP fan unit (Ver. Q113V1)",
         "Master IP fan unit", "IPFANOEMLogo.bmp"},
        // A logo only loaded keeps the usual picture, whatever the captions.
        {D::IpDongle, true, false, OemLogo::LoadedOnly, "Cobalin for Master IP fan unit (Ver. Q113V1)",
         "Master IP fan unit", "IPDOEMLogo.bmp"},
        {D::IpDongle, false, true, OemLogo::Shown, "Cobalin for IP Dongle (Ver. Q113V1)", "IP Dongle list",
         "IPDOEMLogo.bmp"},
        {D::ZentaBox, false, false, OemLogo::Shown, "Cobalin for ZentaBox (Ver. Q113V1)", "ZentaBox list",
         "OEMLogo.bmp"},
        {D::ZentaBox, false, true, OemLogo::Shown, "Cobalin (Ver. Q113V1)", "Device list", "OEMLogo.bmp"},
        {D::ZentaBox, true, false, OemLogo::LoadedOnly, "Cobalin for ZentaBox (Ver. Q113V1)", "ZentaBox list",
         "OEMLogo.bmp"},
    };
    for (const Case& c : cases) {
        RunSettings run;
        run.ZentaCoolMode = c.coolMode;
        run.AdvancedModeIsOne = c.advancedOne;
        run.Logo = c.logo;
        const DeviceFamily* family = FamilyOf(c.family);
        ASSERT_NE(family, nullptr);
        const std::string what = std::string(family->name) + " cool " + std::to_string(c.coolMode) + " advanced " +
                                 std::to_string(c.advancedOne);
        EXPECT_EQ(CaptionsOf(*family, run).window, c.window) << what;
        EXPECT_EQ(CaptionsOf(*family, run).deviceFrame, c.frame) << what;
        EXPECT_EQ(LogoOf(family, run), c.logoFile) << what;
    }
    RunSettings run;
    run.Logo = OemLogo::Shown;
    run.ZentaCoolMode = true;
    EXPECT_EQ(LogoOf(nullptr, run), "OEMLogo.bmp") << "a window of no family";
}

}  // namespace
}  // namespace cobalin
