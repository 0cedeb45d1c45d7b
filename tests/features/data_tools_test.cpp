// The fill buttons, the settings backup and the raw byte view on devices put
// straight into the table (nothing is sent).
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "app/app_fixture.h"
#include "core/ansi_text.h"
#include "core/backup_reader.h"
#include "core/device_class.h"
#include "core/ini_file.h"
#include "core/settings_backup.h"
#include "core/parameter_codec.h"
#include "listed_device.h"
#include "record_builder.h"
#include "writable_store.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::AppFixture;
using cobalin::testing::Auto;
using cobalin::testing::ListDevice;
using cobalin::testing::Mac;
using cobalin::testing::RecordBuilder;
using cobalin::testing::SetRows;
using P = PagedRow;

namespace {

const std::string kEngineering = Auto(2, "AdvancedMode=1\nAdvIPDMode=1\n");

// A paged device with a value in every row's bytes, listed in List1.
void AddPagedDevice(AppFixture& app, uint8_t last) {
    using P = PagedRow;
    const auto record = RecordBuilder::Paged(Mac(last))
                            .PatternPage0()
                            .Row(P::ServerName, "Dev" + std::to_string(last))
                            .Row(P::ModelNo, "OLD-MODEL")
                            .Row(P::HardwareId, "PCB-4160-01")
                            .Row(P::BaudRate, "1200")
                            .Row(P::Parity, "Odd")
                            .Row(P::TcpAliveTimeout, "9")
                            .Row(P::SerialPort, "1")
                            .Row(P::Protocol, "TCP");
    ListDevice(*Writable(app.state->Devices), app.c("List1"), record.Pages());
}

void AddShortDevice(AppFixture& app, uint8_t last) {
    cobalin::testing::ListShortDevice(*Writable(app.state->Devices), app.c("List1"), last);
}

DeviceRecord& Record(AppFixture& app, int device) { return Writable(app.state->Devices)->DeviceTable[static_cast<size_t>(device)].Record; }

void Press(AppFixture& app, const char* button) { emit app.main().Get<QPushButton>(button)->clicked(); }

// A data set file: every key "0"-"32", empty unless given, missing when omitted.
std::string DataSet(const std::map<int, std::string>& values, const std::set<int>& omitted = {}) {
    std::string text = "; a test data set\r\n[Default]\r\n";
    for (int row = 0; row <= 32; ++row) {
        if (omitted.count(row)) continue;
        const auto it = values.find(row);
        text += std::to_string(row) + "=" + (it == values.end() ? "" : it->second) + "\r\n";
    }
    return text;
}

constexpr const char* kMacName = "027E3A04C805";  // the MAC of device 5 without ":"

}  // namespace

TEST(FillDataSets, RowsOfEachSet) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    const DeviceRecord original = Record(app, 1);
    struct Case {
        const char* what;
        const char* button;
        int set;
        std::map<int, std::string> keys;
        std::set<int> omitted;
        std::function<void(DeviceRecord&)> want;
        QString note = {};  // Label1 afterwards, in red; empty: no note
    };
    const Case cases[] = {
        {"set 4, only baud: row 12 and the MAC name", "Command28", 4, {{12, "115200"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::BaudRate, "115200"}}); }},
        {"set 3 alike", "Command25", 3, {{12, "115200"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::BaudRate, "115200"}}); }},
        {"set 1: and its model name", "Command7", 1, {{12, "115200"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::BaudRate, "115200"}, {P::ModelNo, "Zenta-630"}}); }},
        {"set 1 ignores key 0", "Command36", 1, {{0, "Ignored"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::ModelNo, "Zenta-5400"}}); }},
        {"set 2 reads key 0", "Command20", 2, {{0, "Dongle-7"}, {12, "115200"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, "Dongle-7"}, {P::BaudRate, "115200"}, {P::ModelNo, "ZentaPower"}}); }},
        {"spaces around a value", "Command28", 4, {{12, "   9600   "}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::BaudRate, "9600"}}); }},
        {"missing keys 14 and 18 apply \"0\"", "Command28", 4, {}, {14, 18},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::TcpAliveTimeout, "0"}}); }, "Not as typed: Parity (refused)"},
        {"key 29 stands in set 4", "Command28", 4, {{29, "LM-200U"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::ModelNo, "LM-200U"}}); }},
        {"key 29 stands in set 3", "Command25", 3, {{29, "LM-WIFI"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::ModelNo, "LM-WIFI"}}); }},
        {"key 29 overwritten in set 1", "Command38", 1, {{29, "LM-200U"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}, {P::ModelNo, "Zenta-5200"}}); }},
        {"rows 7, 8, 23 change no byte", "Command28", 4, {{7, "AA:BB"}, {8, "V9"}, {23, "Connected"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}}); }},
        {"\"N/A\" leaves a row alone", "Command28", 4, {{12, "N/A"}, {3, "N/A"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}}); }},
        {"a choice that matches nothing writes nothing", "Command28", 4, {{14, "Sometimes"}, {12, "115201"}}, {},
         [](DeviceRecord& r) { SetRows(r, {{P::ServerName, kMacName}}); }, "Not as typed: Baud rate (refused), Parity (refused)"},
        {"rows the editor does not let a user change", "Command28", 4,
         {{1, "HW-SERIAL-1"}, {20, "13"}, {21, "10"}, {22, "500"}, {26, "Data Arrived"}}, {},
         [](DeviceRecord& r) {
             SetRows(r, {{P::ServerName, kMacName}, {P::SerialHardware, "HW-SERIAL-1"}, {P::DelimiterHex1, "13"},
                         {P::DelimiterHex2, "10"}, {P::ForceTransmit, "500"}, {P::ConnectionAt, "Data Arrived"}});
         }},
    };
    for (const auto& c : cases) {
        Record(app, 1) = original;
        SelectRow(app.c("List1"), 0);
        app.dir.Write("FillDataSet" + std::to_string(c.set) + ".ini", DataSet(c.keys, c.omitted));
        Press(app, c.button);
        DeviceRecord want = original;
        c.want(want);
        EXPECT_EQ(Record(app, 1), want) << c.what;
        EXPECT_EQ(app.dialogs.shownCount(), 0) << c.what;
        // The value list shows what the record now holds, row by row; where
        // that is not what the set says, one line in red says which rows.
        ParameterTextArray decoded;
        DecodeRecord(Record(app, 1), decoded);
        for (size_t row = 0; row < kParameterCount; ++row)
            EXPECT_EQ(Items(app.c("List5")).value(static_cast<int>(row)).toStdString(), AnsiToUtf8(decoded[row])) << c.what << " row " << row;
        EXPECT_EQ(app.state->ParameterTexts, decoded) << c.what;
        if (!c.note.isEmpty()) {
            EXPECT_EQ(TextOf(app.c("Label1")), c.note) << c.what;
        }
        EXPECT_EQ(ForeColor(app.c("Label1")), c.note.isEmpty() ? 0u : 255u) << c.what;
    }
    EXPECT_EQ(app.state->ParameterTexts[PagedRow::SerialHardware], "HW-SERIAL-1");
}

TEST(FillDataSets, NothingWithoutASelectedDevice) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    app.dir.Write("FillDataSet1.ini", DataSet({{12, "115200"}}));
    const DeviceRecord before = Record(app, 1);
    Press(app, "Command7");
    EXPECT_EQ(Record(app, 1), before);
    // After a search has emptied the list, the index of a former selection
    // names no device of the list.
    SelectRow(app.c("List1"), 0);
    SetRowQuietly(app.c("List1"), -1);
    Press(app, "Command7");
    EXPECT_EQ(Record(app, 1), before);
    EXPECT_EQ(app.dialogs.shownCount(), 0);
}

TEST(FillDataSets, AnUnusableDataSetChangesNothingAndSaysSo) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    SelectRow(app.c("List1"), 0);
    const DeviceRecord before = Record(app, 1);
    const QStringList listBefore = Items(app.c("List5"));
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"missing", [&] { std::filesystem::remove_all(app.dir.File("FillDataSet1.ini")); }},
        {"no Default section", [&] { app.dir.Write("FillDataSet1.ini", "[Defaults]\r\n12=115200\r\n"); }},
        {"empty", [&] { app.dir.Write("FillDataSet1.ini", ""); }},
        {"a folder in its place",
         [&] {
             std::filesystem::remove_all(app.dir.File("FillDataSet1.ini"));
             std::filesystem::create_directory(app.dir.File("FillDataSet1.ini"));
         }},
    };
    for (const auto& c : cases) {
        c.make();
        Press(app, "Command7");
        EXPECT_EQ(Record(app, 1), before) << c.what;
        EXPECT_EQ(Items(app.c("List5")), listBefore) << c.what;
        EXPECT_NE(TextOf(app.c("Text4")), "Zenta-630") << c.what;
        const QJsonArray shown = app.dialogs.TakeShown();
        ASSERT_EQ(shown.size(), 1) << c.what;
        const QString text = shown[0].toObject().value("text").toString();
        EXPECT_TRUE(text.contains("FillDataSet1.ini")) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromStdString(app.dir.path().string()))) << text.toStdString();
        EXPECT_EQ(shown[0].toObject().value("icon").toString(), "warning");
    }
    // The data set of another button is another file.
    app.dir.Write("FillDataSet4.ini", DataSet({{12, "115200"}}));
    Press(app, "Command28");
    EXPECT_EQ(Record(app, 1)[177], 12);
    EXPECT_EQ(app.dialogs.shownCount(), 0);
}

TEST(FillDataSets, AShortRecordTakesNothingAndNoModel) {
    // The rows come from the chosen device's record format, not from the
    // value list's length: a paged device's list is never 11 lines long.
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    SelectRow(app.c("List1"), 0);
    auto* list5 = app.main().Get<QListWidget>("List5");
    app.dir.Write("FillDataSet1.ini", DataSet({{10, "PCB-4160-02"}, {12, "115200"}, {29, "Model"}}));

    // A short-format device: its 11 rows are not the editor's rows, and no
    // byte of its record changes.
    AddShortDevice(app, 9);
    SelectRow(app.c("List1"), 1);
    ASSERT_EQ(ItemCount(list5), 11);
    const DeviceRecord shortBefore = Record(app, 2);
    const QStringList listBefore = Items(list5);
    Press(app, "Command7");
    EXPECT_EQ(Record(app, 2), shortBefore);
    EXPECT_EQ(Items(list5), listBefore);
    EXPECT_NE(TextOf(app.c("Text4")), "Zenta-630");
}

TEST(FillDataSets, ShippedDataSetsAreCompleteAndKeepEachDeviceInItsClass) {
    struct Case {
        int set;
        const char* button;
        DeviceClass cls;
        std::set<int> notFromFile;  // rows the button fills otherwise
    };
    const Case cases[] = {
        {1, "Command7", DeviceClass::ZentaBox, {0, 29}},
        {2, "Command20", DeviceClass::IpDongle, {29}},
        {3, "Command25", DeviceClass::None, {0}},
        {4, "Command28", DeviceClass::None, {0}},
    };
    for (const auto& c : cases) {
        const std::string name = "FillDataSet" + std::to_string(c.set) + ".ini";
        const std::string file = COBALIN_SOURCE_DIR "/data/" + name;
        for (int row = 0; row <= 32; ++row)
            EXPECT_TRUE(LookupIni("Default", std::to_string(row), file).has_value()) << name << " row " << row;
        for (int row : {7, 8, 23}) EXPECT_EQ(ReadIni("Default", std::to_string(row), file), "") << name << " row " << row;

        AppFixture app(kEngineering);
        std::filesystem::copy_file(file, app.dir.File(name));
        AddPagedDevice(app, 5);
        SelectRow(app.c("List1"), 0);
        Press(app, c.button);
        ASSERT_EQ(app.dialogs.shownCount(), 0) << name;
        // Decoded again, every row the set fills shows the file's value: no
        // value is one its row's encoding refuses.
        SelectRow(app.c("List1"), 0);
        const ParameterTextArray& texts = app.state->ParameterTexts;
        for (int row = 0; row <= 32; ++row) {
            const std::string value = ReadIni("Default", std::to_string(row), file);
            if (value.empty() || c.notFromFile.count(row) || PagedFields()[static_cast<size_t>(row)].write == WriteRule::None)
                continue;
            EXPECT_EQ(texts[static_cast<size_t>(row)], value) << name << " row " << row;
        }
        EXPECT_EQ(ClassifyDevice(texts[PagedRow::Mac], texts[PagedRow::Mac], texts[PagedRow::HardwareId]), c.cls) << name;
    }
}

namespace {

// Counts the files made in a folder. A file replaced as a whole is written
// beside itself first, so each replacement makes one file (each with a name
// of its own, so no two events merge).
class FileCreations {
public:
    explicit FileCreations(const std::string& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, folder.c_str(), IN_CREATE);
    }
    ~FileCreations() { close(fd_); }
    int Count() {
        alignas(inotify_event) char buf[1 << 16];
        for (ssize_t n; (n = read(fd_, buf, sizeof buf)) > 0;) {
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                ++count_;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return count_;
    }

private:
    int fd_;
    int count_ = 0;
};

std::string BackupOf(const DeviceRecord& r, const std::string& mac) {
    return "MAC=" + mac + "\nBYTES=3000\nHEX=" + cobalin::testing::UpperHex(r) + "\n";
}

}  // namespace

TEST(SettingsBackup, WritesTheWholeRecordInOneReplacement) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    AddPagedDevice(app, 6);
    SelectRow(app.c("List1"), 1);
    const std::string mac = "02:7E:3A:04:C8:06";
    FileCreations creations(app.dir.path().string());
    app.dialogs.QueueAnswer("text:first");
    Press(app, "Command11");
    const QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    const QJsonObject box = shown[0].toObject();
    EXPECT_EQ(box.value("kind").toString(), "input");
    EXPECT_EQ(box.value("title").toString(), "Backup setting");
    EXPECT_EQ(box.value("text").toString(), "Please enter setting file name for NSV (02:7E:3A:04:C8:06)");
    EXPECT_TRUE(QRegularExpression("^20\\d{12}-NSV02-7E-3A-04-C8-06$").match(box.value("default").toString()).hasMatch())
        << box.value("default").toString().toStdString();
    const std::string file = app.dir.File("first.ini");
    EXPECT_EQ(cobalin::testing::ReadBackup(file), BackupOf(Record(app, 2), mac));
    EXPECT_EQ(creations.Count(), 1) << "one replacement of the file, not one per key";
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "it holds the device's password, whatever the umask";

    // A second backup into the same file replaces the keys of the first; a
    // key only the first had stays.
    ASSERT_NE(WriteIni(mac, "189) Hx00000BC0  ", "EE", file), 0);
    Record(app, 2)[3000] = 0x5A;
    app.dialogs.QueueAnswer("text:first");
    Press(app, "Command11");
    EXPECT_EQ(cobalin::testing::ReadBackup(file), BackupOf(Record(app, 2), mac));
    EXPECT_EQ(ReadIni(mac, "188) Hx00000BB0", file).substr(16), "5A");
    EXPECT_EQ(ReadIni(mac, "189) Hx00000BC0", file), "EE");
    EXPECT_EQ(app.dialogs.TakeShown().size(), 1) << "only the input box: success says nothing";

    // The pre-filled name is taken as it is.
    SelectRow(app.c("List1"), 0);
    Press(app, "Command11");
    const QString name = app.dialogs.TakeShown()[0].toObject().value("default").toString();
    EXPECT_EQ(cobalin::testing::ReadBackup(app.dir.File(name.toStdString() + ".ini")),
              BackupOf(Record(app, 1), "02:7E:3A:04:C8:05"));
}

TEST(SettingsBackup, WritesNothingWhenAskedNotToOrWithoutADevice) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    auto files = [&app] {
        int n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(app.dir.path())) ++n;
        return n;
    };
    const int before = files();
    // No device selected: the box is still shown, with an empty MAC.
    app.dialogs.QueueAnswer("text:none");
    Press(app, "Command11");
    QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].toObject().value("text").toString(), "Please enter setting file name for NSV ()");
    EXPECT_TRUE(QRegularExpression("^\\d{14}-NSV$").match(shown[0].toObject().value("default").toString()).hasMatch());
    SelectRow(app.c("List1"), 0);
    for (const char* answer : {"Cancel", "text:"}) {
        app.dialogs.QueueAnswer(answer);
        Press(app, "Command11");
        EXPECT_EQ(app.dialogs.TakeShown().size(), 1) << answer;
    }
    EXPECT_EQ(files(), before);
}

TEST(SettingsRestore, LoadsTheNewestBackupIntoTheRecordCopyOrSaysWhyNot) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    Press(app, "Command40");
    EXPECT_EQ(app.text("Label1"), "Not restored: no device of the last search is chosen");
    EXPECT_EQ(app.dialogs.TakeShown().size(), 0u);
    SelectRow(app.c("List1"), 0);
    const DeviceRecord first = Record(app, 1);
    DeviceRecord renamed = first;
    SetRows(renamed, {{PagedRow::ServerName, "Renamed"}, {PagedRow::BaudRate, "9600"}});
    DeviceRecord otherModel = first;
    SetRows(otherModel, {{PagedRow::ModelNo, "NEW-MODEL"}});
    const std::string mac = "02:7E:3A:04:C8:05";
    const auto write = [&](const std::string& name, const DeviceRecord& r, std::filesystem::perms perms) {
        ASSERT_NE(WriteIniEntries(BackupEntries(mac, r), app.dir.File(name + ".ini")), 0);
        std::filesystem::permissions(app.dir.File(name + ".ini"), perms);
    };
    using std::filesystem::perms;
    write("readable", renamed, perms::owner_read | perms::owner_write | perms::group_read);
    write("model", otherModel, perms::owner_read | perms::owner_write);
    const struct {
        const char* answer;
        std::string status;
    } refused[] = {
        {"text:readable", "Not restored: the backup " + app.dir.File("readable.ini") +
                              " holds a device's password but group or others may read it; run: chmod 600 " +
                              app.dir.File("readable.ini")},
        {"text:model", "Not restored: the backup is of model \"NEW-MODEL\", this device is \"OLD-MODEL\""},
        {"text:missing", "Not restored: cannot read the backup " + app.dir.File("missing.ini")},
    };
    for (const auto& c : refused) {
        app.dialogs.QueueAnswer(c.answer);
        Press(app, "Command40");
        EXPECT_EQ(app.text("Label1").toStdString(), c.status);
        EXPECT_EQ(ForeColor(app.c("Label1")), kRed);
        EXPECT_EQ(Record(app, 1), first) << c.answer;
    }
    // The newest backup of this device is offered, and taken.
    write("renamed", renamed, perms::owner_read | perms::owner_write);
    std::filesystem::last_write_time(app.dir.File("model.ini"),
                                     std::filesystem::last_write_time(app.dir.File("renamed.ini")) - std::chrono::hours(1));
    app.dialogs.TakeShown();
    Press(app, "Command40");
    const QJsonObject box = app.dialogs.TakeShown()[0].toObject();
    EXPECT_EQ(box.value("title").toString(), "Restore setting");
    EXPECT_EQ(box.value("text").toString(), "Please enter setting file name to restore into NSV (02:7E:3A:04:C8:05)");
    EXPECT_EQ(box.value("default").toString(), "renamed");
    EXPECT_EQ(app.text("Label1"), "Restored from renamed.ini: Server name, Baud rate; Update (7) sends it");
    EXPECT_EQ(ForeColor(app.c("Label1")), kBlack);
    EXPECT_EQ(Record(app, 1), renamed);
    EXPECT_EQ(Items(app.c("List5")).value(PagedRow::ServerName), "Renamed");
    EXPECT_EQ(app.state->ParameterTexts[PagedRow::BaudRate], "9600");
    // Once more: it holds the backup already.
    app.dialogs.QueueAnswer("text:renamed");
    Press(app, "Command40");
    EXPECT_EQ(app.text("Label1"), "Not restored: the device holds what renamed.ini holds already");
}

TEST(SettingsBackup, RefusesNamesOutsideTheFolderAndReportsFailedWrites) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    SelectRow(app.c("List1"), 0);
    std::filesystem::create_directory(app.dir.File("sub"));
    const std::string outside = app.dir.File("sub") + "/../../cobalin-outside-" + std::to_string(getpid());
    for (const std::string& name : {std::string("sub/x"), std::string("../x"), std::string(".."), outside,
                                   std::string("a\\b"), std::string("C:x")}) {
        app.dialogs.QueueAnswer(QString::fromStdString("text:" + name));
        Press(app, "Command11");
        const QJsonArray shown = app.dialogs.TakeShown();
        ASSERT_EQ(shown.size(), 2) << name;
        const QJsonObject message = shown[1].toObject();
        EXPECT_EQ(message.value("kind").toString(), "message") << name;
        EXPECT_EQ(message.value("title").toString(), "Backup setting");
        EXPECT_TRUE(message.value("text").toString().contains(QString::fromStdString(name))) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(app.dir.File("sub/x.ini")));
    EXPECT_FALSE(std::filesystem::exists(outside + ".ini"));
    EXPECT_TRUE(std::filesystem::is_empty(app.dir.File("sub")));

    // A file that cannot be written is reported, not taken for a backup.
    std::filesystem::create_directory(app.dir.File("taken.ini"));
    app.dialogs.QueueAnswer("text:taken");
    Press(app, "Command11");
    const QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1].toObject().value("icon").toString(), "critical");
    EXPECT_TRUE(shown[1].toObject().value("text").toString().contains(QString::fromStdString(app.dir.File("taken.ini"))));
    EXPECT_TRUE(std::filesystem::is_empty(app.dir.File("taken.ini")));
}

namespace {

struct RawView {
    AppFixture& app;
    void Range(const QString& start, const QString& size) {
        SetText(app.c("Text1"), start);
        SetText(app.c("Text2"), size);
    }
    void View() { Press(app, "Command15"); }
    void Update(const QString& raw) {
        SetText(app.c("Text5"), raw);
        Press(app, "Command17");
    }
    QString Text(const char* name) { return TextOf(app.c(name)); }
};

}  // namespace

TEST(RawByteView, ViewShowsTheStretch) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    RawView v{app};
    EXPECT_EQ(v.Text("Text1"), "156");
    EXPECT_EQ(v.Text("Text2"), "15");
    v.View();
    EXPECT_EQ(v.Text("Text3"), "") << "no device selected: nothing";
    SelectRow(app.c("List1"), 0);
    DeviceRecord& r = Record(app, 1);
    // Raw bytes across two fields: the view shows bytes, not rows.
    std::fill_n(r.begin() + 156, 15, 0);
    cobalin::testing::PutText(r, 156, "ABC~ Z");
    r[160] = 0x0D, r[162] = 0x7F, r[163] = 0x80, r[164] = 0x81, r[165] = '<';
    v.View();
    const QString escaped = "ABC~<0D>Z<7F><80><81><<00><00><00><00><00>";
    EXPECT_EQ(v.Text("Text3"), escaped);
    EXPECT_EQ(v.Text("Label1"), escaped);
    EXPECT_EQ(v.Text("Text5"), QString::fromUtf8("ABC~\rZ\x7F\xE2\x82\xAC\xC2\x81<") + QString(5, QChar(0)));

    struct Case {
        uint8_t byte;
        const char* shown;
    };
    const Case cases[] = {{0x0D, "<0D>"}, {0x41, "A"}, {0x20, "<20>"}, {0x7F, "<7F>"}, {0x7E, "~"}, {0x00, "<00>"}, {0xFF, "<FF>"}};
    v.Range("3000", "1");
    for (const auto& c : cases) {
        r[3000] = c.byte;
        v.View();
        EXPECT_EQ(v.Text("Text3"), c.shown);
        EXPECT_EQ(v.Text("Label1"), c.shown);
    }
}

TEST(RawByteView, UpdateWritesTheTypedBytes) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    SelectRow(app.c("List1"), 0);
    DeviceRecord& r = Record(app, 1);
    RawView v{app};
    struct Case {
        const char* start;
        const char* size;
        QString raw;
        const char* result;
        std::string written;  // the bytes at start afterwards, empty for none
    };
    const Case cases[] = {
        {"200", "3", "AB<0D>", "OK", "AB\r"},
        {"200", "3", "AB<0d>", "Error!", ""},         // six characters
        {"200", "4", "<G5>", "OK", "<G5>"},
        {"200", "2", QString::fromUtf8("\xE2\x82\xAC<00>"), "OK", std::string("\x80\0", 2)},
        {"200", "1", QString::fromUtf8("\xE4\xB8\xAD"), "Error!", ""},  // no Windows-1252 byte
        {"200", "1", QString(QChar(0x0141)), "Error!", ""},
        {"200", "3", "  x", "OK", "  x"},
        {"200", "0", "", "OK", ""},
        // Taken, but no update sends these bytes as they stand: the port of
        // the first serial block, a page header, page 2 and beyond.
        {"2999", "2", "AB", "OK, not sent: 2999-3000", "AB"},
        {"2999", "2", "AB", "OK", "AB"},                  // the same bytes again: nothing changed
        {"172", "4", "ABCD", "OK, not sent: 174-175", "ABCD"},
        {"1006", "4", "WXYZ", "OK, not sent: 1008-1009", "WXYZ"},
        {"1989", "2", "QR", "OK, not sent: 1990", "QR"},
        {"3000", "2", "AB", "Error!", ""},               // past the record's end
        {"-1", "2", "AB", "Error!", ""},
        {"200", "-2", "AB", "Error!", ""},
        {"1.5", "2", "AB", "Error!", ""},
        {"200", "2x", "AB", "Error!", ""},
        {"", "2", "AB", "Error!", ""},
    };
    for (const auto& c : cases) {
        const DeviceRecord before = r;
        v.Range(c.start, c.size);
        v.Update(c.raw);
        EXPECT_EQ(v.Text("Label41"), c.result) << c.raw.toStdString();
        EXPECT_EQ(ForeColor(app.c("Label41")), QString(c.result).startsWith("OK,") ? 255u : 0u) << c.start;
        DeviceRecord want = before;
        std::copy(c.written.begin(), c.written.end(), want.begin() + std::atoi(c.start));
        EXPECT_EQ(r, want) << c.start << "/" << c.size << " " << c.raw.toStdString();
    }
    // A device updated through its LAN-module record gets none of these bytes.
    Writable(app.state->Devices)->DeviceTable[1].FormatTag = RecordFormat::WithModule;
    v.Range("200", "3");
    v.Update("xyz");
    EXPECT_EQ(v.Text("Label41"), "OK, not sent: 200-202");
    Writable(app.state->Devices)->DeviceTable[1].FormatTag = RecordFormat::Paged;

    // A stretch that is not one leaves the boxes of "View" as they were.
    v.Range("156", "15");
    v.View();
    const QString text3 = v.Text("Text3"), text5 = v.Text("Text5"), label1 = v.Text("Label1");
    for (const auto& [start, size] : std::vector<std::pair<QString, QString>>{{"3000", "2"}, {"-1", "2"}, {"a", "1"}, {"1", ""}}) {
        v.Range(start, size);
        v.View();
        EXPECT_EQ(v.Text("Text3"), text3) << start.toStdString();
        EXPECT_EQ(v.Text("Text5"), text5);
        EXPECT_EQ(v.Text("Label1"), label1);
    }
}

TEST(RawByteView, EveryByteComesBackThroughViewAndUpdate) {
    AppFixture app(kEngineering);
    AddPagedDevice(app, 5);
    SelectRow(app.c("List1"), 0);
    DeviceRecord& r = Record(app, 1);
    for (int b = 0; b < 256; ++b) r[1100 + b] = static_cast<uint8_t>(b);
    const DeviceRecord viewed = r;
    RawView v{app};
    v.Range("1100", "256");
    v.View();
    std::fill_n(r.begin() + 1100, 256, 0xEE);
    Press(app, "Command17");
    EXPECT_EQ(v.Text("Label41"), "OK");
    EXPECT_EQ(r, viewed);
}

TEST(RawByteView, HideHidesTheFrame) {
    AppFixture app(kEngineering);
    Press(app, "Command16");
    EXPECT_TRUE(app.visible("Frame11"));
    Press(app, "Command18");
    EXPECT_FALSE(app.visible("Frame11"));
    // Update without a device changes nothing, not even the result line.
    SetCaption(app.c("Label41"), "OK");
    Press(app, "Command17");
    EXPECT_EQ(TextOf(app.c("Label41")), "OK");
}
