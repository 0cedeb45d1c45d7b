#include "core/companion_program.h"

#include <unistd.h>

namespace cobalin {

bool CompanionMayStart(const struct stat& file, uid_t user) {
    if (!S_ISREG(file.st_mode)) return false;
    if ((file.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return false;
    if (file.st_uid != user && file.st_uid != 0) return false;
    return (file.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool CompanionMayStart(const std::string& path) {
    struct stat file {};
    if (lstat(path.c_str(), &file) != 0) return false;
    return CompanionMayStart(file, geteuid());
}

}  // namespace cobalin
