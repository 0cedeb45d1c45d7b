// The data tools end to end: a fill data set, the raw byte view and the
// settings backup on a simulated device, sent with "Update (7)" and checked
// against what the simulator holds afterwards.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "core/device_table.h"
#include "core/ini_file.h"
#include "core/parameter_codec.h"
#include "core/text_conversions.h"
#include "netlab_harness.h"

using namespace cobalin;
using namespace cobalin::e2e;

namespace {

constexpr double kTimeScale = 0.05;
constexpr const char* kMac = "02:7E:3A:04:C8:01";

// The simulator runs on the program's time scale, so its restart of two
// program seconds ends within the program's countdown.
class TimeScale {
public:
    TimeScale() { setenv("COBALIN_TIME_SCALE", std::to_string(kTimeScale).c_str(), 1); }
    ~TimeScale() { unsetenv("COBALIN_TIME_SCALE"); }
};


std::string WriteLan() {
    const std::string path = TempPath("cobalin-e2e-data.conf");
    std::ofstream(path) << "[device]\nmac = " << kMac
                        << "\nip = 192.168.1.11\nname = Dongle\nhwid = PCB-4193-02\nmodel = IPD-100\n"
                           "company = Zenta Solutions\nserial = D26000101\npassword = admin\nrestart = 2\n"
                           "version = V1.0.7\ndate = 2026-03-14\n";
    return path;
}

// An engineering-face program folder with the shipped data set 2.
std::string Home(const std::string& name) {
    const std::string dir = TempPath("cobalin-e2e-data-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/Setting.ini") << "[RunMode]\nStartupAutoDeviceType=1\nAdvancedMode=1\nAdvIPDMode=1\n";
    std::filesystem::copy_file(Env("COBALIN_SOURCE_DIR") + "/data/FillDataSet2.ini", dir + "/FillDataSet2.ini");
    return dir;
}

// The device's record as the simulator answers a search now (from a port of
// the test's own, beside the program's).
DeviceRecord SimRecord() {
    DeviceStore store;
    UdpClient client(40123);
    EXPECT_TRUE(client.bound());
    client.Send("255.255.255.255", kSearchPort, BuildSearchRequest(SearchNetwork, kSearchPort));
    for (const auto& r : client.CollectUntil([](const std::vector<Received>& got) { return got.size() >= 3; }, 5))
        ReplyIntake(store, r.data);
    EXPECT_EQ(store.DeviceCount, 1);
    EXPECT_EQ(store.DeviceTable[1].ReceivedPages, 7) << "all three pages";
    return store.DeviceTable[1].Record;
}

void SearchAndSelect(DriveProcess& app) {
    ASSERT_EQ(app.Do("click Command1").value("ok"), true);
    ASSERT_EQ(app.Do("idle 60").value("ok"), true);
    ASSERT_EQ(app.Get("List1", "items").toArray().size(), 1);
    ASSERT_EQ(app.Do("select List1 0").value("ok"), true);
}

void UpdateAndWait(DriveProcess& app) {
    ASSERT_EQ(app.Do("click Command9").value("ok"), true);
    ASSERT_EQ(app.Do("idle 120").value("ok"), true);
    // The follow-up search found the device, with the values it was sent.
    EXPECT_EQ(app.Text("Label54(1)"), "Ready");
    EXPECT_EQ(app.Get("Label1", "color"), 0) << app.Text("Label1");
    ASSERT_EQ(app.Get("List1", "items").toArray().size(), 1);
}

std::set<size_t> Differences(const DeviceRecord& a, const DeviceRecord& b) {
    std::set<size_t> at;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) at.insert(i);
    return at;
}

}  // namespace

TEST(DataE2E, FillIpDongleThenUpdateReachesTheDevice) {
    TimeScale scale;
    SimProcess sim(WriteLan());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    const DeviceRecord before = SimRecord();
    const std::string home = Home("fill");
    DriveProcess app(home, kTimeScale);
    SearchAndSelect(app);
    ASSERT_EQ(app.Do("click Command20").value("ok"), true);
    EXPECT_EQ(app.Do("dialogs").value("value").toArray().size(), 0);
    UpdateAndWait(app);

    // What the set should make of the record, by the codec's own encodings.
    const std::string file = home + "/FillDataSet2.ini";
    DeviceStore expected;
    expected.DeviceCount = 1;
    expected.DeviceTable[1].Record = before;
    ParameterTextArray texts;
    std::map<int, std::string> values;
    for (int row = 0; row <= 32; ++row) values[row] = ReadIni("Default", std::to_string(row), file);
    values[PagedRow::ModelNo] = "ZentaPower";
    for (const auto& [row, value] : values)
        if (!value.empty()) ApplyParameter(expected, texts, row, value, 1);
    const DeviceRecord& want = expected.DeviceTable[1].Record;

    const DeviceRecord after = SimRecord();
    // Every value a write carries: not the link rows of the status page, not
    // the port that the write sets by rule, not rows without bytes.
    const std::set<int> notCarried = {PagedRow::LinkIn, PagedRow::LinkOut, PagedRow::TcpUdpPort, PagedRow::Mac,
                                      PagedRow::VersionDate, PagedRow::PortStatus};
    int rowsCompared = 0;
    for (const FieldDef& f : PagedFields()) {
        if (notCarried.count(f.index) || values[f.index].empty()) continue;
        ++rowsCompared;
        for (size_t o = f.offset; o < size_t{f.offset} + f.size; ++o)
            EXPECT_EQ(after[o], want[o]) << "row " << int(f.index) << " (" << values[f.index] << ") byte " << o;
    }
    EXPECT_EQ(rowsCompared, 25);
    // The set changes the device: its address, name and serial settings.
    EXPECT_NE(after, before);
    EXPECT_EQ(FormatDotted(std::span<const uint8_t>(after.data() + 58, 4)), "192.168.1.200");
    EXPECT_EQ(after[177], 10) << "38400 baud";

    // The device came back showing them.
    ASSERT_EQ(app.Do("select List1 0").value("ok"), true);
    const QJsonArray shown = app.Get("List5", "items").toArray();
    ASSERT_EQ(shown.size(), 33);
    for (const auto& [row, value] : values) {
        if (value.empty() || notCarried.count(row)) continue;
        EXPECT_EQ(shown[row].toString().toStdString(), value) << "row " << row;
    }
    EXPECT_EQ(shown[PagedRow::TcpUdpPort].toString(), "4000");
}

TEST(DataE2E, RawViewChangesTheDeviceThereAndNowhereElse) {
    TimeScale scale;
    SimProcess sim(WriteLan());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    const DeviceRecord before = SimRecord();
    DriveProcess app(Home("raw"), kTimeScale);
    SearchAndSelect(app);
    ASSERT_EQ(app.Do("click Command13").value("ok"), true);  // "More..>"
    ASSERT_EQ(app.Do("click Command16").value("ok"), true);  // "Advance"
    // A stretch of page 0 and one of page 1 that no parameter row covers.
    struct Stretch {
        const char* start;
        const char* size;
        const char* typed;
        std::string bytes;
    };
    const Stretch stretches[] = {
        {"600", "8", "AB<0D><00>~<FF>z!", std::string("AB\r\0~\xFFz!", 8)},
        {"1500", "4", "<7F>x<20>y", "\x7Fx y"},
    };
    DeviceRecord want = before;
    for (const auto& s : stretches) {
        ASSERT_EQ(app.Do(std::string("type Text1 ") + s.start).value("ok"), true);
        ASSERT_EQ(app.Do(std::string("type Text2 ") + s.size).value("ok"), true);
        ASSERT_EQ(app.Do("click Command15").value("ok"), true);
        ASSERT_EQ(app.Do(std::string("type Text5 ") + s.typed).value("ok"), true);
        ASSERT_EQ(app.Do("click Command17").value("ok"), true);
        EXPECT_EQ(app.Text("Label41"), "OK") << s.start;
        std::copy(s.bytes.begin(), s.bytes.end(), want.begin() + std::atoi(s.start));
    }
    UpdateAndWait(app);
    const DeviceRecord after = SimRecord();
    EXPECT_EQ(Differences(before, after), Differences(before, want));
    EXPECT_EQ(after, want);
}

TEST(DataE2E, BackupHoldsTheDevicesRecordByteForByte) {
    TimeScale scale;
    SimProcess sim(WriteLan());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    const DeviceRecord record = SimRecord();
    const std::string home = Home("backup");
    DriveProcess app(home, kTimeScale);
    SearchAndSelect(app);
    ASSERT_EQ(app.Do("invoke Command26").value("ok"), true);  // "Misc.", hidden in the command panel
    ASSERT_EQ(app.Do("answer text:e2e-backup").value("ok"), true);
    ASSERT_EQ(app.Do("click Command11").value("ok"), true);
    const QJsonArray shown = app.Do("dialogs").value("value").toArray();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].toObject().value("text").toString().toStdString(),
              std::string("Please enter setting file name for NSV (") + kMac + ")");

    // Read back by Python's own INI reader, not the program's.
    const std::string command = "python3 " + Env("COBALIN_SOURCE_DIR") + "/tests/data/read_backup.py " + home + "/e2e-backup.ini";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    std::string hex;
    for (uint8_t b : record) hex += HexByte(b);
    EXPECT_EQ(out, std::string("MAC=") + kMac + "\nBYTES=3000\nHEX=" + hex + "\n");
}

TEST(DataE2E, RestoreSettingPutsTheBackupBackThroughUpdate) {
    TimeScale scale;
    SimProcess sim(WriteLan());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    const DeviceRecord first = SimRecord();
    const std::string home = Home("restore");
    DriveProcess app(home, kTimeScale);
    SearchAndSelect(app);
    ASSERT_EQ(app.Do("invoke Command26").value("ok"), true);  // "Misc."
    ASSERT_EQ(app.Do("answer text:e2e-first").value("ok"), true);
    ASSERT_EQ(app.Do("click Command11").value("ok"), true);
    app.Do("dialogs");
    // The device changes: another name and company, typed into the editor.
    for (const auto& [row, text] : {std::pair{"0", "Moved"}, std::pair{"30", "Elsewhere Ltd"}}) {
        ASSERT_EQ(app.Do(std::string("select List5 ") + row).value("ok"), true);
        ASSERT_EQ(app.Do(std::string("type Text4 ") + text).value("ok"), true);
        ASSERT_EQ(app.Do("click Command6").value("ok"), true);
    }
    UpdateAndWait(app);
    ASSERT_NE(SimRecord(), first);

    // A malformed backup is refused, and nothing changes.
    std::ofstream(home + "/broken.ini") << "[NSV]\r\nMAC=" << kMac << "\r\nBytes=3000\r\n";
    std::filesystem::permissions(home + "/broken.ini", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(app.Do("select List1 0").value("ok"), true);
    ASSERT_EQ(app.Do("answer text:broken").value("ok"), true);
    ASSERT_EQ(app.Do("click Command40").value("ok"), true);
    EXPECT_EQ(app.Text("Label1"), "Not restored: the backup " + home + "/broken.ini, no section [" + kMac + "], which [NSV] names");
    EXPECT_EQ(app.Get("Label1", "color"), 255);

    // The newest backup of this device is offered; taking it loads it into
    // the record copy and says which rows change.
    ASSERT_EQ(app.Do("answer OK").value("ok"), true);
    ASSERT_EQ(app.Do("click Command40").value("ok"), true);
    const QJsonArray shown = app.Do("dialogs").value("value").toArray();
    ASSERT_EQ(shown.size(), 2);
    const QJsonObject box = shown[1].toObject();
    EXPECT_EQ(box.value("title").toString(), "Restore setting");
    EXPECT_EQ(box.value("text").toString().toStdString(), std::string("Please enter setting file name to restore into NSV (") + kMac + ")");
    EXPECT_EQ(box.value("default").toString(), "e2e-first");
    EXPECT_EQ(app.Text("Label1"), "Restored from e2e-first.ini: Server name, Company Name; Update (7) sends it");
    EXPECT_EQ(app.Get("List5", "items").toArray()[PagedRow::ServerName].toString(), "Dongle");
    EXPECT_EQ(SimRecord()[10], 'M') << "nothing sent before Update (7)";

    UpdateAndWait(app);
    const DeviceRecord after = SimRecord();
    // Pages 0 and 1 as the backup holds them, headers and all.
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 1990, after.begin()));
}
