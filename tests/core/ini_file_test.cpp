#include "core/ini_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#include "temp_dir.h"

using namespace cobalin;
using cobalin::testing::TempDir;

TEST(ReadIni, LookupRules) {
    TempDir dir;
    const std::string file = dir.Write("Setting.ini",
        "; a comment\r\n"
        "[RunMode]\r\n"
        "AdvancedMode=1\r\n"
        "  ShowPassword  =  2  \r\n"
        ";OEMLogo=1\r\n"
        "OEMLogo=\r\n"
        "Quoted=\"a b\"\r\n"
        "Single='x'\r\n"
        "Half=\"x\r\n"
        "Twice=first\r\n"
        "Twice=second\r\n"
        "noequals\r\n"
        "[modelselection]\n"
        "COUNT=3\n"
        "1=Model A=x\n"
        "[ Spaced ]\n"
        "k=v\n"
        "[Last]\n"
        "k=no line end");
    struct Case { const char* section; const char* key; const char* want; };
    const Case cases[] = {
        {"RunMode", "AdvancedMode", "1"},
        {"runmode", "advancedmode", "1"},
        {"RunMode", "ShowPassword", "2"},
        {"RunMode", "OEMLogo", ""},
        {"RunMode", "Quoted", "a b"},
        {"RunMode", "Single", "x"},
        {"RunMode", "Half", "\"x"},
        {"RunMode", "Twice", "first"},
        {"RunMode", "noequals", "0"},
        {"RunMode", "Missing", "0"},
        {"Missing", "AdvancedMode", "0"},
        {"ModelSelection", "Count", "3"},
        {"ModelSelection", "1", "Model A=x"},
        {"Spaced", "k", "v"},
        {"Last", "k", "no line end"},
        {"ModelSelection", "AdvancedMode", "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadIni(c.section, c.key, file), c.want) << c.section << "/" << c.key;
    EXPECT_EQ(ReadIni("RunMode", "AdvancedMode", dir.File("none.ini")), "0");
    EXPECT_EQ(ReadIni("RunMode", "AdvancedMode", dir.path().string()), "0") << "a folder cannot be read";
}

TEST(ReadIni, CutsLongValuesAndRereadsTheFile) {
    TempDir dir;
    const std::string file = dir.Write("s.ini", "[A]\nk=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(ReadIni("A", "k", file), std::string(999, 'x'));
    EXPECT_EQ(ReadIni("A", "k", file, 10), std::string(9, 'x'));
    dir.Write("s.ini", "[A]\nk=changed\n");
    EXPECT_EQ(ReadIni("A", "k", file), "changed");
}

TEST(ReadIni, SurvivesHostileFiles) {
    TempDir dir;
    std::mt19937 rng(42);
    std::string garbage(1 << 20, '\0');
    for (auto& c : garbage) c = static_cast<char>(rng());
    const std::string g = dir.Write("garbage.ini", garbage);
    EXPECT_NO_THROW(ReadIni("RunMode", "OEMLogo", g));

    // A key after a 100 000-character line and at the end of a 50 MB file.
    std::string big = "[RunMode]\n" + std::string(100000, 'q') + "\nA=" + std::string(100000, 'v') + "\n";
    big += std::string(50 << 20, 'z') + "\nB=last\n";
    const std::string b = dir.Write("big.ini", big);
    EXPECT_EQ(ReadIni("RunMode", "A", b), std::string(999, 'v'));
    EXPECT_EQ(ReadIni("RunMode", "B", b), "last");
    EXPECT_EQ(ReadIni("RunMode", "C", b), "0");

    const std::string nul = dir.Write("nul.ini", std::string("[RunMode]\nK=a\0b\n", 15));
    EXPECT_EQ(ReadIni("RunMode", "K", nul), std::string("a\0b", 3));
}

TEST(WriteIni, CreatesReplacesAndKeepsOtherLines) {
    TempDir dir;
    const std::string file = dir.File("backup.ini");
    EXPECT_NE(WriteIni("Device", "IP", "192.168.1.10", file), 0);
    EXPECT_EQ(TempDir::Read(file), "[Device]\r\nIP=192.168.1.10\r\n");
    EXPECT_NE(WriteIni("device", "Mask", "255.255.255.0", file), 0);
    EXPECT_NE(WriteIni("Device", "ip", "10.0.0.1", file), 0);
    EXPECT_NE(WriteIni("Other", "k", "v", file), 0);
    EXPECT_EQ(TempDir::Read(file), "[Device]\r\nip=10.0.0.1\r\nMask=255.255.255.0\r\n[Other]\r\nk=v\r\n");
    EXPECT_EQ(ReadIni("Device", "IP", file), "10.0.0.1");

    // LF files stay LF; comments, blank lines and odd lines are kept.
    const std::string lf = dir.Write("lf.ini", "; note\n[A]\nx = 1\n\n[B]\ny=2");
    EXPECT_NE(WriteIni("A", "z", "3", lf), 0);
    EXPECT_NE(WriteIni("B", "y", "4", lf), 0);
    EXPECT_NE(WriteIni("C", "w", "5", lf), 0);
    EXPECT_EQ(TempDir::Read(lf), "; note\n[A]\nx = 1\nz=3\n\n[B]\ny=4\n[C]\nw=5\n");
}

TEST(WriteIni, FailsCleanly) {
    TempDir dir;
    EXPECT_EQ(WriteIni("A", "k", "v", dir.File("no/such/folder/x.ini")), 0);
    EXPECT_EQ(WriteIni("A", "k", "v", dir.path().string()), 0) << "a folder is not a file";
    // Nothing left behind beside the target.
    size_t files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 0u);
}

TEST(WriteIniEntries, ManyKeysInOneReplacementAsSingleWritesWouldLeaveThem) {
    TempDir dir;
    const std::string start = "; kept\r\n[NSV]\r\nMAC=old\r\nNote=stays\r\n[Other]\r\nk=v\r\n";
    const std::vector<IniEntry> entries = {
        {"NSV", "MAC", "02:7E"}, {"NSV", "Bytes", "3000"}, {"02:7E", "001) Hx00000000  ", "AA"},
        {"02:7E", "002) Hx00000010  ", "BB"}, {"nsv", "mac", "again"}, {"Other", "k", "w"},
    };
    const std::string many = dir.Write("many.ini", start);
    const std::string single = dir.Write("single.ini", start);
    ASSERT_NE(WriteIniEntries(entries, many), 0);
    for (const auto& e : entries) ASSERT_NE(WriteIni(e.section, e.key, e.value, single), 0);
    EXPECT_EQ(TempDir::Read(many), TempDir::Read(single));
    EXPECT_EQ(TempDir::Read(many),
              "; kept\r\n[NSV]\r\nmac=again\r\nNote=stays\r\nBytes=3000\r\n[Other]\r\nk=w\r\n"
              "[02:7E]\r\n001) Hx00000000  =AA\r\n002) Hx00000010  =BB\r\n");
    EXPECT_EQ(ReadIni("02:7E", "002) Hx00000010", many), "BB");

    // Nothing to write still writes the file as it is; a new file needs no entry.
    ASSERT_NE(WriteIniEntries({}, dir.File("empty.ini")), 0);
    EXPECT_EQ(TempDir::Read(dir.File("empty.ini")), "");
}

TEST(WriteIniEntries, AFailedWriteLeavesTheFileAsItWas) {
    TempDir dir;
    const std::vector<IniEntry> entries = {{"A", "k", "v"}, {"B", "k", "v"}};
    EXPECT_EQ(WriteIniEntries(entries, dir.File("no/such/folder/x.ini")), 0);
    EXPECT_EQ(WriteIniEntries(entries, dir.path().string()), 0);
    std::filesystem::create_directories(dir.File("taken.ini"));
    EXPECT_EQ(WriteIniEntries(entries, dir.File("taken.ini")), 0) << "a folder in the file's place";
    size_t files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file left beside the target";
}

TEST(FindIniSectionIn, PresentEmptyAndMissingSections) {
    struct Case {
        const char* text;
        bool present;
        size_t keys;
    };
    const Case cases[] = {
        {"[Default]\n", true, 0},
        {"[Default]\n; only a comment\n\n", true, 0},
        {"[DEFAULT]\n1=a\n2=\n1=b\n", true, 2},
        {"[Other]\n1=a\n", false, 0},
        {"1=a\n", false, 0},
        {"", false, 0},
        {"[Default]\n1=a\n[Other]\n2=b\n[Default]\n3=c\n", true, 2},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        const auto keys = FindIniSectionIn("Default", in);
        ASSERT_EQ(keys.has_value(), c.present) << c.text;
        if (keys) {
            EXPECT_EQ(keys->size(), c.keys) << c.text;
        }
    }
}

TEST(WriteIniEntries, TheFileIsItsOwnersAloneWhateverTheUmask) {
    TempDir dir;
    const mode_t before = umask(022);
    const std::string fresh = dir.File("fresh.ini");
    const std::string merged = dir.Write("merged.ini", "[A]\r\nold=1\r\n");
    chmod(merged.c_str(), 0644);
    const std::vector<IniEntry> entries = {{"A", "k", "secret"}};
    EXPECT_NE(WriteIniEntries(entries, fresh), 0);
    EXPECT_NE(WriteIniEntries(entries, merged), 0);
    umask(before);
    for (const std::string& file : {fresh, merged}) {
        struct stat st{};
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << file;
    }
    EXPECT_EQ(TempDir::Read(merged), "[A]\r\nold=1\r\nk=secret\r\n") << "an earlier file is still merged";
}

TEST(WriteIniEntries, NeverFollowsALinkInTheFilesPlace) {
    TempDir dir;
    const std::string elsewhere = dir.Write("elsewhere.ini", "[A]\r\nk=theirs\r\n");
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(symlink(elsewhere.c_str(), link.c_str()), 0);
    EXPECT_EQ(WriteIniEntries(std::vector<IniEntry>{{"A", "k", "mine"}}, link), 0);
    EXPECT_EQ(TempDir::Read(elsewhere), "[A]\r\nk=theirs\r\n") << "neither read nor written through the link";
    struct stat st{};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// Writes the entries to a FIFO or device node `name` in a child of its own,
// which an alarm ends should the write wait on the node; exits 0 when the
// write was refused and the node stands unchanged.
[[noreturn]] void WriteOverNode(const std::string& name, mode_t type) {
    alarm(10);  // a guard against waiting for ever, not a measure of time
    const int written = WriteIniEntries(std::vector<IniEntry>{{"A", "k", "1"}}, name);
    struct stat st{};
    const bool kept = lstat(name.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
    std::_Exit(written == 0 && kept ? 0 : 1);
}

TEST(WriteIniEntries, AFifoOrADeviceInTheFilesPlaceIsRefusedWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo.ini").c_str(), 0600), 0);
    EXPECT_EXIT(WriteOverNode(dir.File("fifo.ini"), S_IFIFO), ::testing::ExitedWithCode(0), "") << "a FIFO";
    if (geteuid() != 0) return;  // only root makes device nodes
    ASSERT_EQ(mknod(dir.File("null.ini").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    EXPECT_EXIT(WriteOverNode(dir.File("null.ini"), S_IFCHR), ::testing::ExitedWithCode(0), "") << "a device";
}

TEST(WriteNewIniFile, TakesTheFirstFreeNameAndReplacesNothing) {
    TempDir dir;
    const int folder = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const std::vector<std::string> names = {"a.ini", "b.ini", "c.ini"};
    const mode_t before = umask(022);
    EXPECT_EQ(WriteNewIniFile(folder, std::vector<IniEntry>{{"A", "k", "1"}}, names), "a.ini");
    EXPECT_EQ(WriteNewIniFile(folder, std::vector<IniEntry>{{"A", "k", "2"}}, names), "b.ini");
    // A link standing in a name is a name taken, never followed.
    ASSERT_EQ(symlink(dir.File("target.ini").c_str(), dir.File("c.ini").c_str()), 0);
    EXPECT_EQ(WriteNewIniFile(folder, std::vector<IniEntry>{{"A", "k", "3"}}, names), "");
    umask(before);
    close(folder);
    EXPECT_EQ(TempDir::Read(dir.File("a.ini")), "[A]\r\nk=1\r\n");
    EXPECT_EQ(TempDir::Read(dir.File("b.ini")), "[A]\r\nk=2\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("target.ini")));
    struct stat st{};
    ASSERT_EQ(stat(dir.File("a.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    size_t files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 3u) << "no temporary file left";
}
