// The companion program started when the main window closes lives in the
// program folder, which for an installed program is the user's configuration
// folder. Whatever stands there would run with the user's rights, so it is
// started only when nobody but the user (or the system) can have put it
// there or changed it.
#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace cobalin {

// What lstat says of the file (not of a link's target): true when it is a
// regular file with an execute bit, owned by user or by root, and not
// writable by its group or by others. A symbolic link is never started, so
// no one can point the name at another program.
bool CompanionMayStart(const struct stat& file, uid_t user);

// The same for the file at path and the effective user, and for every
// folder on its path: each must be owned by the user or root and none may
// be writable by group or others unless it is sticky (as /tmp is), or
// someone else could put another file at the name. False when it is missing
// or cannot be examined.
bool CompanionMayStart(const std::string& path);

// The file at path opened as it stands and checked on what was opened: a
// descriptor to start it by, or -1. The folders are opened one by one from
// "/" (a relative path from the current folder), each checked on its
// descriptor before the next is opened from it, so no name is resolved
// twice; a link on the way stands in a folder already checked and its
// target is walked the same way; the file's own name is never a link. The
// start must go through CompanionStartPath, never the name again, so that
// nobody can swap the file between check and start.
// The descriptor stays open across exec (the started program's own
// "/proc/self/fd/N" names it); close it once the program was started.
int OpenCompanion(const std::string& path);
// "/proc/self/fd/N": the opened file itself, for the start.
std::string CompanionStartPath(int fd);

}  // namespace cobalin
