#include "core/companion_program.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace cobalin {

namespace {

// Each folder from the file's own up to "/", as the system resolves them:
// none may let group or others put another file in it, unless it is sticky
// (there only the owner of a name may replace it).
bool FoldersAreSafe(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    char resolved[PATH_MAX];
    if (!realpath(parent.c_str(), resolved)) return false;
    std::string folder = resolved;
    for (;;) {
        struct stat st {};
        if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX)) return false;
        if (folder == "/") return true;
        const size_t up = folder.rfind('/');
        folder = up == 0 ? "/" : folder.substr(0, up);
    }
}

}  // namespace

bool CompanionMayStart(const struct stat& file, uid_t user) {
    if (!S_ISREG(file.st_mode)) return false;
    if ((file.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return false;
    if (file.st_uid != user && file.st_uid != 0) return false;
    return (file.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool CompanionMayStart(const std::string& path) {
    const int fd = OpenCompanion(path);
    if (fd < 0) return false;
    close(fd);
    return true;
}

int OpenCompanion(const std::string& path) {
    if (!FoldersAreSafe(path)) return -1;
    // Opened first and checked on what was opened: the name is never
    // looked at again. O_NOFOLLOW with O_PATH opens a link itself, which
    // the check then refuses.
    const int fd = open(path.c_str(), O_PATH | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat file {};
    if (fstat(fd, &file) != 0 || !CompanionMayStart(file, geteuid())) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string CompanionStartPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace cobalin
