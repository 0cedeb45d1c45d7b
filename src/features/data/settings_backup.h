// "BackupSetting" of the "Misc." frame: writes the selected device's whole
// record, byte for byte, into a settings file of the program folder under a
// name the user gives.
#pragma once

#include <QObject>
#include <QString>

#include "core/app_state.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

// The messages of a backup that was not written: %1 the name typed, or the
// file's path.
extern const char* const kBackupNameNotPlain;
extern const char* const kBackupNotWritten;
extern const char* const kBackupTitle;

class SettingsBackup : public QObject {
public:
    SettingsBackup(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs);

    // The "BackupSetting" click.
    void BackupSettings();

private:
    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
};

}  // namespace cobalin
