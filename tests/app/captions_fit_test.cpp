// Every caption of every window fits its control: each label, button,
// option button, check box and frame title, with every text the program can
// put there, in every face, for both device types, at the scale factor the
// test runs at (ctest runs it at QT_SCALE_FACTOR 1 and 2). A text may be
// shortened, whole in the tool tip, only where the size the layout fixes
// cannot hold it (the list below) or where a device sent it. So does every
// line the program writes into a list box or drop-down list, as many lines
// as it may write, without scrolling sideways.
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "app/app_fixture.h"
#include "core/input_rules.h"
#include "core/parameter_codec.h"
#include "core/update_checks.h"
#include "core/ping.h"
#include "core/record_layout.h"
#include "features/help/help_window.h"
#include "features/panel/configuration_apply.h"
#include "features/search/reply_receivers.h"
#include "features/writes/device_writes.h"
#include "toolkit/caption_fit.h"
#include "toolkit/program_font.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::AppFixture;
using cobalin::testing::Auto;

namespace {

const QString kMac = "02:7E:3A:04:C8:1E";
// A device text of a field's full 16 characters, in the widest letter.
const QString kWideDeviceText(16, QLatin1Char('W'));

// The longest ping status text.
QString LongestPingStatus() {
    QString longest;
    for (int32_t code : {0, 10, 11001, 11002, 11003, 11004, 11005, 11006, 11007, 11008, 11009, 11010, 11011, 11012,
                         11013, 11014, 11015, 11016, 11017, 11018, 11019, 11020, 11021, 11022})
        if (const QString t = QString::fromStdString(PingStatusText(code)); t.size() > longest.size()) longest = t;
    return longest;
}

// "Device kept other values: " naming every row a user can edit: the
// longest such report.
QString KeptEveryRow() {
    QStringList rows;
    for (const FieldDef& f : PagedFields()) {
        if (!f.editable) continue;
        QString name = QString::fromUtf8(f.label.data(), static_cast<int>(f.label.size()));
        if (name.endsWith(':')) name.chop(1);
        rows << name;
    }
    return kKeptOtherValues + rows.join(", ");
}

// The reports of an update that did not come back as written: on the
// engineering face's status, the panel's status line and the simple face.
QStringList WriteReports() {
    return {kNotFoundAfterUpdate + kMac,
            kKeptOtherValues + QString("Server name, IP address"),
            KeptEveryRow(),
            kNoModuleRecordAfterUpdate + kMac,
            kDeviceChangedMeanwhile,
            "Not verified: page 0 of this device was not received after the update; search again",
            "Not verified: two devices answer with MAC " + kMac +
                "; give one of them another MAC or disconnect it, then search again",
            "Not updated: the write could not be sent: datagram 1 did not leave (Network is unreachable)"};
}

// What the faces' status lines say of a chosen device, the longest first.
QStringList DeviceWarningTexts() {
    const QString all = "IP address also held by MAC " + kMac + ", " + kMac +
                        "; MAC answered by two devices (addresses 192.168.100.200, 192.168.100.201); not in the "
                        "subnet of interface enp0s31f6 (192.168.100.250/24)";
    return {all, "IP address also held by MAC " + kMac, "not in the subnet of interface eth0 (192.168.1.250/24)"};
}

// Why an update is not sent, on every face's status line.
QStringList UpdateBlocks() {
    QStringList texts;
    for (UpdateBlock b : {UpdateBlock::NotWritable, UpdateBlock::NoPage0, UpdateBlock::NoPage1, UpdateBlock::NoModuleRecord})
        texts << QString::fromUtf8(UpdateBlockText(b).data());
    texts << "Not updated: two devices answer with MAC " + kMac +
                 "; give one of them another MAC or disconnect it, then search again"
          << "Not updated: the interface this device answered on is gone; search again"
          << "Not updated: IP address 192.168.100.200 is held by MAC " + kMac;
    return texts;
}

// What the editor says of a value the record holds otherwise than typed,
// the longest of each kind, and a fill's one line.
QStringList EditNotes() {
    QStringList texts;
    for (EditNote n : {EditNote::Refused, EditNote::Cut, EditNote::Changed, EditNote::PortNotSent, EditNote::NotSent,
                       EditNote::NotCarriedByModule, EditNote::TooLongForModule})
        texts << QString::fromStdString(EditNoteText(n, PagedRow::SerialBrenik, "a value typed here", "the record's"));
    texts << "Not as typed: Server name (cut), Baud rate (refused), TCP/UDP port (every update sends 4000)";
    return texts;
}

// The refusals of the simple face's Update, on its status and the panel's.
QStringList UpdateRefusals() {
    QStringList texts = {kNetworkSettingsRefused, kRecordNotWritable, kNoDeviceLoaded, kWritesBusy, "Invalid IP address entry!"};
    texts << UpdateBlocks();
    for (EditNote n : {EditNote::Cut, EditNote::NotCarriedByModule, EditNote::TooLongForModule})
        texts << QString::fromStdString(EditNoteText(n, PagedRow::SerialBrenik, "a value typed here", "the record's"));
    return texts;
}

// The refusals of the panel's own checks, on its status line.
QStringList PanelRefusals() {
    QStringList texts = {kConnectError, kQueryNotAuthenticated, "Please wait for application ready and then try again!"};
    for (int r = 0; r <= static_cast<int>(Refusal::NoDeviceSelected); ++r)
        for (bool detailed : {true, false}) {
            const RefusalReport report = ReportOf(static_cast<Refusal>(r), detailed);
            if (report.form != ReportForm::PlainBox) texts << QString::fromStdString(report.text);
        }
    return texts;
}

// What the program writes into a control at run time, beside its caption
// as created; numbers at their widest.
std::map<QString, QStringList> RunTimeTexts() {
    const QStringList progress = {"Searching...19", "Updating...19", "Update...Done", "Found...255 device(s)"};
    QStringList label1 = {"Ready", "Ready...", "Searching...19", "Searching...Done", "Sending...19", "Sending...Done",
                          "Restarting...10", "Updating...5", "Sending command...", "Sending Setbuad command...",
                          "Scanning...", "Scanning...Done", "Scanning...192.168.1.100",
                          "Scanning...192.168.1.100, Status=" + LongestPingStatus(),
                          "Scanning...Done. IP=192.168.1.100, status=" + LongestPingStatus()};
    label1 << WriteReports() << UpdateBlocks() << EditNotes() << DeviceWarningTexts();
    QStringList status = {"Ready.", "Ready", "Updating...", "No change is made", "Found...255 ZentaBox(s)",
                          "Found...255 IP Dongle(s)", "Found...8 IP Dongle(s)!"};
    status << progress << WriteReports() << UpdateRefusals() << PanelRefusals() << DeviceWarningTexts();
    QStringList simple = {"Updating...", "No change is made"};
    simple << progress << WriteReports() << UpdateRefusals() << DeviceWarningTexts();
    QStringList hint = {"Invalid IP address entry!"};
    hint << progress << WriteReports();
    QStringList parameterNames;
    for (auto fields : {PagedFields(), ShortFields()})
        for (const FieldDef& f : fields) parameterNames << QString::fromUtf8(f.label.data(), static_cast<int>(f.label.size()));
    const QStringList device = {kMac, "N/A", "Dongle-Rack-0001", "D26000101", "V1.0.7 & 2026-03-14",
                                "3)100/Full Duplex", "2)100/Half Duplex", "Not Connected", "Connected"};
    std::map<QString, QStringList> texts = {
        {"Label1", label1},
        {"Label54(1)", status},
        {"Label44", simple},
        {"Label46", hint},
        {"Label21", {"0", "255"}},
        {"Label5", parameterNames},
        {"Label41", {"OK", "Error!", "OK, not sent: 174-175"}},
        {"Label47", {"WIFI-20261231-9999", "LAN-20260314-0001", "N/A"}},
        {"Label11", QStringList(device) << "Update..OK"},
        {"Command4", {"Ping", "Stop"}},
        {"Command10", {"Search", "Searching (19)"}},
        {"Command21", {"Update", "Updating (19)"}},
        {"Command28", {"Fill LAN Upgrade", "Fill Upgrade"}},
        {"Frame21", {"IP Dongle list", "Master IP fan unit", "ZentaBox list", "Device list"}},
        {"Frame13", {"MAC", kMac}},
        {"Label53(6)", {"Name", "Rack No."}},
    };
    for (const char* notice : {"Label56", "Label57"})
        texts[notice] = {"*Max. 8 pcs of IP Dongle can be configured every time",
                         "*Max. 8 pcs of ZentaBox can be configured every time"};
    for (const char* value : {"Label7", "Label17", "Label13", "Label9x", "Label58", "Label15"}) texts[value] = device;
    return texts;
}

// Controls that show what a device sent: a text longer than the control
// (sixteen wide letters, escaped record bytes) is shortened, whole in the
// tool tip.
const std::set<QString> kDeviceTextControls = {"Label7", "Label17", "Label13", "Label9x", "Label11",
                                               "Label58", "Label15", "Frame13"};

// Texts the size the layout fixes cannot hold: shortened, whole in the tool
// tip. A report that names every row a device kept, or every warning of a
// device, has no bound to its length; the advice to a shared MAC keeps its
// first line, which says what is wrong, in view.
bool MayBeShortened(const QString& control, const QString& text) {
    static const QStringList unbounded = {KeptEveryRow(), DeviceWarningTexts().front(),
                                          "Not updated: two devices answer with MAC " + kMac +
                                              "; give one of them another MAC or disconnect it, then search again",
                                          "Not verified: two devices answer with MAC " + kMac +
                                              "; give one of them another MAC or disconnect it, then search again"};
    static const std::set<QString> statusLines = {"Label1", "Label54(1)", "Label44", "Label46"};
    return statusLines.count(control) > 0 && unbounded.contains(text);
}

// Walks the window's captioned controls that the face shows through their texts.
void WalkCaptions(Form& window, const std::string& where, const std::map<QString, QStringList>& runTime) {
    for (auto it = window.Controls().begin(); it != window.Controls().end(); ++it) {
        QWidget* w = it.value();
        if (!IsCaptioned(w) || !w->isVisibleTo(&window)) continue;
        const QString original = Caption(w);
        QStringList texts = {original};
        if (auto found = runTime.find(it.key()); found != runTime.end()) texts << found->second;
        if (kDeviceTextControls.count(it.key())) texts << kWideDeviceText;
        for (const QString& text : texts) {
            SetCaption(w, text);
            const std::string what = where + ": " + it.key().toStdString() + " \"" + text.toStdString() + "\" " +
                                     RoomReport(w, DrawnCaption(w, text)).toStdString();
            EXPECT_FALSE(CaptionClipped(w)) << "clipped: " << what;
            if (CaptionElided(w) && !kDeviceTextControls.count(it.key()) && !MayBeShortened(it.key(), text))
                ADD_FAILURE() << "shortened: " << what;
        }
        SetCaption(w, original);
    }
}

// The widest text the program makes of a record field, every byte value
// tried (each byte of a wider field shows on its own, so the same widest
// byte everywhere gives its widest text); "" for a field that shows what
// the device holds, its own texts.
QString WidestValue(const FieldDef& field, const QFontMetrics& fm) {
    if (field.encoding == Encoding::Text || field.encoding == Encoding::VersionDate) return "";
    DeviceRecord record{};
    QString widest;
    auto consider = [&] {
        const QString t = QString::fromStdString(FieldText(field, record));
        if (fm.horizontalAdvance(t) > fm.horizontalAdvance(widest)) widest = t;
    };
    if (field.size <= 2) {
        for (int v = 0; v < (1 << (8 * field.size)); ++v) {
            for (int b = 0; b < field.size; ++b) record[field.offset + b] = static_cast<uint8_t>(v >> (8 * b));
            consider();
        }
    } else {
        for (int v = 0; v < 256; ++v) {
            std::fill_n(record.begin() + field.offset, field.size, static_cast<uint8_t>(v));
            consider();
        }
    }
    return widest;
}

QStringList Names(std::span<const FieldDef> fields) {
    QStringList names;
    for (const FieldDef& f : fields) names << QString::fromUtf8(f.label.data(), static_cast<int>(f.label.size()));
    return names;
}

QStringList WidestValues(std::span<const FieldDef> fields, const QFontMetrics& fm) {
    QStringList values;
    for (const FieldDef& f : fields) values << WidestValue(f, fm);
    return values;
}

// What the program writes into a list, each filling as many lines as it may
// write at once: a list box that scrolls shows its vertical scroll bar.
using Fillings = std::map<QString, std::vector<QStringList>>;

Fillings ProgramLines(const QFontMetrics& fm) {
    const QString mac = WidestValue(PagedFields()[PagedRow::Mac], fm);
    const QStringList macs(255, mac);  // the device table's 255 entries
    QStringList addresses;             // the whole scan, in one list
    for (int i = 1; i <= 100; ++i) addresses << QString("192.168.1.%1").arg(i);
    QStringList choices;
    for (long row = 0; row < static_cast<long>(kParameterCount); ++row)
        for (std::string_view c : RowChoices(row)) choices << QString::fromUtf8(c.data(), static_cast<int>(c.size()));
    return {
        {"List1", {macs}},
        {"List2", {addresses}},
        {"List3", {addresses}},
        {"List4", {Names(PagedFields()), Names(ShortFields())}},
        {"List5", {WidestValues(PagedFields(), fm), WidestValues(ShortFields(), fm)}},
        {"List6", {macs}},
        {"List7", {macs}},
        {"Combo3", {choices}},
        {"Combo4", {macs}},
        {"Combo5", {macs}},
        {"Combo6", {macs}},
    };
}

void Fill(QWidget* list, const QStringList& lines) {
    ClearItems(list);
    for (const QString& line : lines) AddItem(list, line);
}

// The free-address lists show at least ten lines at once where the
// engineering face's window has the room below the "More" and "Advance"
// frames; an IP Dongle's window is only as high as its panel, and there
// they stand one above the other beside those frames.
int FreeAddressLines(int deviceType) { return deviceType == 2 ? 10 : 2; }

// Walks the window's list boxes and drop-down lists that the face shows
// through the lines they hold and those the program writes into them.
void WalkLines(Form& window, const std::string& where, const Fillings& fillings, int freeAddressLines) {
    for (auto it = window.Controls().begin(); it != window.Controls().end(); ++it) {
        QWidget* w = it.value();
        if (!IsLineList(w) || !w->isVisibleTo(&window)) continue;
        const QStringList held = Items(w);
        const int row = SelectedRow(w);
        std::vector<QStringList> lines = {held};
        if (auto found = fillings.find(it.key()); found != fillings.end())
            lines.insert(lines.end(), found->second.begin(), found->second.end());
        for (const QStringList& filling : lines) {
            Fill(w, filling);
            EXPECT_FALSE(LinesClipped(w)) << "cut: " << where << ": " << it.key().toStdString() << " "
                                          << LinesRoomReport(w).toStdString();
        }
        if (it.key() == "List2" || it.key() == "List3") {
            EXPECT_GE(LinesShown(w), freeAddressLines) << where << ": " << it.key().toStdString();
        }
        Fill(w, held);
        SetRowQuietly(w, row);
    }
}

struct Setting {
    int deviceType;
    const char* settings;
};

const Setting kSettings[] = {
    {1, "AdvancedMode=0\nAdvIPDMode=1\nShowPassword=1\n"},
    {1, "AdvancedMode=0\nAdvIPDMode=0\nZentaCoolMode=1\nOEMLogo=1\n"},
    {1, "AdvancedMode=2\nAdvIPDMode=1\n"},
    {1, "AdvancedMode=1\nAdvIPDMode=1\n"},
    {1, "AdvancedMode=1\nAdvIPDMode=0\n"},
    {2, "AdvancedMode=0\nAdvIPDMode=1\nShowPassword=1\n"},
    {2, "AdvancedMode=0\nAdvIPDMode=0\nOEMLogo=1\n"},
    {2, "AdvancedMode=2\nAdvIPDMode=1\n"},
    {2, "AdvancedMode=1\nAdvIPDMode=1\n"},
    {2, "AdvancedMode=1\nAdvIPDMode=0\n"},
};

// Frames and buttons hidden at creation that the face's buttons and
// operations show. The panel's Refresh, OK, Help, DEBUG and Fake stay
// hidden whatever the user does: no one sees them.
const char* const kShownLater[] = {"Frame10", "Frame11", "Frame17", "Frame18", "Frame16",
                                   "Frame13", "Frame1",  "Command25", "Command26", "Combo3"};

std::string Where(const Setting& f) {
    std::string s = "DeviceType " + std::to_string(f.deviceType) + " " + f.settings;
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s + "scale " + qEnvironmentVariable("QT_SCALE_FACTOR", "1").toStdString();
}

}  // namespace

TEST(CaptionsFit, TheProgramFontHasArialsMetrics) {
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), kProgramFontFamilies[0]);
    EXPECT_DOUBLE_EQ(QApplication::font().pointSizeF(), kProgramFontPoints);
}

TEST(CaptionsFit, MainWindowInEveryFace) {
    const auto runTime = RunTimeTexts();
    for (const Setting& f : kSettings) {
        AppFixture app(Auto(f.deviceType, f.settings));
        // What the face's buttons and operations show in it.
        for (const char* name : kShownLater) Show(app.c(name));
        WalkCaptions(app.main(), Where(f), runTime);
    }
}

TEST(CaptionsFit, ListLinesInEveryFace) {
    const Fillings fillings = ProgramLines(QFontMetrics(QApplication::font()));
    for (const Setting& f : kSettings) {
        AppFixture app(Auto(f.deviceType, f.settings));
        for (const char* name : kShownLater) Show(app.c(name));
        WalkLines(app.main(), Where(f), fillings, FreeAddressLines(f.deviceType));
    }
}

TEST(CaptionsFit, ChooserAndHelpWindow) {
    {
        AppFixture app("");
        ASSERT_NE(app.startup->chooser(), nullptr);
        WalkCaptions(*app.startup->chooser(), "chooser", {{"Label1", {"Rev. : " + VersionText(), "Rev. : 12.34.5678"}}});
    }
    for (int type : {1, 2}) {
        AppFixture app(Auto(type));
        const std::map<QString, QStringList> texts = {
            {"Label6",
             {"Administration PC with ZentaPower Cobalin installed.", "Administration PC with ZentaSolution Cobalin installed."}},
            {"labVer", {"Rev. " + VersionText(), "Rev. 12.34.5678"}}};
        bool walked = false;
        QTimer::singleShot(0, [&] {
            FormHelp* help = app.startup->help().window();
            if (help) WalkCaptions(*help, "help window, DeviceType " + std::to_string(type), texts);
            walked = help != nullptr;
            if (help) help->close();
        });
        app.startup->help().Open();
        EXPECT_TRUE(walked);
    }
}

// A caption that does not fit is shortened with its whole text in the tool
// tip, a control's own tool tip after it; one that fits again shows whole.
TEST(CaptionsFit, ShortenedCaptionsKeepTheWholeTextInTheToolTip) {
    AppFixture app(Auto(2, "AdvancedMode=1\n"));
    QWidget* label = app.c("Label7");
    const QString wide(40, QLatin1Char('W'));
    SetCaption(label, wide);
    EXPECT_TRUE(CaptionElided(label));
    EXPECT_FALSE(CaptionClipped(label));
    EXPECT_EQ(ToolTip(label), wide);
    EXPECT_TRUE(qobject_cast<QLabel*>(label)->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(Caption(label), wide);
    SetCaption(label, "N/A");
    EXPECT_FALSE(CaptionElided(label));
    EXPECT_EQ(ToolTip(label), "");
    EXPECT_EQ(qobject_cast<QLabel*>(label)->text(), "N/A");

    QWidget* own = app.c("Label11");  // tool tip "Auto detected"
    SetCaption(own, wide);
    EXPECT_EQ(ToolTip(own), wide + "\nAuto detected");
    EXPECT_FALSE(CaptionClipped(own));
    SetCaption(own, "N/A");
    EXPECT_EQ(ToolTip(own), "Auto detected");

    // A wrapping label keeps the lines it has room for; the last one ends in "…".
    QWidget* status = app.c("Label1");
    const QString reason = KeptEveryRow();
    SetCaption(status, reason);
    EXPECT_TRUE(CaptionElided(status));
    EXPECT_FALSE(CaptionClipped(status));
    const QString shown = qobject_cast<QLabel*>(status)->text();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(reason.startsWith(shown.left(shown.size() - 1).trimmed())) << shown.toStdString();

    // A control no one sees yet is measured when it is first shown.
    QWidget* hidden = app.c("Label39");  // in the "Advance" frame, hidden at creation
    SetCaption(hidden, wide);
    EXPECT_EQ(qobject_cast<QLabel*>(hidden)->text(), wide);
    Show(app.c("Frame11"));
    EXPECT_TRUE(qobject_cast<QLabel*>(hidden)->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(ToolTip(hidden), wide);

    // A smaller control shortens its caption again; a larger one shows it whole.
    QWidget* button = app.c("Command9");
    SetWidth(button, 450);
    EXPECT_TRUE(CaptionElided(button));
    EXPECT_EQ(ToolTip(button), "Update (7)");
    SetWidth(button, 1500);
    EXPECT_FALSE(CaptionElided(button));
    EXPECT_EQ(ToolTip(button), "");
}
