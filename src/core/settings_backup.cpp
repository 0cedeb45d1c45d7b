#include "core/settings_backup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "core/configure_plan.h"
#include "core/device_report.h"
#include "core/text_conversions.h"

namespace cobalin {

std::string BackupLineKey(size_t lineNumber, size_t offset) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%03zu) Hx%08zX  ", lineNumber, offset);
    return buffer;
}

std::vector<IniEntry> BackupEntries(std::string_view macText, std::span<const uint8_t> record) {
    const std::string mac(macText);
    std::vector<IniEntry> entries;
    entries.push_back({std::string(kBackupSection), "MAC", mac});
    // The offset of the record's last byte; an empty record has none, and the
    // count then reads -1 as the byte count less one would.
    entries.push_back({std::string(kBackupSection), "Bytes", std::to_string(static_cast<long long>(record.size()) - 1)});
    std::string line;
    size_t lineNumber = 1;
    for (size_t k = 0; k < record.size(); ++k) {
        line += HexByte(record[k]);
        if ((k + 1) % kBackupLineBytes == 0 || k + 1 == record.size()) {
            entries.push_back({mac, BackupLineKey(lineNumber, k + 1 - (line.size() / 2)), line});
            line.clear();
            ++lineNumber;
        }
    }
    return entries;
}

std::string MacFileName(std::string_view macText) {
    std::string name;
    for (char c : macText) name += c == ':' ? '-' : c;
    return name;
}

std::string DefaultBackupName(const std::tm& t, std::string_view macText) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return std::string(stamp) + "-NSV" + MacFileName(macText);
}

std::vector<std::string> BackupFileNames(std::string_view macText, const std::tm& t) {
    // Enough for a whole LAN written over and over within one second.
    constexpr int kSameSecond = 999;
    const std::string mac = MacFileName(macText);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec);
    std::vector<std::string> names = {mac + ".ini", mac + stamp + ".ini"};
    for (int n = 2; n <= kSameSecond; ++n) names.push_back(mac + stamp + "-" + std::to_string(n) + ".ini");
    return names;
}

std::string BackupFolderFault(const struct stat& folder, uid_t user) {
    if (S_ISLNK(folder.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(folder.st_mode)) return "it is not a folder";
    if (folder.st_uid != user) return "it belongs to another user";
    if (folder.st_mode & (S_IWGRP | S_IWOTH)) return "group or others may write to it";
    return {};
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

namespace {

constexpr size_t kBackupLines = (kRecordSize + kBackupLineBytes - 1) / kBackupLineBytes;  // 188
constexpr std::string_view kBackupByteCount = "3000";

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The longest line a backup holds is a line of the record, some 50
// characters; blanks around keys and values leave room to spare.
constexpr size_t kMaxBackupLine = 256;

// One line of the file that says something: a key and its value under the
// section it stands in, or a line that is neither a key nor a section. Each
// text is a view into the file's text, so a line costs no copy of it.
struct IniLine {
    size_t line = 0;
    std::string_view section, key, value;
    bool malformed = false;
};

// Calls `each` with every line that says something, in order, until it
// returns false. A line longer than any a backup holds ends the walk as an
// error. True when every line was taken.
template <typename Each>
bool ForEachIniLine(std::string_view text, std::string& error, Each each) {
    std::string_view section;
    for (size_t number = 1; !text.empty(); ++number) {
        const size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (raw.size() > kMaxBackupLine) {
            error = "line " + std::to_string(number) + ": longer than any line a backup holds";
            return false;
        }
        const std::string_view line = Trim(raw, " \t\r");
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = Trim(line.substr(1, line.size() - 2), " \t");
            continue;
        }
        const size_t equals = line[0] == '[' ? std::string_view::npos : line.find('=');
        const bool taken = equals == std::string_view::npos
                               ? each(IniLine{number, section, {}, {}, true})
                               : each(IniLine{number, section, Trim(line.substr(0, equals), " \t"),
                                              Trim(line.substr(equals + 1), " \t"), false});
        if (!taken) return false;
    }
    return true;
}

std::string At(size_t line) { return "line " + std::to_string(line) + ": "; }

// The "NSV" section: the MAC the file is a backup of.
bool ReadHead(std::string_view text, BackupRead& out) {
    size_t macLine = 0, bytesLine = 0;
    const bool read = ForEachIniLine(text, out.error, [&](const IniLine& l) {
        if (!SameNoCase(l.section, kBackupSection)) return true;
        const bool mac = !l.malformed && SameNoCase(l.key, "MAC"), bytes = !l.malformed && SameNoCase(l.key, "Bytes");
        if (!mac && !bytes) {
            out.error = At(l.line) + (l.malformed ? "neither a key nor a section" : "an unknown key in [NSV]");
            return false;
        }
        size_t& seen = mac ? macLine : bytesLine;
        if (seen) {
            out.error = At(l.line) + (mac ? "\"MAC\"" : "\"Bytes\"") + " is given twice in [NSV]";
            return false;
        }
        seen = l.line;
        if (mac) out.mac = std::string(l.value);
        if (bytes && l.value != kBackupByteCount) {
            out.error = At(l.line) + "\"Bytes\" is not " + std::string(kBackupByteCount) + ": not a whole device record";
            return false;
        }
        return true;
    });
    if (!read) return false;
    if (!macLine || !bytesLine) {
        out.error = std::string("no \"") + (macLine ? "Bytes" : "MAC") + "\" in section [NSV]";
        return false;
    }
    // Named in the messages below: never a text of any length and content.
    if (!NormalizeMac(out.mac)) {
        out.error = At(macLine) + "\"MAC\" is not a MAC address";
        return false;
    }
    return true;
}

// The line number a key of the device's section stands for, or 0.
size_t LineNumberOfKey(std::string_view key) {
    const size_t close = key.find(')');
    if (close == std::string_view::npos || close < 3 || close > 4) return 0;
    size_t n = 0;
    for (size_t i = 0; i < close; ++i) {
        if (key[i] < '0' || key[i] > '9') return 0;
        n = n * 10 + static_cast<size_t>(key[i] - '0');
    }
    if (n < 1 || n > kBackupLines) return 0;
    return SameNoCase(key, Trim(BackupLineKey(n, (n - 1) * kBackupLineBytes), " ")) ? n : 0;
}

bool ReadLine(const IniLine& l, size_t n, DeviceRecord& record, std::string& error) {
    const size_t offset = (n - 1) * kBackupLineBytes;
    const size_t bytes = std::min(kBackupLineBytes, kRecordSize - offset);
    if (l.value.size() != 2 * bytes) {
        error = At(l.line) + std::to_string(l.value.size()) + " hex digits where " + std::to_string(2 * bytes) +
                " belong";
        return false;
    }
    for (size_t i = 0; i < bytes; ++i) {
        const int16_t high = HexDigitValue(std::string_view(l.value).substr(2 * i, 1));
        const int16_t low = HexDigitValue(std::string_view(l.value).substr(2 * i + 1, 1));
        if (high < 0 || low < 0) {
            error = At(l.line) + "a character that is not a hex digit";
            return false;
        }
        record[offset + i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

// The section named by the MAC: every line of the record once.
bool ReadBody(std::string_view text, BackupRead& out) {
    std::vector<size_t> seen(kBackupLines + 1, 0);
    bool section = false;
    const bool read = ForEachIniLine(text, out.error, [&](const IniLine& l) {
        if (!SameNoCase(l.section, out.mac)) return true;
        section = true;
        const size_t n = l.malformed ? 0 : LineNumberOfKey(l.key);
        if (!n) {
            out.error = At(l.line) + (l.malformed ? "neither a key nor a section" : "an unknown key in [" + out.mac + "]");
            return false;
        }
        if (seen[n]) {
            out.error = At(l.line) + "the key of line " + std::to_string(n) + " is given twice (first on line " +
                        std::to_string(seen[n]) + ")";
            return false;
        }
        seen[n] = l.line;
        return ReadLine(l, n, out.record, out.error);
    });
    if (!read) return false;
    if (!section) {
        out.error = "no section [" + out.mac + "], which [NSV] names";
        return false;
    }
    for (size_t n = 1; n <= kBackupLines; ++n) {
        if (seen[n]) continue;
        out.error = "no key \"" + std::string(Trim(BackupLineKey(n, (n - 1) * kBackupLineBytes), " ")) +
                    "\" in section [" + out.mac + "]";
        return false;
    }
    return true;
}

}  // namespace

BackupRead ReadBackupText(std::string_view text) {
    BackupRead out;
    // Two walks over the text, the second once the first has named the
    // MAC: nothing of the file is copied but the MAC and the record.
    if (!ReadHead(text, out) || !ReadBody(text, out)) {
        out.record = {};
        return out;
    }
    return out;
}

std::string NewestBackupFor(const std::string& folder, std::string_view mac) {
    std::error_code ec;
    std::string newest;
    std::filesystem::file_time_type newestTime{};
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        if (path.extension() != ".ini" || !it->is_regular_file(ec)) continue;
        const auto time = it->last_write_time(ec);
        const std::string name = path.stem().string();
        // Two written within one tick of the file clock: the later name (a
        // time stamp in it counts up).
        if (ec || (!newest.empty() && (time < newestTime || (time == newestTime && name < newest)))) continue;
        const BackupRead read = LoadBackupFile(path.string());
        if (!read.error.empty() || !SameNoCase(read.mac, mac)) continue;
        newest = name;
        newestTime = time;
    }
    return newest;
}

namespace {

// The whole of an open file into `text`; false when a read fails or the
// file is larger than any backup.
bool ReadWhole(int fd, std::string& text) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || text.size() + static_cast<size_t>(n) > kMaxBackupBytes) return false;
        text.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace

std::string BackupFileFault(const struct stat& file, uid_t user, std::string_view shownPath) {
    const std::string shown(shownPath);
    if (!S_ISREG(file.st_mode)) return "cannot read the backup " + shown;
    // Another user could have put any record, any password, in it.
    if (file.st_uid != user && file.st_uid != 0) return "the backup " + shown + " belongs to another user";
    if (file.st_mode & (S_IRWXG | S_IRWXO))
        return "the backup " + shown + " holds a device's password but group or others may read it; run: chmod 600 " + shown;
    return {};
}

BackupRead LoadBackupFile(const std::string& path) {
    BackupRead out;
    // The path is the user's typing or a plan's cell: shown, never obeyed
    // by the terminal.
    const std::string shown = PrintableText(path);
    // The file's own name is not followed (folders on the way may be
    // links); a FIFO does not hold the open, a terminal does not become ours.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct stat st{};
    if (fd < 0) {
        const bool link = errno == ELOOP && lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        out.error = link ? "the backup " + shown + " is a symbolic link; name the file itself" : "cannot read the backup " + shown;
        return out;
    }
    // Judged on what was opened, before a byte of it is read.
    std::string fault = fstat(fd, &st) != 0 ? "cannot read the backup " + shown : BackupFileFault(st, geteuid(), shown);
    if (!fault.empty()) {
        close(fd);
        out.error = std::move(fault);
        return out;
    }
    std::string text;
    const bool whole = ReadWhole(fd, text);
    close(fd);
    if (!whole) {
        out.error = "cannot read the backup " + shown + ", or it is larger than " + std::to_string(kMaxBackupBytes) + " bytes";
        return out;
    }
    out = ReadBackupText(text);
    if (!out.error.empty()) out.error = "the backup " + shown + ", " + out.error;
    return out;
}

}  // namespace cobalin
