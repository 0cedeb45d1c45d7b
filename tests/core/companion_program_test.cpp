// Which companion programs are started at close: a regular executable file
// that only its owner (the user or root) can change.
#include "core/companion_program.h"

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <vector>
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

TEST(CompanionProgram, IsOpenedOnceAndOnlyThroughFoldersNobodyElseCanChange) {
    struct Case {
        const char* name;
        fs::perms folder;
        bool start;
    };
    // The program in a folder of its own, under the test's temporary folder
    // (itself sticky, as /tmp is).
    const Case cases[] = {
        {"own folder 0755", fs::perms(0755), true},
        {"own folder 0700", fs::perms(0700), true},
        {"group-writable folder 0775", fs::perms(0775), false},
        {"writable by all 0777", fs::perms(0777), false},
        {"sticky, writable by all 01777", fs::perms(01777), true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directory(dir.File("Restart"));
        const std::string path = dir.File("Restart/KillQVT.exe");
        dir.Write("Restart/KillQVT.exe", "#!/bin/sh\n");
        fs::permissions(path, fs::perms(0755));
        fs::permissions(dir.File("Restart"), c.folder);
        EXPECT_EQ(CompanionMayStart(path), c.start) << c.name;
        const int fd = OpenCompanion(path);
        EXPECT_EQ(fd >= 0, c.start) << c.name;
        if (fd < 0) continue;
        // What is started is the file checked, whatever stands at its name later.
        struct stat checked {}, opened {};
        ASSERT_EQ(stat(path.c_str(), &checked), 0);
        dir.Write("other", "#!/bin/sh\nexit 1\n");
        fs::rename(dir.File("other"), path);
        ASSERT_EQ(fstat(fd, &opened), 0);
        EXPECT_EQ(opened.st_ino, checked.st_ino) << c.name;
        EXPECT_EQ(CompanionStartPath(fd), "/proc/self/fd/" + std::to_string(fd));
        close(fd);
    }
    // A name that is a link, or missing, opens nothing.
    TempDir dir;
    dir.Write("target", "#!/bin/sh\n");
    fs::permissions(dir.File("target"), fs::perms(0755));
    fs::create_symlink(dir.File("target"), dir.File("link"));
    EXPECT_LT(OpenCompanion(dir.File("link")), 0);
    EXPECT_LT(OpenCompanion(dir.File("missing")), 0);
}

TEST(CompanionProgram, EveryFolderFromTheRootIsTheUsersOrRoots) {
    enum Owner { Own, Other };  // Other: given away, which needs root
    struct Case {
        const char* name;
        // The folders under the test's own folder, made in order: a name, a
        // mode, an owner, and a link's target ("" for a folder).
        std::vector<std::tuple<const char*, fs::perms, Owner, const char*>> folders;
        const char* program;  // where KillQVT.exe is put, under the test's folder
        const char* path;     // the path asked for, under the test's folder
        bool start;
    };
    const Case cases[] = {
        {"own folders", {{"up", fs::perms(0755), Own, ""}, {"up/Restart", fs::perms(0700), Own, ""}},
         "up/Restart", "up/Restart/KillQVT.exe", true},
        {"the program's folder is another user's", {{"up", fs::perms(0755), Own, ""}, {"up/Restart", fs::perms(0755), Other, ""}},
         "up/Restart", "up/Restart/KillQVT.exe", false},
        {"a folder above is another user's", {{"up", fs::perms(0755), Other, ""}, {"up/Restart", fs::perms(0755), Own, ""}},
         "up/Restart", "up/Restart/KillQVT.exe", false},
        {"a link on the way to an own folder", {{"real", fs::perms(0755), Own, ""}, {"Restart", fs::perms(0777), Own, "real"}},
         "real", "Restart/KillQVT.exe", true},
        {"a link on the way to a folder others may write",
         {{"real", fs::perms(0777), Own, ""}, {"Restart", fs::perms(0777), Own, "real"}}, "real", "Restart/KillQVT.exe", false},
        {"a link on the way to another user's folder",
         {{"real", fs::perms(0755), Other, ""}, {"Restart", fs::perms(0777), Own, "real"}}, "real", "Restart/KillQVT.exe", false},
        {"a link that names itself", {{"Restart", fs::perms(0777), Own, "Restart"}}, "", "Restart/KillQVT.exe", false},
        {"\"..\" on the way", {{"up", fs::perms(0755), Own, ""}, {"up/Restart", fs::perms(0755), Own, ""}},
         "up/Restart", "up/Restart/../Restart/./KillQVT.exe", true},
    };
    for (const Case& c : cases) {
        const bool givesAway = std::any_of(c.folders.begin(), c.folders.end(), [](const auto& f) { return std::get<2>(f) == Other; });
        if (givesAway && geteuid() != 0) continue;
        TempDir dir;
        for (const auto& [name, mode, owner, target] : c.folders) {
            if (*target) {
                fs::create_directory_symlink(target, dir.File(name));
                continue;
            }
            fs::create_directory(dir.File(name));
            fs::permissions(dir.File(name), mode);
            if (owner == Other) {
                ASSERT_EQ(chown(dir.File(name).c_str(), 4321, 4321), 0) << c.name;
            }
        }
        const std::string program = dir.File(std::string(c.program) + "/KillQVT.exe");
        if (*c.program) {
            dir.Write(std::string(c.program) + "/KillQVT.exe", "#!/bin/sh\n");
            fs::permissions(program, fs::perms(0755));
        }
        const int fd = OpenCompanion(dir.File(c.path));
        EXPECT_EQ(fd >= 0, c.start) << c.name;
        if (fd < 0) continue;
        struct stat opened {}, made {};
        ASSERT_EQ(fstat(fd, &opened), 0);
        ASSERT_EQ(stat(program.c_str(), &made), 0);
        EXPECT_EQ(opened.st_ino, made.st_ino) << c.name;
        close(fd);
    }
}

TEST(CompanionProgram, ARelativePathIsTakenFromTheCurrentFolder) {
    TempDir dir;
    fs::create_directory(dir.File("Restart"));
    dir.Write("Restart/KillQVT.exe", "#!/bin/sh\n");
    fs::permissions(dir.File("Restart/KillQVT.exe"), fs::perms(0755));
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const int fd = OpenCompanion("Restart/KillQVT.exe");
    fs::current_path(before);
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);
}
