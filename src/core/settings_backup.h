// The settings backup: a device's whole record as hexadecimal lines in a
// settings file, and the rules for the file's name.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

#include "core/ini_file.h"
#include "core/record_layout.h"

namespace cobalin {

inline constexpr std::string_view kBackupSection = "NSV";
inline constexpr size_t kBackupLineBytes = 16;

// "001) Hx00000000  ": the line number from 1 in three digits (more from
// 1000 on), ") Hx", the offset of the line's first byte in eight upper-case
// hexadecimal digits, two spaces.
std::string BackupLineKey(size_t lineNumber, size_t offset);

// Every key of a backup in the order it is written: "MAC" and "Bytes" (the
// offset of the last byte) in section "NSV", then one line of up to 16 bytes
// as upper-case hexadecimal pairs per key in the section named by the MAC text.
std::vector<IniEntry> BackupEntries(std::string_view macText, std::span<const uint8_t> record);

// A MAC as it stands in a file name: "02-7E-3A-04-C8-1E".
std::string MacFileName(std::string_view macText);
// "YYYYMMDDHHNNSS-NSV" followed by the MAC text with every ":" made "-".
std::string DefaultBackupName(const std::tm& localTime, std::string_view macText);

// The names `cobalin configure` tries for a device's backup, in order, the
// first that does not exist yet taken: "02-7E-3A-04-C8-1E.ini", then with
// the time added, "02-7E-3A-04-C8-1E-YYYYMMDD-HHMMSS.ini", then "-2", "-3"
// ... after it for more in the same second. An earlier backup (the one made
// before any change) is never replaced.
std::vector<std::string> BackupFileNames(std::string_view macText, const std::tm& localTime);

// Why a folder that holds backups, as lstat gives it, cannot be trusted
// with the device passwords they hold; empty when it can: a folder (not a
// symbolic link), owned by `user`, that neither group nor others may write
// to (they could swap or remove a backup).
std::string BackupFolderFault(const struct stat& folder, uid_t user);

// Why a backup file, as fstat gives it, may not be read; empty when it may.
// `shown` is the path as messages show it.
std::string BackupFileFault(const struct stat& file, uid_t user, std::string_view shown);

// A backup read back: the record of the device its "NSV" "MAC" names.
struct BackupRead {
    std::string mac;  // as the file names it
    DeviceRecord record{};
    std::string error;  // empty when read; else where and what is wrong, one fault
};
// A backup is some 7 kB a device; a file that merges a whole LAN's stays far
// below this.
inline constexpr size_t kMaxBackupBytes = 4 << 20;
// Reads the text of a backup as "BackupSetting" writes it: section "NSV"
// with "MAC" and "Bytes" = "3000", and the section named by that MAC with
// the keys "001) Hx00000000" to "188) Hx00000BB0", 187 lines of 32 hex
// digits (either case) and one of 18. Sections of other MACs (earlier
// backups merged into the file) are passed over. Anything else in the two
// sections (a missing, repeated or unknown key, a line of another length, a
// digit that is not hex, another "Bytes") is an error naming its line, and
// nothing is read; so is a line anywhere longer than any a backup holds.
// Nothing of the text is copied per line, so a crafted file costs no more
// memory than its own size.
BackupRead ReadBackupText(std::string_view text);
// Reads a backup file: an error (naming the file as printable text) for a
// name that is a symbolic link (folders on the path may be links), a file
// that is not a regular file, that belongs to another user than this one or
// root, that group or others may read (it holds the device's password), that
// is larger than kMaxBackupBytes, or that ReadBackupText refuses. The file is
// judged on what was opened, before a byte is read; a FIFO or a terminal is
// never waited on nor taken.
BackupRead LoadBackupFile(const std::string& path);

// The newest backup (by modification time; of two as new, the later name)
// in `folder` that may be read (LoadBackupFile) and whose "NSV" "MAC" is
// `mac` (in either case), as its name without ".ini"; empty when none.
std::string NewestBackupFor(const std::string& folder, std::string_view mac);

// True for a name that names a file in the program folder itself: not empty,
// no "/" or "\", no "..", no drive letter's ":", no control character. A
// name that fails would write outside the folder, or somewhere the user did
// not mean.
bool IsPlainFileName(std::string_view name);

}  // namespace cobalin
