#include "features/panel/configuration_apply.h"

#include <QPushButton>

#include "core/input_rules.h"
#include "core/parameter_codec.h"
#include "core/update_checks.h"
#include "features/editor/parameter_editor.h"
#include "features/search/search_orchestration.h"
#include "features/writes/device_writes.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

constinit const char* const kRecordNotWritable = UpdateBlockText(UpdateBlock::NotWritable).data();
const char* const kNoDeviceLoaded = "Not updated: no device of the last search is loaded";
const char* const kWritesBusy = "Not updated: another operation is running; try again when it has ended";

namespace {

// The panel's parts that an update keeps disabled until it has ended.
constexpr int kPanelButtons[] = {2, 1, 0, 3, 4, 5};

}  // namespace

ConfigurationApply::ConfigurationApply(FormMain& form, AppState& state, Dialogs& dialogs, SearchOrchestration& search,
                                       ParameterEditor& editor, DeviceWrites& writes)
    : form_(form), state_(state), dialogs_(dialogs), search_(search), editor_(editor), writes_(writes) {
    connect(form_.c.Command21, &QPushButton::clicked, this, [this] { Update(); });
    connect(form_.c.Command22, &QPushButton::clicked, this, [this] { Default(); });
}

bool ConfigurationApply::OperationRuns() const {
    // The operation timer is off for most of the restart countdown, so it alone does not
    // tell: the update holds until its follow-up search has ended and the
    // lists are filled again.
    return form_.session.Counting() || writes_.busy() ||
           search_.faceOperation() == SearchOrchestration::FaceOperation::Update;
}

void ConfigurationApply::ConfirmNewPasswordSetup(const QString& familyName) {
    if (dialogs_.Message("Are you sure to setup the " + familyName + "?", "Setup " + familyName, MessageIcon::None,
                         MessageButtons::OKCancel) != MessageAnswer::OK)
        return;
    QWidget* newPassword = form_.c.Text12[9];
    QWidget* confirm = form_.c.Text12[10];
    // No new password: the device gets back the password it has.
    if (TextOf(newPassword).isEmpty()) {
        SetText(newPassword, TextOf(form_.c.Text12[8]));
        SetText(confirm, TextOf(form_.c.Text12[8]));
    }
    SetText(form_.c.Text12[4], TextOf(newPassword));
    SetText(form_.c.Text12[5], TextOf(confirm));
    ApplyConfiguration();
}

void ConfigurationApply::ApplyConfiguration() {
    ApplyFields f;
    f.superPassword = TypedText(form_.c.Text12[3]);
    f.devicePassword = TypedText(form_.c.Text6[3]);
    f.stagedPassword = TypedText(form_.c.Text12[4]);
    f.stagedConfirm = TypedText(form_.c.Text12[5]);
    f.deviceSelected = SelectedRow(form_.c.Combo4) >= 0;
    if (const auto refusal = CheckApply(f)) {
        const RefusalReport report = ReportOf(*refusal, state_.Run.ShowPassword);
        const QString text = QString::fromStdString(report.text);
        if (report.form == ReportForm::StatusOnly) {
            QWidget* status = form_.c.Label54[1];
            ShowStatus(status, text, kRed);
        } else {
            dialogs_.Message(text, kAppTitle, MessageIcon::None, MessageButtons::OK);
        }
        return;
    }
    DisablePanel();
    SetRowQuietly(form_.c.Combo2, IsChecked(form_.c.Option2[0]) ? 0 : 1);
    for (const auto& [panel, face] : PanelFieldPairs(form_.c)) SetText(face, TextOf(panel));
    // An empty new password leaves the device's password as loaded.
    if (!TextOf(form_.c.Text12[4]).isEmpty()) {
        SetText(form_.c.Text6[3], TextOf(form_.c.Text12[4]));
        SetText(form_.c.Text6[6], TextOf(form_.c.Text12[5]));
    }
    Update();
}

void ConfigurationApply::DisablePanel() {
    for (QWidget* w : PanelLists(form_.c)) Disable(w);
    for (int i : kPanelButtons) Disable(form_.c.Command34[i]);
    Disable(form_.c.Frame22);
}

void ConfigurationApply::EnablePanel() {
    search_.SetFaceOperation(SearchOrchestration::FaceOperation::Search);
    for (QWidget* w : Widgets(form_.c.Combo5, form_.c.Combo6, form_.c.Combo4, form_.c.List7)) Enable(w);
    for (int i : kPanelButtons) Enable(form_.c.Command34[i]);
    Enable(form_.c.Frame22);
}

void ConfigurationApply::RefuseUpdate(const QString& text) {
    for (QWidget* w : Widgets(form_.c.Label44, form_.c.Label46)) {
        ShowStatus(w, text, kRed);
    }
    QWidget* status = form_.c.Label54[1];
    ShowStatus(status, text, kRed);
}

FaceValues ConfigurationApply::Face() const {
    const auto text = [](QWidget* w) { return TextOf(w).toStdString(); };
    const MainHandles& c = form_.c;
    return {text(c.Text6[9]), text(c.Text6[10]), text(c.Text6[3]), text(c.Text6[6]), text(c.Combo2),
            text(c.Text6[0]), text(c.Text6[1]), text(c.Text6[2]), text(c.Text6[7])};
}

QString ConfigurationApply::UpdateRefusal(const std::vector<WantedRow>& rows) const {
    // Checked before anything is applied: a refused update leaves the record
    // and the faces as they were.
    std::vector<std::pair<int, std::string>> typed;
    for (const WantedRow& r : rows) typed.emplace_back(r.row, r.text);
    return QString::fromStdString(cobalin::UpdateRefusal(*state_.Devices, state_.SelectedDevice, typed));
}

void ConfigurationApply::Update() {
    if (!IsAcceptedNetworkSetting(TypedText(form_.c.Text6[0]), TypedText(form_.c.Text6[1]),
                                  TypedText(form_.c.Text6[2]))) {
        RefuseUpdate(kNetworkSettingsRefused);
        EnablePanel();
        return;
    }
    // The values go to the device the session has chosen, which loading a
    // device chooses: it must be the device shown, from the last search, or
    // the values would reach another device or none while the update
    // reported success.
    if (form_.session.ChosenDevice() == 0 || QString::fromStdString(form_.session.SelectedMac()) != loadedDevice_) {
        RefuseUpdate(kNoDeviceLoaded);
        EnablePanel();
        return;
    }
    const std::vector<WantedRow> rows = FaceWantedRows(Face(), state_.ParameterTexts);
    if (const QString refusal = UpdateRefusal(rows); !refusal.isEmpty()) {
        RefuseUpdate(refusal);
        EnablePanel();
        return;
    }
    QWidget* label44 = form_.c.Label44;
    QWidget* status = form_.c.Label54[1];
    // A refusal shown before has left the simple face's status red.
    for (QWidget* w : Widgets(label44, form_.c.Label46)) SetForeColor(w, kBlack);
    if (rows.empty()) {
        SetCaption(label44, "No change is made");
        ShowStatus(status, "No change is made", kBlack);
        EnablePanel();
        return;
    }
    editor_.ApplyValues(rows);
    SetCaption(label44, "Updating...");
    ShowStatus(status, "Updating...", kBlack);
    search_.SetFaceOperation(SearchOrchestration::FaceOperation::Update);
    for (QWidget* w : SimpleFaceUpdateLocks(form_.c)) Disable(w);
    EnableTimer(form_.Timer3, true);
    // Timer3 reports the progress and ends the update after the follow-up search.
    if (writes_.Update()) return;
    // Another operation of the engineering face holds the writes: nothing
    // was sent, so the face does not go on as if it had been.
    EnableTimer(form_.Timer3, false);
    for (QWidget* w : SimpleFaceUpdateLocks(form_.c)) Enable(w);
    RefuseUpdate(kWritesBusy);
    EnablePanel();
}

void ConfigurationApply::Default() {
    const SettingsFile settings = state_.Settings();
    auto read = [&settings](const char* key) {
        return QString::fromStdString(settings.Text("DefaultDeviceSetting", key));
    };
    SelectRow(form_.c.Combo2, settings.IsOn("DefaultDeviceSetting", "DHCP") ? 0 : 1);
    SetText(form_.c.Text6[0], read("IP"));
    SetText(form_.c.Text6[1], read("Subnet"));
    SetText(form_.c.Text6[2], read("Gateway"));
    SetText(form_.c.Text6[3], read("PassWord"));
    SetText(form_.c.Text6[6], TextOf(form_.c.Text6[3]));
}

}  // namespace cobalin
