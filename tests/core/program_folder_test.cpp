#include "core/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"

using namespace cobalin;
using cobalin::testing::TempDir;
namespace fs = std::filesystem;

TEST(ProgramFolder, WhereEachKindOfRunKeepsItsFiles) {
    TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directories(root + "/usr/bin");
    fs::create_directories(root + "/usr/share/cobalin");
    fs::create_directories(root + "/build/default");
    fs::create_directories(root + "/opt/bin");  // a bin folder without shipped defaults
    const std::string shipped = root + "/usr/share/cobalin";
    struct Case {
        std::string given, exe;
        const char* xdg;
        const char* home;
        std::string folder, defaults;
    };
    const Case cases[] = {
        {"", root + "/usr/bin", "/x/config", "/h", "/x/config/cobalin", shipped},
        {"", root + "/usr/bin/", nullptr, "/h", "/h/.config/cobalin", shipped},
        {"", root + "/usr/bin", "relative/config", "/h", "/h/.config/cobalin", shipped},
        {"", root + "/usr/bin", "", "/h", "/h/.config/cobalin", shipped},
        {"", root + "/usr/bin", nullptr, nullptr, root + "/usr/bin", ""},
        {"/given", root + "/usr/bin", "/x/config", "/h", "/given", ""},
        {"", root + "/build/default", "/x/config", "/h", root + "/build/default", ""},
        {"", root + "/opt/bin", "/x/config", "/h", root + "/opt/bin", ""},
    };
    for (const auto& c : cases) {
        const ProgramFolderChoice got = ChooseProgramFolder(c.given, c.exe, c.xdg, c.home);
        EXPECT_EQ(got.folder, c.folder) << c.exe << " " << (c.xdg ? c.xdg : "-");
        EXPECT_EQ(got.defaults, c.defaults) << c.exe;
    }
}

TEST(ProgramFolder, FirstStartCopiesTheDefaultsAndKeepsTheUsersFiles) {
    TempDir dir;
    const std::string shipped = dir.File("share"), folder = dir.File("config/cobalin");
    fs::create_directories(shipped + "/Restart");
    dir.Write("share/Setting.ini", "[RunMode]\nAdvancedMode=0\n");
    dir.Write("share/FillDataSet1.ini", "[Default]\n1=x\n");
    dir.Write("share/Restart/readme.txt", "r");
    fs::permissions(shipped + "/Setting.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(FillProgramFolder(shipped, folder), "");
    EXPECT_EQ(TempDir::Read(folder + "/Setting.ini"), "[RunMode]\nAdvancedMode=0\n");
    EXPECT_EQ(TempDir::Read(folder + "/FillDataSet1.ini"), "[Default]\n1=x\n");
    EXPECT_EQ(TempDir::Read(folder + "/Restart/readme.txt"), "r");
    EXPECT_NE(fs::status(folder + "/Setting.ini").permissions() & fs::perms::owner_write, fs::perms::none)
        << "the user's copy can be changed";

    // The user's changes stay; a file shipped later is added.
    dir.Write("config/cobalin/Setting.ini", "[RunMode]\nAdvancedMode=1\n");
    fs::remove(folder + "/FillDataSet1.ini");
    dir.Write("share/FillDataSet2.ini", "[Default]\n");
    ASSERT_EQ(FillProgramFolder(shipped, folder), "");
    EXPECT_EQ(TempDir::Read(folder + "/Setting.ini"), "[RunMode]\nAdvancedMode=1\n");
    EXPECT_EQ(TempDir::Read(folder + "/FillDataSet1.ini"), "[Default]\n1=x\n");
    EXPECT_TRUE(fs::exists(folder + "/FillDataSet2.ini"));

    EXPECT_NE(FillProgramFolder(dir.File("no-such-share"), folder), "");
}
