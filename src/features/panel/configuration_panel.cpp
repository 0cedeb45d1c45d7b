#include "features/panel/configuration_panel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "features/details/details_view.h"
#include "features/panel/configuration_apply.h"
#include "features/search/found_lists.h"
#include "features/search/search_orchestration.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

const char* const kFakeDevices[8] = {"02:7E:3A:04:C8:1E", "02:7E:3A:04:C8:1F", "02:7E:3A:04:C8:20",
                                     "02:7E:3A:04:C8:21", "02:7E:3A:04:C8:22", "02:7E:3A:04:C8:23",
                                     "02:7E:3A:04:C8:24", "02:7E:3A:04:C8:25"};

namespace {
enum PanelButton { kScan = 0, kRefresh = 1, kSave = 2, kOk = 3, kClose = 4, kHelp = 5, kDebug = 6 };
// What the DEBUG button widens the window and the face area to.
constexpr int kDebugWidth = 11100;

}  // namespace

ConfigurationPanel::ConfigurationPanel(FormMain& form, AppState& state, Dialogs& dialogs, SearchOrchestration& search,
                                       ConfigurationApply& apply, std::function<void()> openHelp)
    : form_(form), state_(state), dialogs_(dialogs), search_(search), apply_(apply), openHelp_(std::move(openHelp)) {
    for (int i = kScan; i <= kDebug; ++i)
        connect(form_.c.Command34[i], &QPushButton::clicked, this, [this, i] { ButtonPressed(i); });
    connect(form_.c.Command39, &QPushButton::clicked, this, [this] { Fake(); });
    FoundLists::Lines& lines = search_.lists().lines();
    SetSelectHandler(form_.c.List6, [this] { LoadDevice(); });
    SetSelectHandler(form_.c.List7, [this] { ListSelected(); });
    for (ListLines& typeList : lines.types)
        SetSelectHandler(typeList.widget(), [this, &typeList] { TypeChosen(typeList, SelectedRow(typeList.widget())); });
    SetSelectHandler(form_.c.Combo4, [this] { AllChosen(SelectedRow(form_.c.Combo4)); });
    search_.lists().SetLoader([this](int row) { Load(row); });
    for (QWidget* w : Widgets(form_.c.List6, form_.c.List7, form_.c.Combo4, form_.c.Combo5, form_.c.Combo6))
        ConnectUserSelection(w);
    // Leaving the IP address field enables Refresh, whatever it holds.
    SetValidateHandler(form_.c.Text12[0], [this] {
        Enable(form_.c.Command34[kRefresh]);
        return false;
    });
    SetValidateHandler(form_.c.Text12[5], [this] { return ConfirmationLeft(); });
}

void ConfigurationPanel::ButtonPressed(int index) {
    switch (index) {
        case kScan: return Scan();
        case kRefresh: return Refresh();
        case kSave: return Save();
        case kOk: return Ok();
        case kClose: return Close();
        case kHelp: return openHelp_();
        case kDebug: return Debug();
        default: return;
    }
}

bool ConfigurationPanel::Busy(const QString& button) {
    if (!apply_.OperationRuns()) return false;
    const QString text = "Please wait for application ready and then try again!";
    QWidget* status = form_.c.Label54[1];
    ShowStatus(status, text, kRed);
    dialogs_.Message(text, button, MessageIcon::Critical, MessageButtons::OK);
    return true;
}

void ConfigurationPanel::Report(Refusal refusal) {
    const RefusalReport report = ReportOf(refusal);
    const QString text = QString::fromStdString(report.text);
    QWidget* status = form_.c.Label54[1];
    ShowStatus(status, text, kRed);
    if (report.form == ReportForm::PanelReport)
        dialogs_.Message(text, QString::fromStdString(report.title), MessageIcon::Critical, MessageButtons::OK);
}

void ConfigurationPanel::Scan() {
    if (Busy(Caption(form_.c.Command34[kScan]))) return;
    Disable(form_.c.Combo4);
    for (ListLines* l : search_.lists().lines().Panel()) l->Clear();
    SelectRow(form_.c.Combo1, 0);
    search_.SelectMode(kAnyNetwork);
    for (int i : {kSave, kRefresh, kScan, kOk, kClose, kHelp}) Disable(form_.c.Command34[i]);
    Disable(form_.c.Frame22);
    search_.Search();
}

void ConfigurationPanel::Refresh() {
    if (Busy(Caption(form_.c.Command34[kRefresh]))) return;
    for (const auto& [panel, face] : PanelFieldPairs(form_.c)) SetText(panel, TextOf(face));
    for (QWidget* w : Widgets(form_.c.Text12[8], form_.c.Text12[9], form_.c.Text12[10])) SetText(w, "");
}

void ConfigurationPanel::Save() {
    // Save is disabled while an operation runs; should it be pressed all the
    // same, a second update must not start while a device restarts.
    if (Busy(Caption(form_.c.Command34[kSave]))) return;
    const DeviceFamily* family = FamilyOf(state_.DeviceType);
    if (!family) return;
    const QString name = FromUtf8(family->name);
    if (family->panel == PanelForm::NameLocationPassword) {
        SaveFields f;
        f.password = TypedText(form_.c.Text12[8]);
        f.devicePassword = TypedText(form_.c.Text6[3]);
        f.name = TypedText(form_.c.Text12[6]);
        f.location = TypedText(form_.c.Text12[7]);
        f.newPassword = TypedText(form_.c.Text12[9]);
        f.confirmPassword = TypedText(form_.c.Text12[10]);
        f.ipAddress = TypedText(form_.c.Text12[0]);
        f.subnetMask = TypedText(form_.c.Text12[1]);
        f.gateway = TypedText(form_.c.Text12[2]);
        if (const auto refusal = CheckSave(f)) return Report(*refusal);
        apply_.ConfirmNewPasswordSetup(name);
    } else {
        if (dialogs_.Message("Are you sure to setup the " + name + "?", "Setup " + name, MessageIcon::None,
                             MessageButtons::OKCancel) != MessageAnswer::OK)
            return;
        const QString password = TextOf(form_.c.Text12[8]);
        SetText(form_.c.Text12[4], password);
        SetText(form_.c.Text12[5], password);
        apply_.ApplyConfiguration();
    }
}

void ConfigurationPanel::Ok() {
    if (Busy(Caption(form_.c.Command34[kOk]))) return;
    const DeviceFamily* family = FamilyOf(state_.DeviceType);
    if (!family) return;
    const bool passwordFrame = family->panel == PanelForm::NameLocationPassword;
    if (passwordFrame && TextOf(form_.c.Text12[8]) != TextOf(form_.c.Text6[3]))
        return Report(Refusal::NotAuthenticated);
    if (dialogs_.Message("Are you sure to setup the device?", "Setup Device", MessageIcon::None,
                         MessageButtons::OKCancel) != MessageAnswer::OK)
        return;
    if (passwordFrame) {
        SetText(form_.c.Text12[4], TextOf(form_.c.Text12[9]));
        SetText(form_.c.Text12[5], TextOf(form_.c.Text12[10]));
    } else {
        const QString password = TextOf(form_.c.Text12[8]);
        SetText(form_.c.Text12[4], password);
        SetText(form_.c.Text12[5], password);
    }
    apply_.ApplyConfiguration();
}

void ConfigurationPanel::Close() {
    state_.AppClosing = true;
    form_.close();
}

void ConfigurationPanel::Debug() {
    QWidget* frame12 = form_.c.Frame12;
    QWidget* frame19 = form_.c.Frame19;
    QWidget* frame20 = form_.c.Frame20;
    const int grow = GetTwips(frame19).height;
    SetHeight(frame12, GetTwips(frame12).height + grow);
    SetWindowHeight(&form_, GetTwips(&form_).height + grow);
    SetWindowWidth(&form_, kDebugWidth);
    SetWidth(frame12, kDebugWidth);
    SetTop(frame19, GetTwips(frame20).top + GetTwips(frame20).height + 10);
    frame19->raise();
    Show(frame19);
}

void ConfigurationPanel::Fake() {
    Hide(form_.c.Command39);
    for (const char* mac : kFakeDevices) search_.lists().lines().list7.Add(mac);
    QWidget* status = form_.c.Label54[1];
    ShowStatus(status, "Found...8 IP Dongle(s)!", kBlack);
    const std::pair<QLineEdit*, const char*> values[] = {{form_.c.Text12[0], "192.168.0.1"},
                                                         {form_.c.Text12[1], "255.255.255.0"},
                                                         {form_.c.Text12[2], "192.168.0.254"},
                                                         {form_.c.Text12[6], "PDU group 1"},
                                                         {form_.c.Text12[7], "First PDU level"}};
    for (const auto& [field, text] : values) SetText(field, text);
}

bool ConfigurationPanel::ConfirmationLeft() {
    QWidget* label = form_.c._lblText12[5];
    if (TextOf(form_.c.Text12[5]) != TextOf(form_.c.Text12[4])) {
        SetForeColor(label, kRed);
        dialogs_.Message(kConfirmPasswordRefused, kAppTitle, MessageIcon::None, MessageButtons::OK);
        return true;
    }
    SetForeColor(label, kBlack);
    return false;
}

// A pick in one of the panel's lists chooses the device of its line; the
// lists further down show the choice as the lines they hold for it.
void ConfigurationPanel::ListSelected() {
    const FoundLists::Lines& lines = search_.lists().lines();
    if (lines.list7.Count() == 0) return;
    const DeviceFamily* family = FamilyOf(state_.DeviceType);
    const ListLines* typeList = family ? &lines.TypeList(*family) : nullptr;
    const int row = SelectedRow(form_.c.List7);
    // List7 may hold lines the type list does not ("Fake" adds some): such a
    // line has no device behind it, and nothing happens.
    if (!typeList || row < 0 || row >= typeList->Count()) return;
    SetRowQuietly(typeList->widget(), row);
    TypeChosen(*typeList, row);
}

void ConfigurationPanel::TypeChosen(const ListLines& typeList, int row) {
    if (row < 0) return;
    // The first line of Combo4 with the device's MAC.
    const int all = search_.lists().lines().combo4.RowOf(typeList.At(row));
    if (all < 0) return;
    SetRowQuietly(form_.c.Combo4, all);
    AllChosen(all);
}

void ConfigurationPanel::AllChosen(int row) {
    if (row < 0) return;
    search_.lists().LoadLine(row);
}

bool ConfigurationPanel::QueryAuthentication() {
    QWidget* superPassword = form_.c.Text12[3];
    if (state_.Run.SkipPassword) SetText(superPassword, TextOf(form_.c.Text6[3]));
    if (TextOf(superPassword) == TextOf(form_.c.Text6[3])) return true;
    for (int i : {0, 1, 2, 6, 7, 8}) SetText(form_.c.Text12[i], "");
    SetChecked(form_.c.Option2[0], true);
    QWidget* status = form_.c.Label54[1];
    ShowStatus(status, kQueryNotAuthenticated, kRed);
    return false;
}

void ConfigurationPanel::LoadDevice() { Load(SelectedRow(form_.c.List6)); }

void ConfigurationPanel::Load(int row) {
    if (row < 0) return;
    Show(form_.c.Frame13);
    const QString chosen = search_.lists().lines().list6.At(row);
    // A line whose device did not answer the last search loads nothing.
    if (!form_.session.SelectMac(chosen.toStdString())) return;
    const auto& t = state_.ParameterTexts;
    using P = PagedRow;
    const std::pair<QLineEdit*, size_t> copies[] = {
        {form_.c.Text6[0], P::IpAddress}, {form_.c.Text6[1], P::Netmask},      {form_.c.Text6[2], P::Gateway},
        {form_.c.Text6[3], P::Password},  {form_.c.Text6[6], P::Password},     {form_.c.Text6[7], P::SerialBrenik},
        {form_.c.Text6[8], P::ModelNo},   {form_.c.Text6[9], P::ServerName},   {form_.c.Text6[10], P::CompanyName}};
    for (const auto& [field, slot] : copies) SetText(field, FromAnsi(t[slot]));
    SetRowQuietly(form_.c.Combo2, FromAnsi(t[P::Dhcp]) == "Enable" ? 0 : 1);
    SetCaption(form_.c.Frame13, chosen);
    apply_.SetLoadedDevice(chosen);
    if (!QueryAuthentication()) return;
    const auto pairs = PanelFieldPairs(form_.c);
    // The addresses and the name first, the company name/location after
    // the DHCP option, in the order the panel has always shown them.
    for (size_t i = 0; i + 1 < pairs.size(); ++i) SetText(pairs[i].first, TextOf(pairs[i].second));
    // The option with the combo entry's index: 0 "DHCP" for "Enable", 1 "Static IP" for "Disable".
    SetChecked(form_.c.Option2[SelectedRow(form_.c.Combo2)], true);
    SetText(pairs.back().first, TextOf(pairs.back().second));
    SetText(form_.c.Text12[8], "");
}

}  // namespace cobalin
