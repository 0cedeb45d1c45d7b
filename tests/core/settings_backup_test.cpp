#include "core/settings_backup.h"

#include <gtest/gtest.h>

#include <algorithm>


#include "core/record_layout.h"
#include "backup_reader.h"
#include "temp_dir.h"

using namespace cobalin;
using cobalin::testing::ReadBackup;
using cobalin::testing::TempDir;
using cobalin::testing::UpperHex;

namespace {

DeviceRecord Pattern(uint8_t salt) {
    DeviceRecord r;
    for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 7 + salt);
    return r;
}

}  // namespace

TEST(SettingsBackup, LineKeys) {
    const std::tuple<size_t, size_t, const char*> cases[] = {
        {1, 0, "001) Hx00000000  "},     {2, 0x10, "002) Hx00000010  "},   {3, 0x20, "003) Hx00000020  "},
        {188, 0xBB0, "188) Hx00000BB0  "}, {999, 0x3E60, "999) Hx00003E60  "}, {1000, 0x3E70, "1000) Hx00003E70  "},
    };
    for (const auto& [line, offset, want] : cases) EXPECT_EQ(BackupLineKey(line, offset), want);
}

TEST(SettingsBackup, EntriesOfAWholeRecord) {
    const DeviceRecord r = Pattern(3);
    const auto entries = BackupEntries("02:7E:3A:04:C8:1E", r);
    ASSERT_EQ(entries.size(), 2u + 188u);
    EXPECT_EQ(entries[0].section, "NSV");
    EXPECT_EQ(entries[0].key, "MAC");
    EXPECT_EQ(entries[0].value, "02:7E:3A:04:C8:1E");
    EXPECT_EQ(entries[1].section, "NSV");
    EXPECT_EQ(entries[1].key, "Bytes");
    EXPECT_EQ(entries[1].value, "3000");
    std::string all;
    for (size_t i = 2; i < entries.size(); ++i) {
        const size_t line = i - 1;
        EXPECT_EQ(entries[i].section, "02:7E:3A:04:C8:1E");
        EXPECT_EQ(entries[i].key, BackupLineKey(line, (line - 1) * 16));
        EXPECT_EQ(entries[i].value.size(), line < 188 ? 32u : 18u) << line;
        all += entries[i].value;
    }
    EXPECT_EQ(entries[2].key, "001) Hx00000000  ");
    EXPECT_EQ(entries.back().key, "188) Hx00000BB0  ");
    EXPECT_EQ(all, UpperHex(r));
    EXPECT_EQ(entries[2].value, "030A11181F262D343B424950575E656C");
}

TEST(SettingsBackup, ShortAndEmptyRecords) {
    const uint8_t sixteen[16] = {0xAB};
    const auto one = BackupEntries("m", std::span<const uint8_t>(sixteen, 16));
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[1].value, "15");
    EXPECT_EQ(one[2].value, "AB000000000000000000000000000000");
    const auto seventeen = BackupEntries("m", std::span<const uint8_t>(Pattern(0).data(), 17));
    ASSERT_EQ(seventeen.size(), 4u);
    EXPECT_EQ(seventeen[3].key, "002) Hx00000010  ");
    EXPECT_EQ(seventeen[3].value, "70");
    const auto none = BackupEntries("m", std::span<const uint8_t>());
    ASSERT_EQ(none.size(), 2u);
    EXPECT_EQ(none[1].value, "-1");
}

TEST(SettingsBackup, DefaultName) {
    std::tm t{};
    t.tm_year = 2026 - 1900, t.tm_mon = 2, t.tm_mday = 4, t.tm_hour = 7, t.tm_min = 5, t.tm_sec = 9;
    EXPECT_EQ(DefaultBackupName(t, "02:7E:3A:04:C8:1E"), "20260304070509-NSV02-7E-3A-04-C8-1E");
    t.tm_hour = 23, t.tm_min = 59, t.tm_sec = 59, t.tm_mon = 11, t.tm_mday = 31;
    EXPECT_EQ(DefaultBackupName(t, ""), "20261231235959-NSV");
}

TEST(SettingsBackup, PlainFileNames) {
    const std::pair<const char*, bool> cases[] = {
        {"20260304070509-NSV02-7E-3A-04-C8-1E", true},
        {"backup one", true},
        {"a.b", true},
        {"Übersicht", true},
        {"", false},
        {"..", false},
        {"../x", false},
        {"a..b", false},
        {"sub/x", false},
        {"/etc/cobalin", false},
        {"C:\\x", false},
        {"sub\\x", false},
        {"C:x", false},
        {"tab\tname", false},
        {"line\nname", false},
    };
    for (const auto& [name, plain] : cases) EXPECT_EQ(IsPlainFileName(name), plain) << name;
}

TEST(SettingsBackup, WrittenFileReadByAnIndependentReaderHoldsTheRecord) {
    TempDir dir;
    const std::string file = dir.File("b.ini");
    const DeviceRecord r = Pattern(11);
    ASSERT_NE(WriteIniEntries(BackupEntries("02:7E:3A:04:C8:1E", r), file), 0);
    EXPECT_EQ(ReadBackup(file), "MAC=02:7E:3A:04:C8:1E\nBYTES=3000\nHEX=" + UpperHex(r) + "\n");
    // Our own reader finds the keys with their two trailing spaces trimmed.
    EXPECT_EQ(ReadIni("02:7E:3A:04:C8:1E", "188) Hx00000BB0", file), UpperHex(r).substr(187 * 32));

    // A second backup into the same file replaces the keys of the first; keys
    // only the first had stay.
    ASSERT_NE(WriteIni("NSV", "Note", "kept", file), 0);
    ASSERT_NE(WriteIniEntries(BackupEntries("02:7E:3A:04:C8:1F", Pattern(5)), file), 0);
    const DeviceRecord second = Pattern(99);
    ASSERT_NE(WriteIniEntries(BackupEntries("02:7E:3A:04:C8:1E", second), file), 0);
    EXPECT_EQ(ReadBackup(file), "MAC=02:7E:3A:04:C8:1E\nBYTES=3000\nHEX=" + UpperHex(second) + "\n");
    EXPECT_EQ(ReadIni("NSV", "Note", file), "kept");
    EXPECT_EQ(ReadIni("02:7E:3A:04:C8:1F", "001) Hx00000000", file), UpperHex(Pattern(5)).substr(0, 32));
    const std::string text = TempDir::Read(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4 + 2 * (1 + 188)) << "no key written twice";
}

TEST(SettingsBackup, ABackupIsNeverReplaced) {
    std::tm t{};
    t.tm_year = 2026 - 1900, t.tm_mon = 11, t.tm_mday = 11, t.tm_hour = 2, t.tm_min = 3, t.tm_sec = 4;
    const std::vector<std::string> names = BackupFileNames("02:7E:3A:04:C8:1E", t);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names[0], "02-7E-3A-04-C8-1E.ini");
    EXPECT_EQ(names[1], "02-7E-3A-04-C8-1E-20261211-020304.ini");
    EXPECT_EQ(names[2], "02-7E-3A-04-C8-1E-20261211-020304-2.ini");
    EXPECT_EQ(names[3], "02-7E-3A-04-C8-1E-20261211-020304-3.ini");
}

TEST(SettingsBackup, AFolderForBackupsIsTheOwnersAlone) {
    const uid_t me = 1000;
    const struct {
        mode_t mode;
        uid_t owner;
        const char* fault;
    } cases[] = {
        {S_IFDIR | 0700, me, ""},
        {S_IFDIR | 0755, me, ""},
        {S_IFDIR | 0750, me, ""},
        {S_IFDIR | 0777, me, "group or others may write to it"},
        {S_IFDIR | 0770, me, "group or others may write to it"},
        {S_IFDIR | 0702, me, "group or others may write to it"},
        {S_IFDIR | 0700, 0, "it belongs to another user"},
        {S_IFDIR | 0700, 1001, "it belongs to another user"},
        {S_IFLNK | 0777, me, "it is a symbolic link"},
        {S_IFREG | 0600, me, "it is not a folder"},
    };
    for (const auto& c : cases) {
        struct stat st{};
        st.st_mode = c.mode;
        st.st_uid = c.owner;
        EXPECT_EQ(BackupFolderFault(st, me), c.fault) << std::oct << c.mode << " " << std::dec << c.owner;
    }
}
