// Which companion programs are started at close: a regular executable file
// that only its owner (the user or root) can change.
#include "core/companion_program.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/temp_dir.h"

using namespace cobalin;
using cobalin::testing::TempDir;

namespace fs = std::filesystem;

TEST(CompanionProgram, StartsOnlyARegularExecutableOnlyItsOwnerCanChange) {
    enum Make { File, Directory, Link, None };
    struct Case {
        const char* name;
        Make make;
        fs::perms mode;
        uid_t owner;  // 0: left to the user running the test; else given away (needs root)
        bool start;
    };
    const Case cases[] = {
        {"own 0755", File, fs::perms(0755), 0, true},
        {"own 0700", File, fs::perms(0700), 0, true},
        {"own 0555", File, fs::perms(0555), 0, true},
        {"group-writable 0775", File, fs::perms(0775), 0, false},
        {"others-writable 0757", File, fs::perms(0757), 0, false},
        {"writable by all 0777", File, fs::perms(0777), 0, false},
        {"not executable 0644", File, fs::perms(0644), 0, false},
        {"directory 0755", Directory, fs::perms(0755), 0, false},
        {"link to an own 0755 file", Link, fs::perms(0755), 0, false},
        {"missing", None, fs::perms(0755), 0, false},
        {"another user's 0755", File, fs::perms(0755), 4321, false},
    };
    for (const Case& c : cases) {
        if (c.owner != 0 && geteuid() != 0) continue;  // only root can give a file away
        TempDir dir;
        const std::string path = dir.File("KillQVT.exe");
        if (c.make == File) dir.Write("KillQVT.exe", "#!/bin/sh\n");
        if (c.make == Directory) fs::create_directory(path);
        if (c.make == Link) {
            dir.Write("target", "#!/bin/sh\n");
            fs::permissions(dir.File("target"), c.mode);
            fs::create_symlink(dir.File("target"), path);
        } else if (c.make != None) {
            fs::permissions(path, c.mode);
        }
        if (c.owner != 0) {
            ASSERT_EQ(chown(path.c_str(), c.owner, static_cast<gid_t>(-1)), 0) << c.name;
        }
        EXPECT_EQ(CompanionMayStart(path), c.start) << c.name;
    }
}

TEST(CompanionProgram, OwnerMayBeTheUserOrRoot) {
    struct Case {
        uid_t owner, user;
        bool start;
    };
    const Case cases[] = {{1000, 1000, true}, {0, 1000, true}, {0, 0, true}, {1001, 1000, false}, {1000, 0, false}};
    for (const Case& c : cases) {
        struct stat file {};
        file.st_mode = S_IFREG | 0755;
        file.st_uid = c.owner;
        EXPECT_EQ(CompanionMayStart(file, c.user), c.start) << c.owner << " " << c.user;
    }
}
