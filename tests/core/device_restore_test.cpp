// Restoring and cloning a device from a backup: reading the backup back,
// what a restore writes and keeps, how a plan row restores, and how the
// verification covers every byte the write sends.
#include <gtest/gtest.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "core/configure_plan.h"
#include "core/device_change.h"
#include "core/settings_backup.h"
#include "core/update_checks.h"
#include "record_builder.h"
#include "temp_dir.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

constexpr const char* kPassword = "Secr3t!x";

// The device a backup was taken of: its configuration, and identity texts
// of its own.
RecordBuilder Configured(uint8_t last, std::string_view name, std::string_view ip, std::string_view serial) {
    auto b = RecordBuilder::Paged(Mac(last));
    b.Row(PagedRow::ServerName, name).Row(PagedRow::Password, kPassword).Row(PagedRow::Dhcp, "Disable");
    b.Row(PagedRow::IpAddress, ip).Row(PagedRow::Netmask, "255.255.255.0").Row(PagedRow::Gateway, "192.168.1.1");
    b.Row(PagedRow::CompanyName, "Hall-A").Row(PagedRow::SerialPort, "1").Row(PagedRow::BaudRate, "9600");
    b.Row(PagedRow::TcpUdpPort, "4000").Row(PagedRow::ModelNo, "Zenta-630");
    b.Row(PagedRow::SerialHardware, serial).Row(PagedRow::HardwareId, std::string("HW-") + std::string(serial));
    b.Row(PagedRow::SerialBrenik, std::string("BR-") + std::string(serial));
    b.Row(PagedRow::VersionDate, "V2.10 & 2025/03/01");
    return b;
}

// A backup file's text as "BackupSetting" writes it.
std::string BackupText(const std::string& mac, const DeviceRecord& record) {
    std::string text, section;
    for (const IniEntry& e : BackupEntries(mac, record)) {
        if (e.section != section) text += "[" + (section = e.section) + "]\r\n";
        text += e.key + "=" + e.value + "\r\n";
    }
    return text;
}


PlanRow Row(uint8_t last, std::vector<std::pair<std::string_view, std::string>> values = {}) {
    PlanRow row;
    row.mac = FormatMac(Mac(last).data());
    row.password = kPassword;
    for (const auto& [key, value] : values) row.values[PlanKeyIndex(key).value()] = value;
    return row;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at == std::string::npos) throw std::invalid_argument("no " + from);
    return text.replace(at, from.size(), to);
}

const std::string kMac = "02:7E:3A:04:C8:05";

}  // namespace

TEST(BackupReader, ReadsWhatTheBackupWrites) {
    const DeviceRecord record = Configured(5, "Rack-05", "192.168.1.50", "SN0005").PatternPage0();
    const BackupRead read = ReadBackupText(BackupText(kMac, record));
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.mac, kMac);
    EXPECT_EQ(read.record, record);

    // Through the program's own writer, with an earlier backup of another
    // device merged into the same file: the "NSV" "MAC" names the one read.
    TempDir dir;
    const std::string file = dir.File("b.ini");
    const DeviceRecord other = Configured(9, "Rack-09", "192.168.1.90", "SN0009");
    ASSERT_NE(WriteIniEntries(BackupEntries("02:7E:3A:04:C8:09", other), file), 0);
    ASSERT_NE(WriteIniEntries(BackupEntries(kMac, record), file), 0);
    const BackupRead loaded = LoadBackupFile(file);
    ASSERT_EQ(loaded.error, "");
    EXPECT_EQ(loaded.mac, kMac);
    EXPECT_EQ(loaded.record, record);

    // Lower-case digits, LF line ends, blanks around keys and values.
    std::string lower = BackupText(kMac, record);
    for (char& c : lower) c = c == '\r' ? ' ' : c;
    for (size_t at = lower.find("=", lower.find("001)")); at != std::string::npos; at = lower.find("=", at + 1))
        for (size_t i = at + 1; i < lower.size() && lower[i] != '\n'; ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
    const BackupRead fromLower = ReadBackupText(lower);
    ASSERT_EQ(fromLower.error, "");
    EXPECT_EQ(fromLower.record, record);
}

TEST(BackupReader, RefusesAnythingElseNamingTheLine) {
    const DeviceRecord record = Configured(5, "Rack-05", "192.168.1.50", "SN0005");
    const std::string good = BackupText(kMac, record);
    const std::string line1 = "001) Hx00000000  =" + good.substr(good.find("001) Hx00000000  =") + 18, 32);
    // Lines of the file: 1 [NSV], 2 MAC, 3 Bytes, 4 [MAC], 5 the key of line 001 ...
    const std::pair<std::string, std::string> cases[] = {
        {Replace(good, line1 + "\r\n", ""), "no key \"001) Hx00000000\" in section [" + kMac + "]"},
        {Replace(good, line1, line1 + "\r\n" + line1), "line 6: the key of line 1 is given twice (first on line 5)"},
        {Replace(good, line1, line1 + "00"), "line 5: 34 hex digits where 32 belong"},
        {Replace(good, line1, line1.substr(0, line1.size() - 1) + "G"), "line 5: a character that is not a hex digit"},
        {Replace(good, "Bytes=3000", "Bytes=97"), "line 3: \"Bytes\" is not 3000: not a whole device record"},
        {Replace(good, "Bytes=3000", "Bytes=3000\r\nBytes=3000"), "line 4: \"Bytes\" is given twice in [NSV]"},
        {Replace(good, "[" + kMac + "]", "[02:7E:3A:04:C8:06]"), "no section [" + kMac + "], which [NSV] names"},
        {Replace(good, "MAC=" + kMac + "\r\n", ""), "no \"MAC\" in section [NSV]"},
        {Replace(good, "[NSV]\r\n", ""), "no \"MAC\" in section [NSV]"},
        {Replace(good, line1, line1 + "\r\nnote=mine"), "line 6: an unknown key in [" + kMac + "]"},
        {Replace(good, line1, line1 + "\r\nstray text"), "line 6: neither a key nor a section"},
        {Replace(good, "188) Hx00000BB0  =", "188) Hx00000BB1  ="), "line 192: an unknown key in [" + kMac + "]"},
        {"", "no \"MAC\" in section [NSV]"},
        {Replace(good, "MAC=" + kMac, "MAC=\x1b]2;owned\x07"), "line 2: \"MAC\" is not a MAC address"},
        {Replace(good, line1, line1 + "\r\n; " + std::string(300, '-')), "line 6: longer than any line a backup holds"},
        {Replace(good, "[" + kMac + "]", "[" + std::string(300, 'x') + "]\r\n[" + kMac + "]"),
         "line 4: longer than any line a backup holds"},
    };
    for (const auto& [text, error] : cases) {
        const BackupRead read = ReadBackupText(text);
        EXPECT_EQ(read.error, error);
        EXPECT_EQ(read.record, DeviceRecord{}) << error;  // nothing is loaded
    }
}

// Sanitizers reserve terabytes of address space, so a limit on it cannot
// stand for one on the memory a reader asks for there.
#if defined(__SANITIZE_ADDRESS__)
#define COBALIN_ADDRESS_SPACE_RESERVED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define COBALIN_ADDRESS_SPACE_RESERVED 1
#endif
#endif

namespace {

// The address space this process holds now, in bytes.
size_t AddressSpace() {
    unsigned long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Reads the text with the address space limited to `limit` bytes; exits 0
// when the reader gave `error`. Run in a child of its own.
[[noreturn]] void ReadWithin(size_t limit, const std::string& text, const std::string& error) {
    const rlimit space{limit, limit};
    setrlimit(RLIMIT_AS, &space);
    const BackupRead read = ReadBackupText(text);
    std::fprintf(stderr, "%s\n", read.error.c_str());
    std::_Exit(read.error == error ? 0 : 1);
}

}  // namespace

TEST(BackupReader, ACraftedFileIsReadInMemoryOfItsOwnSize) {
#ifdef COBALIN_ADDRESS_SPACE_RESERVED
    GTEST_SKIP() << "the address space is the sanitizers'";
#endif
    const std::string head = "[NSV]\r\nMAC=" + kMac + "\r\nBytes=3000\r\n";
    std::string shortLines;
    for (int i = 0; i < 1000000; ++i) shortLines += "k=v\n";
    struct Case {
        const char* name;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        // A section name of 2 MB over a million lines: a copy of the name
        // for each line would ask for two terabytes.
        {"huge section name", head + "[" + std::string(2000000, 'x') + "]\n" + shortLines,
         "line 4: longer than any line a backup holds"},
        // Names short enough to pass, still copied a million times over.
        {"long section name", head + "[" + std::string(250, 'x') + "]\n" + shortLines,
         "no section [" + kMac + "], which [NSV] names"},
    };
    for (const Case& c : cases) {
        // In a child whose address space may grow by 64 MB at most, well
        // below what one copy of the section name per line would take.
        EXPECT_EXIT(ReadWithin(AddressSpace() + (64u << 20), c.text, c.error), ::testing::ExitedWithCode(0), "")
            << c.name;
    }
}

TEST(BackupReader, AFileOthersMayReadIsRefused) {
    TempDir dir;
    const std::string file = dir.Write("b.ini", BackupText(kMac, Configured(5, "Rack-05", "192.168.1.50", "SN0005")));
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    EXPECT_EQ(LoadBackupFile(file).error, "the backup " + file +
                                              " holds a device's password but group or others may read it; run: chmod 600 " +
                                              file);
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(LoadBackupFile(file).error, "");
    EXPECT_EQ(LoadBackupFile(dir.File("missing.ini")).error, "cannot read the backup " + dir.File("missing.ini"));
    EXPECT_EQ(LoadBackupFile(dir.File("")).error, "cannot read the backup " + dir.File(""));  // a folder
}

TEST(BackupReader, OnlyARegularFileOfTheUserOrRootIsRead) {
    TempDir dir;
    const std::string good = BackupText(kMac, Configured(5, "Rack-05", "192.168.1.50", "SN0005"));
    const std::string file = dir.Write("b.ini", good);
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    std::filesystem::create_symlink(file, dir.File("link.ini"));
    ASSERT_EQ(mkfifo(dir.File("fifo.ini").c_str(), 0600), 0);  // opened blocking, it would wait for a writer
    const std::string escaped = dir.Write("b\x1b]2;owned\x07.ini", good);
    ASSERT_EQ(chmod(escaped.c_str(), 0644), 0);
    const std::string shown = dir.File("b?]2;owned?.ini");
    struct Case {
        std::string path, error;
    };
    std::vector<Case> cases = {
        {dir.File("link.ini"), "the backup " + dir.File("link.ini") + " is a symbolic link; name the file itself"},
        {dir.File("fifo.ini"), "cannot read the backup " + dir.File("fifo.ini")},
        {escaped, "the backup " + shown + " holds a device's password but group or others may read it; run: chmod 600 " + shown},
        {dir.File("b\x1b[2J.ini"), "cannot read the backup " + dir.File("b?[2J.ini")},
        {dir.File("link.ini/"), "cannot read the backup " + dir.File("link.ini/")},
    };
    if (geteuid() == 0) {  // only root can give a file away
        const std::string other = dir.Write("other.ini", good);
        ASSERT_EQ(chmod(other.c_str(), 0600), 0);
        ASSERT_EQ(chown(other.c_str(), 4321, 4321), 0);
        cases.push_back({other, "the backup " + other + " belongs to another user"});
    }
    for (const Case& c : cases) EXPECT_EQ(LoadBackupFile(c.path).error, c.error);
    // A folder on the path may be a link; only the file's own name is not followed.
    std::filesystem::create_directory_symlink(dir.path(), dir.File("via"));
    EXPECT_EQ(LoadBackupFile(dir.File("via/b.ini")).error, "");
}

TEST(BackupReader, TheFileIsTheUsersOrRootsPrivateRegularFile) {
    struct Case {
        mode_t mode;
        uid_t owner, user;
        std::string fault;
    };
    const std::string readable = "the backup P holds a device's password but group or others may read it; run: chmod 600 P";
    const Case cases[] = {
        {S_IFREG | 0600, 1000, 1000, ""},
        {S_IFREG | 0400, 0, 1000, ""},
        {S_IFREG | 0600, 0, 0, ""},
        {S_IFREG | 0600, 1001, 1000, "the backup P belongs to another user"},
        {S_IFREG | 0600, 1000, 0, "the backup P belongs to another user"},
        {S_IFREG | 0640, 1000, 1000, readable},
        {S_IFREG | 0604, 0, 1000, readable},
        {S_IFDIR | 0700, 1000, 1000, "cannot read the backup P"},
        {S_IFIFO | 0600, 1000, 1000, "cannot read the backup P"},
        {S_IFCHR | 0600, 0, 1000, "cannot read the backup P"},
    };
    for (const Case& c : cases) {
        struct stat file {};
        file.st_mode = c.mode;
        file.st_uid = c.owner;
        EXPECT_EQ(BackupFileFault(file, c.user, "P"), c.fault) << std::oct << c.mode << std::dec << " " << c.owner;
    }
}

TEST(DeviceRestore, ACloneTakesTheConfigurationAndKeepsItsIdentity) {
    const DeviceRecord backup = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::DelimiterHex1, "13");
    const DeviceRecord target = Configured(6, "New-06", "192.168.1.60", "SN0006").Row(PagedRow::BaudRate, "115200");
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, target);
    const DeviceChange change = ComputeChange(*store, k, {}, &backup);
    ASSERT_EQ(change.refusal, "");
    EXPECT_TRUE(change.whole);
    const DeviceRecord& r = change.entry().Record;
    // Page 0 and 1 from the backup, but for the identity bytes and the headers.
    for (size_t o = 0; o < kRecordSize; ++o) {
        const bool header = o < kPageHeaderSize || (o >= kPages[1].recordOffset && o < kPages[1].recordOffset + kPageHeaderSize);
        const bool identity = (o >= 26 && o < 42) || (o >= 70 && o < 76) || (o >= 142 && o < 174);
        const bool written = o < kPages[1].recordOffset + kPages[1].length;
        EXPECT_EQ(r[o], (written && !header && !identity ? backup : target)[o]) << "byte " << o;
    }
    EXPECT_EQ(change.rows, (std::set<int>{PagedRow::ServerName, PagedRow::IpAddress, PagedRow::BaudRate,
                                          PagedRow::DelimiterHex1}));
    EXPECT_EQ(ChangedRowNames(change), "Server name, IP address, Baud rate, Delimiter HEX");
    EXPECT_EQ(change.note, "");

    // A plan row gives the clone its own name and address on top.
    const DevicePlan plan = PlanDevice(*store, k, Row(6, {{"name", "New-06"}, {"ip", "192.168.1.60"}}),
                                       DeviceClass::None, &backup);
    EXPECT_EQ(plan.status, RowStatus::WouldChange) << plan.reason;
    EXPECT_EQ(plan.changed, (std::vector<std::string>{"baud_rate", "other"}));
    EXPECT_TRUE(plan.sent.whole);
}

TEST(DeviceRestore, APlanRowRestoresAndASecondRunIsUnchanged) {
    DeviceRecord backup = Configured(5, "Rack-05", "192.168.1.50", "SN0005");
    backup[1100] = 0x5A;  // a byte of page 1 that no row shows
    const DeviceRecord changed = Configured(5, "Moved", "192.168.1.55", "SN0005").Row(PagedRow::Password, "Other1");
    auto store = std::make_unique<DeviceStore>();
    long k = TakePages(*store, changed);
    // The row's password is the device's now; it takes the backup's.
    PlanRow row = Row(5);
    row.password = "Other1";
    DevicePlan plan = PlanDevice(*store, k, row, DeviceClass::None, &backup);
    ASSERT_EQ(plan.status, RowStatus::WouldChange) << plan.reason;
    EXPECT_EQ(plan.changed, (std::vector<std::string>{"name", "new_password", "ip", "other"}));

    // Once restored, the same row (its password the old one) holds already.
    auto after = std::make_unique<DeviceStore>();
    k = TakePages(*after, plan.sent.record);
    plan = PlanDevice(*after, k, row, DeviceClass::None, &backup);
    EXPECT_EQ(plan.status, RowStatus::Unchanged) << plan.reason;
    EXPECT_TRUE(plan.changed.empty());
}

TEST(DeviceRestore, RefusedWithTheReasonAndNothingToSend) {
    const DeviceRecord target = Configured(6, "New-06", "192.168.1.60", "SN0006");
    const DeviceRecord otherModel = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::ModelNo, "Zenta-5400");
    const DeviceRecord shortRecord = RecordBuilder::Short(Mac(5)).Row(ShortRow::ServerName, "Legacy");
    DeviceRecord newer = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::VersionDate, "V2.11 & 2026/01/01");
    // The same model, but an IP Dongle's hardware ID where the target has none of a class.
    const DeviceRecord otherClass = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::HardwareId, "PCB-4193-01");
    struct Case {
        const DeviceRecord* backup;
        std::vector<int> pages;
        std::string refusal;
    } const cases[] = {
        {&otherModel, {0, 1, 2}, "the backup is of model \"Zenta-5400\", this device is \"Zenta-630\""},
        {&shortRecord, {0, 1, 2}, "the backup holds a short record, which has no settings to restore"},
        {&newer, {0, 1}, "this device's record did not arrive whole in this search; search again"},
        {&otherClass, {0, 1, 2}, "the backup is of another class of device"},
    };
    for (const Case& c : cases) {
        auto store = std::make_unique<DeviceStore>();
        const long k = TakePages(*store, target, c.pages);
        EXPECT_EQ(ComputeChange(*store, k, {}, c.backup).refusal, c.refusal);
        const DevicePlan plan = PlanDevice(*store, k, Row(6), DeviceClass::None, c.backup);
        EXPECT_EQ(plan.status, RowStatus::Refused);
        EXPECT_EQ(plan.reason, c.refusal);
        EXPECT_TRUE(plan.sent.rows.empty());
    }
    // Another firmware version is said, not refused.
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, target);
    const DevicePlan plan = PlanDevice(*store, k, Row(6), DeviceClass::None, &newer);
    EXPECT_EQ(plan.status, RowStatus::WouldChange);
    EXPECT_EQ(plan.reason,
              "the backup was taken with firmware \"V2.11 & 2026/01/01\", this device has \"V2.10 & 2025/03/01\"");
}

TEST(DeviceRestore, TheSecondSerialBlockFollowsTheBackupsCountOfPorts) {
    // The target has two serial ports now, the backup one: its second block
    // is sent as the record holds it, so it must be the backup's.
    DeviceRecord backup = Configured(5, "Rack-05", "192.168.1.50", "SN0005");
    DeviceRecord target = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::SerialPort, "2");
    for (size_t o = 286; o < 286 + 112; ++o) backup[o] = static_cast<uint8_t>(o), target[o] = 0xEE;
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, target);
    const DeviceChange change = ComputeChange(*store, k, {}, &backup);
    ASSERT_EQ(change.refusal, "");
    for (size_t o = 286; o < 286 + 112; ++o) ASSERT_EQ(change.entry().Record[o], backup[o]) << o;
    EXPECT_TRUE(change.rows.count(PagedRow::SerialPort));
}

TEST(DeviceRestore, ACloneOfADeviceOnDhcpClaimsNoAddress) {
    // The backup's device is still on the LAN at the address its record
    // holds; with DHCP on, the clone takes another from the network.
    const DeviceRecord backup = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::Dhcp, "Enable");
    auto store = std::make_unique<DeviceStore>();
    TakePages(*store, Configured(5, "Rack-05", "192.168.1.50", "SN0005"));
    const long k = TakePages(*store, Configured(6, "New-06", "192.168.1.60", "SN0006"));
    const PlanRow row = Row(6, {{"name", "New-06"}});
    const DevicePlan plan = PlanDevice(*store, k, row, DeviceClass::None, &backup);
    ASSERT_EQ(plan.status, RowStatus::WouldChange) << plan.reason;
    EXPECT_EQ(SentAddress(plan.sent), "");
    EXPECT_EQ(PlanAddressClash(*store, k, plan, {}), "");
    // Without DHCP the same clone would take the address another device holds.
    const DeviceRecord fixed = Configured(5, "Rack-05", "192.168.1.50", "SN0005");
    const DevicePlan clash = PlanDevice(*store, k, row, DeviceClass::None, &fixed);
    EXPECT_EQ(PlanAddressClash(*store, k, clash, {}), "IP address 192.168.1.50 is held by MAC 02:7E:3A:04:C8:05");
}

TEST(DeviceRestore, ALanModuleDeviceTakesOnlyWhatItsModuleCarries) {
    const DeviceRecord target = Configured(6, "New-06", "192.168.1.60", "SN0006");
    const DeviceRecord sameSerial = Configured(5, "Rack-05", "192.168.1.50", "SN0005");
    const DeviceRecord otherBaud = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::BaudRate, "19200");
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, target, {0, 1, 2}, ModuleAnswer(Mac(6)));
    ASSERT_EQ(store->DeviceTable[static_cast<size_t>(k)].FormatTag, RecordFormat::WithModule);

    const DeviceChange change = ComputeChange(*store, k, {}, &sameSerial);
    ASSERT_EQ(change.refusal, "");
    EXPECT_TRUE(change.rows.count(PagedRow::ServerName));
    EXPECT_TRUE(change.rows.count(PagedRow::IpAddress));
    EXPECT_FALSE(change.rows.count(PagedRow::SerialHardware));  // the module's serial number stays
    EXPECT_EQ(ComputeChange(*store, k, {}, &otherBaud).refusal,
              "the device is written through its LAN module, which cannot carry what the backup holds of Baud rate");
    DeviceRecord otherBytes = sameSerial;
    otherBytes[1100] ^= 0xFF;  // a byte of page 1 that no row shows
    EXPECT_EQ(ComputeChange(*store, k, {}, &otherBytes).refusal,
              "the device is written through its LAN module, which cannot carry what the backup holds of other bytes");
}

TEST(DeviceRestore, TheVerificationCoversEveryByteTheWriteSends) {
    const DeviceRecord backup = Configured(5, "Rack-05", "192.168.1.50", "SN0005").Row(PagedRow::DelimiterHex1, "13");
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, Configured(5, "Moved", "192.168.1.55", "SN0005"));
    const DevicePlan plan = PlanDevice(*store, k, Row(5), DeviceClass::None, &backup);
    ASSERT_EQ(plan.status, RowStatus::WouldChange) << plan.reason;

    DeviceRecord kept = plan.sent.record;
    kept[193] = 7;     // a delimiter the device did not take
    kept[1100] ^= 1;   // a byte of page 1 outside every row
    const struct {
        const char* what;
        DeviceRecord back;
        std::vector<int> pages;
        bool verified;
        std::string reason;
    } cases[] = {
        {"took it all", plan.sent.record, {0, 1, 2}, true, ""},
        {"kept some bytes", kept, {0, 1, 2}, false, "Device kept other values: Delimiter HEX, other bytes"},
        {"page 1 lost", plan.sent.record, {0, 2}, false, "page 1 of this device was not received after the update"},
    };
    for (const auto& c : cases) {
        auto after = std::make_unique<DeviceStore>();
        TakePages(*after, c.back, c.pages);
        const UpdateVerdict v = VerifyUpdate(plan.sent, *after);
        EXPECT_EQ(v.verified, c.verified) << c.what;
        EXPECT_EQ(v.reason, c.reason) << c.what;
    }
}
