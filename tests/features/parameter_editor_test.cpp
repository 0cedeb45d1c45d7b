// The parameter editor with devices put straight into the table: the two
// lists kept in step, the "Set Value" frame for every kind of row, "Apply (6)"
// into the record copy and the module record, and the "Ping" check with a
// stand-in for the network. Nothing here reaches a socket.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QComboBox>

#include "core/lan_module.h"
#include "core/ping.h"
#include "writes_fixture.h"
#include "writable_store.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::MacText;
using cobalin::testing::UsualRecord;
using cobalin::testing::WritesApp;

namespace {

QStringList ChoiceTexts(int row) {
    QStringList out;
    for (const auto& c : RowChoices(row)) out << QString::fromUtf8(c.data(), static_cast<int>(c.size()));
    return out;
}

// Counts the runs of the value list's handler: each run sets Label5 once.
struct HandlerRuns {
    HandlerRuns() {
        SetControlObserver([this](QObject* o, ControlProperty p) {
            if (o->objectName() == "Label5" && p == ControlProperty::Caption) ++runs;
        });
    }
    ~HandlerRuns() { SetControlObserver({}); }
    int runs = 0;
};

bool SocketsClosed(const WritesApp& app) {
    for (auto* s : {app.form.UDP8888, app.form.UDP8890, app.form.UDPsck, app.form.TCP5300Cmd})
        if (s->State() != SocketControl::kClosed) return false;
    return true;
}

}  // namespace

TEST(ParameterEditor, EitherListSelectsTheSameRowInTheOtherWithOneHandlerRun) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    ASSERT_EQ(app.items("List4").size(), 33);
    auto* list4 = app.form.Get<QListWidget>("List4");
    auto* list5 = app.form.Get<QListWidget>("List5");

    struct Case {
        const char* how;
        std::function<void(int)> select;
    };
    const Case cases[] = {
        {"user picks a name", [&](int r) { list4->setCurrentRow(r); }},
        {"user picks a value", [&](int r) { list5->setCurrentRow(r); }},
        {"code selects a value", [&](int r) { SelectRow(app.c("List5"), r); }},
        {"code selects a name", [&](int r) { SelectRow(app.c("List4"), r); }},
    };
    for (const Case& c : cases) {
        for (const int r : {0, 12, 4, 32, 7}) {
            HandlerRuns h;
            c.select(r);
            EXPECT_EQ(h.runs, 1) << c.how << " row " << r;
            EXPECT_EQ(list4->currentRow(), r) << c.how;
            EXPECT_EQ(list5->currentRow(), r) << c.how;
            EXPECT_EQ(app.text("Label5"), app.items("List4")[r]) << c.how;
            EXPECT_TRUE(app.visible("Frame2"));
        }
    }
    // No row: nothing is set up.
    HandlerRuns h;
    SelectRow(app.c("List5"), -1);
    EXPECT_EQ(h.runs, 0);
}

TEST(ParameterEditor, ChoiceRowsOfferTheirListWithTheCurrentEntrySelected) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    for (const int r : {3, 9, 11, 12, 13, 14, 15, 16, 19, 25, 27, 32}) {
        app.row(r);
        const QString current = app.items("List5")[r];
        const QStringList choices = ChoiceTexts(r);
        EXPECT_TRUE(app.visible("Combo3")) << r;
        EXPECT_FALSE(app.visible("Text4")) << r;
        EXPECT_FALSE(app.visible("Command5")) << r;
        EXPECT_EQ(app.items("Combo3"), choices) << r;
        ASSERT_GE(choices.indexOf(current), 0) << r << " " << current.toStdString();
        EXPECT_EQ(SelectedRow(app.c("Combo3")), choices.indexOf(current)) << r;
        EXPECT_EQ(app.text("Text4"), current) << r;
        const bool editable = r != 9 && r != 32;
        for (const char* name : {"Command6", "Combo3", "Text4"}) EXPECT_EQ(app.enabled(name), editable) << r << name;
    }

    // The list shows a text that is none of the choices: no entry, Text4 empty.
    const struct {
        int row;
        QString text;
    } unmatched[] = {{12, "9601"}, {3, "enable"}, {27, "01"}, {13, "8-1 "}, {11, "0"}};
    for (const auto& u : unmatched) {
        SetItemText(app.c("List5"), u.row, u.text);
        app.row(u.row);
        EXPECT_EQ(SelectedRow(app.c("Combo3")), -1) << u.row;
        EXPECT_EQ(app.text("Text4"), "") << u.row;
        EXPECT_EQ(ItemCount(app.c("Combo3")), ChoiceTexts(u.row).size()) << u.row;
    }

    // Picking an entry copies it into Text4, which Apply takes.
    app.row(12);
    auto* combo = app.form.Get<QComboBox>("Combo3");
    combo->setCurrentIndex(14);
    emit combo->activated(14);  // the user's pick
    EXPECT_EQ(app.text("Text4"), "5787");
}

TEST(ParameterEditor, TextRowsShowTheValueAndOnlyTheAddressRowOffersPing) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    for (int r = 0; r < 33; ++r) {
        if (IsChoiceRow(r)) continue;
        app.row(r);
        EXPECT_FALSE(app.visible("Combo3")) << r;
        EXPECT_EQ(ItemCount(app.c("Combo3")), 0) << r;
        EXPECT_TRUE(app.visible("Text4")) << r;
        EXPECT_EQ(app.text("Text4"), app.items("List5")[r]) << r;
        const bool editable = IsEditableRow(r);
        EXPECT_EQ(editable, r == 0 || (r >= 2 && r <= 6) || r == 10 || (r >= 17 && r <= 18) || r == 24 || (r >= 28 && r <= 31)) << r;
        for (const char* name : {"Command6", "Combo3", "Text4"}) EXPECT_EQ(app.enabled(name), editable) << r << name;
        EXPECT_EQ(app.visible("Command5"), r == PagedRow::IpAddress) << r;
    }
    // The address row sets the tag back to "0", whatever an earlier ping left.
    SetTag(app.c("Command5"), "1");
    app.row(PagedRow::IpAddress);
    EXPECT_EQ(Tag(app.c("Command5")), "0");
    EXPECT_EQ(app.text("Text4"), "127.0.0.1");
    app.row(PagedRow::Netmask);
    EXPECT_FALSE(app.visible("Command5"));
}

TEST(ParameterEditor, AShortRecordIsShownButNeverWritten) {
    WritesApp app;
    const DeviceRecord r = cobalin::testing::RecordBuilder::Short(cobalin::testing::Mac(9)).Row(ShortRow::ServerName, "Legacy");
    app.Add(UsualRecord(1));
    const int index = app.Add(r, false);
    app.pick(1);
    ASSERT_EQ(app.state.SelectedDevice, index);
    ASSERT_EQ(app.items("List5").size(), 11);
    const DeviceRecord before = app.entry(index).Record;
    for (int row = 0; row < 11; ++row) {
        app.row(row);
        EXPECT_FALSE(app.enabled("Command6")) << row;
        EXPECT_FALSE(app.enabled("Text4")) << row;
        EXPECT_FALSE(app.visible("Combo3")) << "a choice row of the paged table shows as text: " << row;
        EXPECT_TRUE(app.visible("Text4")) << row;
        EXPECT_EQ(app.text("Text4"), app.items("List5")[row]) << row;
        EXPECT_FALSE(app.visible("Command5")) << row;
        // Apply refuses even when triggered by code.
        SetText(app.c("Text4"), "XXXXXXXXXXXXXXXXXXXX");
        app.editor.ApplyClick();
    }
    EXPECT_EQ(app.entry(index).Record, before);
    EXPECT_EQ(app.items("List5")[0], "Legacy");
}

TEST(ParameterEditor, ApplyWritesTheCopyTheListAndTheModuleRecordAndSendsNothing) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.Add(UsualRecord(2));
    // Device 2 has a LAN module attached: it is updated through the module
    // record alone, so an edit that record cannot carry is refused.
    app.entry(2).FormatTag = RecordFormat::WithModule;
    Bytes module(kModuleRecordSize, 0);
    module[0] = kModuleAnswerMark;
    Writable(app.state.Devices)->LanModuleTable[2].Record = module;

    struct Case {
        int row;
        QString text;
        size_t offset;
        Bytes bytes;        // the record's bytes at offset afterwards
        QString shown;      // the row's text afterwards: what the record holds
        int moduleOffset;   // -1: the module record has no such field
        Bytes moduleBytes;
        QString note;       // Label1 afterwards, in red; empty: as typed
    };
    auto text16 = [](const std::string& s) {
        Bytes b(16, 0);
        std::copy_n(s.begin(), std::min<size_t>(16, s.size()), b.begin());
        return b;
    };
    const Case cases[] = {
        {0, "A name of twenty chr", 10, text16("A name of twenty chr"), "A name of twenty", 32, {},
         "Server name: cut to 16 characters, \"A name of twenty\""},
        {2, "secret", 42, text16("secret"), "secret", 96, text16("secret"), ""},
        {4, "10.1.2.3", 58, {10, 1, 2, 3}, "10.1.2.3", 112, {10, 1, 2, 3}, ""},
        {12, "5787", 177, {14}, "5787", -1, {}, ""},
        {13, "7-2", 178, {2, 1}, "7-2", -1, {}, ""},  // two stop bits are code 1, as the details read them
        {19, "Client (no HB)", 176, {2}, "Client (no HB)", -1, {}, ""},
        {24, "8888", 174, {0xB8, 0x22}, "8888", -1, {}, "TCP/UDP port: the record holds 8888, but every update sends 4000"},
        {27, "8", 197, {7}, "8", -1, {}, ""},
        {3, "enable", 9, {0}, "Disable", -1, {}, "DHCP: the record holds \"Disable\", not \"enable\""},
        {29, "Model X", 126, text16("Model X"), "Model X", 64, text16("Model X"), ""},
    };
    for (const int device : {1, 2}) {
        app.pick(device - 1);
        for (const Case& c : cases) {
            SCOPED_TRACE("device " + std::to_string(device) + " row " + std::to_string(c.row));
            const Bytes moduleBefore = Writable(app.state.Devices)->LanModuleTable[static_cast<size_t>(device)].Record;
            const DeviceRecord before = app.entry(device).Record;
            const QString shownBefore = app.items("List5")[c.row];
            app.row(c.row);
            SetText(app.c("Text4"), c.text);
            app.click("Command6");
            const DeviceRecord& r = app.entry(device).Record;
            const Bytes& m = Writable(app.state.Devices)->LanModuleTable[static_cast<size_t>(device)].Record;
            // A module device refuses a row its module record lacks, and a
            // text longer than the module's field.
            const bool refused = device == 2 && (c.moduleOffset < 0 || c.moduleBytes.empty());
            if (refused) {
                EXPECT_EQ(r, before);
                EXPECT_EQ(m, moduleBefore);
                EXPECT_EQ(app.items("List5")[c.row], shownBefore);
                EXPECT_TRUE(app.text("Label1").startsWith("Not applied: the LAN module of this device ")) << app.text("Label1").toStdString();
                EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
                continue;
            }
            EXPECT_EQ(Bytes(r.begin() + static_cast<long>(c.offset), r.begin() + static_cast<long>(c.offset + c.bytes.size())), c.bytes);
            EXPECT_EQ(app.items("List5")[c.row], c.shown);
            EXPECT_EQ(app.state.ParameterTexts[static_cast<size_t>(c.row)], c.shown.toStdString());
            if (!c.note.isEmpty()) {
                EXPECT_EQ(app.text("Label1"), c.note);
                EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
            } else {
                EXPECT_FALSE(app.text("Label1").contains(':')) << "a value applied as typed puts the status back";
            }
            if (device == 1 || c.moduleOffset < 0) {
                EXPECT_EQ(m, moduleBefore) << "not mirrored";
                continue;
            }
            EXPECT_EQ(Bytes(m.begin() + c.moduleOffset, m.begin() + c.moduleOffset + static_cast<long>(c.moduleBytes.size())), c.moduleBytes);
            EXPECT_EQ(std::string(m.begin(), m.begin() + 8), "UpdateLM");
            EXPECT_EQ(m.back(), ModuleChecksum(m));
        }
    }
    // The company name takes 48 bytes of the record.
    app.pick(0);
    app.apply(PagedRow::CompanyName, QString(50, 'c'));
    EXPECT_EQ(app.entry(1).Record[125], 'c');
    EXPECT_EQ(app.entry(1).Record[126], 'M') << "the model number after it is kept";
    EXPECT_EQ(app.items("List5")[PagedRow::CompanyName], QString(48, 'c'));
    EXPECT_TRUE(SocketsClosed(app)) << "nothing is sent before Update (7)";
    EXPECT_FALSE(app.form.Timer1->isActive());
    EXPECT_EQ(app.dialogs.shownCount(), 0);
}

TEST(ParameterEditor, RefusedValuesAndTheRowsThatWriteNothingChangeNothing) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    const DeviceRecord record = app.entry(1).Record;
    const ParameterTextArray texts = app.state.ParameterTexts;
    const QStringList list = app.items("List5");

    // Refused: the list row and ParameterTexts keep the record's value, no
    // byte changes, and the status line says so.
    const std::pair<int, QString> refused[] = {{4, "10.1.2"},  {5, "255.255.255.256"}, {6, "a.b.c.d"}, {24, "70000"},
                                               {17, "-1"},     {18, "256"},            {12, "9601"},   {13, "8-3"},
                                               {27, "0"},      {28, ""}};
    for (const auto& [row, text] : refused) {
        app.apply(row, text);
        EXPECT_EQ(app.items("List5"), list) << row;
        EXPECT_EQ(app.state.ParameterTexts, texts) << row;
        EXPECT_EQ(app.entry(1).Record, record) << row;
        EXPECT_EQ(app.text("Label1"), QString::fromStdString(RowName(row)) + ": \"" + text + "\" cannot be written; the record keeps \"" +
                                          list[row] + "\"");
        EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
    }

    // Rows 7, 8 and 23 (Apply is disabled there; code may still press it):
    // the record has nothing for them, so nothing changes.
    for (const int row : {7, 8, 23}) {
        app.row(row);
        EXPECT_FALSE(app.enabled("Command6")) << row;
        SetText(app.c("Text4"), "changed");
        app.editor.ApplyClick();
        EXPECT_EQ(app.items("List5"), list) << row;
        EXPECT_EQ(app.state.ParameterTexts, texts) << row;
        EXPECT_EQ(app.entry(1).Record, record) << row;
    }
}

TEST(ParameterEditor, AValueAppliedAsTypedPutsTheStatusLineBack) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    SetCaption(app.c("Label1"), "Searching...Done");
    app.apply(PagedRow::BaudRate, "9601");
    EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
    app.apply(PagedRow::ServerName, "Fits");
    EXPECT_EQ(app.text("Label1"), "Searching...Done");
    EXPECT_EQ(ForeColor(app.c("Label1")), 0u);
    // A character without a byte of its own is stored as "?": not as typed.
    app.apply(PagedRow::ServerName, QString::fromUtf8("Name \u4e2d"));
    EXPECT_EQ(app.items("List5")[PagedRow::ServerName], "Name ?");
    EXPECT_EQ(app.text("Label1"), QString::fromUtf8("Server name: the record holds \"Name ?\", not \"Name \u4e2d\""));
}

TEST(ParameterEditor, ApplyDoesNothingOnceASearchHasEmptiedTheFoundList) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    app.row(PagedRow::ServerName);
    // A search empties List1 and finds other devices; the index still says 1.
    ClearItems(app.c("List1"));
    Writable(app.state.Devices)->DeviceCount = 0;
    app.Add(UsualRecord(7));
    ASSERT_EQ(app.state.SelectedDevice, 1);
    ASSERT_EQ(SelectedRow(app.c("List1")), -1);
    const DeviceRecord record = app.entry(1).Record;
    SetText(app.c("Text4"), "Wrong device");
    app.click("Command6");
    EXPECT_EQ(app.entry(1).Record, record);
    EXPECT_NE(app.items("List5")[0], "Wrong device");
    EXPECT_TRUE(app.editor.AppliedRows(MacText(7)).empty());
}

TEST(ParameterEditor, PingDisablesApplyOnlyForAChangedAddressThatAnswers) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    app.answering = {"127.0.0.1", "127.0.0.9"};
    struct Case {
        QString typed;
        QString tag;
        bool apply;
    };
    const Case cases[] = {
        {"127.0.0.9", "1", false},  // another device answers there
        {"127.0.0.1", "1", true},   // the device's own address
        {"127.0.0.20", "0", true},  // nobody answers
        {"127.0.0.9", "1", false},
        {"not an address", "0", true},
    };
    app.row(PagedRow::IpAddress);
    for (const Case& c : cases) {
        app.pinged.clear();
        SetText(app.c("Text4"), c.typed);
        app.click("Command5");
        ASSERT_TRUE(WaitUntil([&] { return !app.ping.pingingOne(); }, 60));
        EXPECT_EQ(Tag(app.c("Command5")), c.tag) << c.typed.toStdString();
        EXPECT_EQ(app.enabled("Command6"), c.apply) << c.typed.toStdString();
        if (c.typed != "not an address") {
            EXPECT_EQ(app.pinged, std::vector<std::string>{c.typed.toStdString()});
        }
    }
    // A disabled Apply stays so until the row is selected again.
    SetText(app.c("Text4"), "127.0.0.9");
    app.click("Command5");
    ASSERT_TRUE(WaitUntil([&] { return !app.ping.pingingOne(); }, 60));
    const DeviceRecord record = app.entry(1).Record;
    app.click("Command6");
    EXPECT_EQ(app.entry(1).Record, record);
    app.row(PagedRow::IpAddress);
    EXPECT_TRUE(app.enabled("Command6"));
    EXPECT_EQ(Tag(app.c("Command5")), "0");
}
