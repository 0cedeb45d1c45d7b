#include "core/settings_backup.h"

#include <cstdio>

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

}  // namespace cobalin
