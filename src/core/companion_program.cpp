#include "core/companion_program.h"

#include <climits>
#include <deque>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace cobalin {

namespace {

// As many links as the system follows on one path.
constexpr int kMaxLinks = 40;

// A descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// A folder only the user or root can change: owned by one of them and not
// writable by group or others, unless sticky (as /tmp is: there only the
// owner of a name may replace it).
bool FolderIsSafe(int fd, uid_t user) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (st.st_uid != user && st.st_uid != 0) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0;
}

// The names of a path, "" and "." left out.
std::deque<std::string> NamesOf(std::string_view path) {
    std::deque<std::string> names;
    while (!path.empty()) {
        const size_t slash = path.find('/');
        const std::string_view name = path.substr(0, slash);
        if (!name.empty() && name != ".") names.emplace_back(name);
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
    }
    return names;
}

Descriptor SafeRoot(uid_t user) {
    Descriptor root(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    return root.get() >= 0 && FolderIsSafe(root.get(), user) ? std::move(root) : Descriptor();
}

// Each folder of `names` opened from "/" one by one, never letting the
// system follow a link, and checked on what was opened: the last one, or
// none. A link met on the way stands in a folder already checked, so it is
// read and its target walked with the same checks.
Descriptor OpenFolders(std::deque<std::string> names, uid_t user) {
    Descriptor folder = SafeRoot(user);
    for (int links = 0; folder.get() >= 0 && !names.empty();) {
        const std::string name = std::move(names.front());
        names.pop_front();
        Descriptor next(openat(folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC));
        if (next.get() >= 0) {
            if (!FolderIsSafe(next.get(), user)) return Descriptor();
            folder = std::move(next);
            continue;
        }
        char target[PATH_MAX];
        const ssize_t n = readlinkat(folder.get(), name.c_str(), target, sizeof target);
        if (++links > kMaxLinks || n <= 0 || static_cast<size_t>(n) == sizeof target) return Descriptor();
        const std::string_view link(target, static_cast<size_t>(n));
        std::deque<std::string> more = NamesOf(link);
        names.insert(names.begin(), more.begin(), more.end());
        if (link.front() == '/') folder = SafeRoot(user);
    }
    return folder;
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
    std::string whole = path;
    if (whole.empty()) return -1;
    if (whole.front() != '/') {
        char here[PATH_MAX];
        if (!getcwd(here, sizeof here)) return -1;
        whole = std::string(here) + "/" + whole;
    }
    std::deque<std::string> names = NamesOf(whole);
    if (names.empty()) return -1;
    const std::string file = std::move(names.back());
    names.pop_back();
    const uid_t user = geteuid();
    const Descriptor folder = OpenFolders(std::move(names), user);
    if (folder.get() < 0) return -1;
    // Opened from the last folder's descriptor and checked on what was
    // opened: no name is looked up again. O_NOFOLLOW with O_PATH opens a
    // link itself, which the check then refuses. Not closed on exec: the
    // started program's "/proc/self/fd/N" must still name it.
    const int fd = openat(folder.get(), file.c_str(), O_PATH | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !CompanionMayStart(st, user)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string CompanionStartPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace cobalin
