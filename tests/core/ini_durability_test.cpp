// A settings file or a backup that was written must survive a power cut:
// once its name stands in the folder, the folder itself is flushed to the
// disk. This file stands in for the system's fsync in the whole test program
// (the call still reaches the kernel) and notes which folders were flushed
// and which names they held at that moment.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "core/ini_file.h"
#include "temp_dir.h"

namespace {

struct FolderFlush {
    std::string folder;
    std::set<std::string> names;  // what the folder held when it was flushed
};

std::mutex flushesLock;
std::vector<FolderFlush> flushes;

}  // namespace

extern "C" int fsync(int fd) {
    struct stat st{};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        std::error_code ec;
        FolderFlush flush{std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string(), {}};
        for (std::filesystem::directory_iterator it(flush.folder, ec), end; !ec && it != end; it.increment(ec))
            flush.names.insert(it->path().filename().string());
        const std::lock_guard<std::mutex> hold(flushesLock);
        flushes.push_back(std::move(flush));
    }
    return static_cast<int>(syscall(SYS_fsync, fd));
}

using namespace cobalin;
using cobalin::testing::TempDir;

TEST(IniDurability, TheFolderIsFlushedOnceTheNameStandsInIt) {
    const std::vector<IniEntry> entries = {{"A", "k", "1"}};
    struct Case {
        const char* name;
        std::function<bool(const TempDir&)> write;  // true when written as "a.ini"
        std::set<std::string> held;                 // the folder's names once flushed
    };
    const Case cases[] = {
        {"a new settings file", [&](const TempDir& d) { return WriteIniEntries(entries, d.File("a.ini")) != 0; }, {"a.ini"}},
        {"a settings file replaced",
         [&](const TempDir& d) {
             d.Write("a.ini", "[A]\r\nk=0\r\n");
             return WriteIniEntries(entries, d.File("a.ini")) != 0;
         },
         {"a.ini"}},
        {"a new backup",
         [&](const TempDir& d) {
             d.Write("0.ini", "");
             const int folder = open(d.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
             const std::vector<std::string> names = {"0.ini", "a.ini"};
             const bool written = WriteNewIniFile(folder, entries, names) == "a.ini";
             close(folder);
             return written;
         },
         {"0.ini", "a.ini"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        {
            const std::lock_guard<std::mutex> hold(flushesLock);
            flushes.clear();
        }
        ASSERT_TRUE(c.write(dir)) << c.name;
        const std::lock_guard<std::mutex> hold(flushesLock);
        if (flushes.empty()) {
            ADD_FAILURE() << c.name << ": the folder was never flushed";
            continue;
        }
        EXPECT_EQ(flushes.back().folder, std::filesystem::canonical(dir.path()).string()) << c.name;
        EXPECT_EQ(flushes.back().names, c.held) << c.name << ": flushed before the name stood, or with a temporary file";
    }
}
