// "RestoreSetting" of the "Misc." frame: loads a backup that
// "BackupSetting" (or `cobalin configure --backup`) wrote into the selected
// device's record copy, its own identity kept; "Update (7)" sends it, with
// the usual checks and a verification of every byte it sends.
#pragma once

#include <QObject>
#include <QString>

#include "core/app_state.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class ParameterEditor;

extern const char* const kRestoreTitle;

class SettingsRestore : public QObject {
public:
    SettingsRestore(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, ParameterEditor& editor);

    // The "RestoreSetting" click.
    void RestoreSettings();

private:
    // The status line says what happened, in red when nothing was restored.
    void Say(const QString& text, bool restored);

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    ParameterEditor& editor_;
};

}  // namespace cobalin
