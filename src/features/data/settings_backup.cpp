#include "features/data/settings_backup.h"

#include <QPushButton>
#include <ctime>

#include "core/ansi_text.h"
#include "core/settings_backup.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

const char* const kBackupNameNotPlain =
    "Nothing was written: \"%1\" is not a plain file name. Give a name without a folder, \"/\", \"\\\", \":\" or \"..\".";
const char* const kBackupNotWritten = "The backup could not be written to %1.";
const char* const kBackupTitle = "Backup setting";

namespace {

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

SettingsBackup::SettingsBackup(FormMain& form, AppState& state, Dialogs& dialogs)
    : form_(form), state_(state), dialogs_(dialogs) {
    connect(form_.c.Command11, &QPushButton::clicked, this, [this] { BackupSettings(); });
    // "Misc." lies over the lists of the engineering face: without a
    // background of its own they would show through its buttons.
    form_.c.Frame17->setAutoFillBackground(true);
}

void SettingsBackup::BackupSettings() {
    const int16_t device = form_.session.ChosenDevice();
    const QString mac = device ? QString::fromStdString(form_.session.SelectedMac()) : QString();
    const std::string macText = Utf8ToAnsi(mac.toStdString());
    const auto answer = dialogs_.Input("Please enter setting file name for NSV (" + mac + ")", kBackupTitle,
                                       QString::fromStdString(DefaultBackupName(LocalNow(), macText)));
    if (!answer || answer->isEmpty()) return;
    if (device == 0) return;
    const std::string name = answer->toStdString();
    if (!IsPlainFileName(name)) {
        dialogs_.Message(QString(kBackupNameNotPlain).arg(*answer), kBackupTitle, MessageIcon::Warning);
        return;
    }
    const std::string file = state_.PathOf(name + ".ini");
    const DeviceRecord& record = state_.Devices->DeviceTable[static_cast<size_t>(device)].Record;
    // One replacement of the file for every key: a backup is either all
    // there or not written at all, and keys of an earlier backup that this
    // one does not write stay.
    if (WriteIniEntries(BackupEntries(macText, record), file) == 0)
        dialogs_.Message(QString(kBackupNotWritten).arg(QString::fromStdString(file)), kBackupTitle,
                         MessageIcon::Critical);
}

}  // namespace cobalin
