#include "features/data/settings_restore.h"

#include <QPushButton>

#include "core/device_change.h"
#include "core/settings_backup.h"
#include "features/editor/parameter_editor.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

const char* const kRestoreTitle = "Restore setting";

SettingsRestore::SettingsRestore(FormMain& form, AppState& state, Dialogs& dialogs, ParameterEditor& editor)
    : form_(form), state_(state), dialogs_(dialogs), editor_(editor) {
    connect(form_.c.Command40, &QPushButton::clicked, this, [this] { RestoreSettings(); });
}

void SettingsRestore::Say(const QString& text, bool restored) {
    ShowStatus(form_.c.Label1, text, restored ? kBlack : kRed);
}

void SettingsRestore::RestoreSettings() {
    const int16_t device = form_.session.ChosenDevice();
    if (device == 0) return Say("Not restored: no device of the last search is chosen", false);
    const std::string mac = state_.Devices->DeviceTable[static_cast<size_t>(device)].MacText;
    const auto answer = dialogs_.Input("Please enter setting file name to restore into NSV (" + QString::fromStdString(mac) + ")",
                                       kRestoreTitle, QString::fromStdString(NewestBackupFor(state_.home, mac)));
    if (!answer || answer->isEmpty()) return;
    // The input box waited: the device must still be the one it was asked for.
    if (form_.session.ChosenDevice() != device || form_.session.SelectedMac() != mac) return;
    // A plain name is in the program folder; a path (a --backup folder) may point anywhere.
    const std::string name = answer->toStdString() + ".ini";
    const std::string file = name.find('/') == std::string::npos ? state_.PathOf(name) : name;
    const BackupRead read = LoadBackupFile(file);
    if (!read.error.empty()) return Say("Not restored: " + QString::fromStdString(read.error), false);
    const DeviceChange change = ComputeChange(*state_.Devices, device, {}, &read.record);
    if (!change.refusal.empty()) return Say("Not restored: " + QString::fromStdString(change.refusal), false);
    const QString shown = *answer + ".ini";
    if (change.rows.empty() && !change.otherBytes)
        return Say("Not restored: the device holds what " + shown + " holds already", false);
    form_.session.TakeChange(device, change);
    editor_.TakeRestore(mac, change.rows);
    // Chosen afresh, the device's texts are decoded from the restored record
    // and the details show them.
    form_.session.SelectMac(mac);
    QString text = "Restored from " + shown + ": " + QString::fromStdString(ChangedRowNames(change));
    if (!change.note.empty()) text += " (" + QString::fromStdString(change.note) + ")";
    Say(text + "; Update (7) sends it", true);
}

}  // namespace cobalin
