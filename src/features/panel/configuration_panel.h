// The configuration panel: its buttons (Scan, Refresh, Save, OK, Close, Help,
// DEBUG and the demonstration "Fake"), the selection chain from its device
// lists to the loaded device, the loading of a found device into the simple
// face and the panel, and the checks made when the focus leaves a field.
#pragma once

#include <QObject>
#include <functional>

#include "core/app_state.h"
#include "core/input_rules.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class ConfigurationApply;
class ListLines;
class SearchOrchestration;

class ConfigurationPanel : public QObject {
public:
    // openHelp: opens the help window and returns when it is closed.
    ConfigurationPanel(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, SearchOrchestration& search,
                       ConfigurationApply& apply, std::function<void()> openHelp);

    // The handler of the Command34 array, by index.
    void ButtonPressed(int index);
    void Scan();
    void Refresh();
    void Save();
    void Ok();
    void Close();
    void Debug();
    void Fake();  // Command39
    // Loading a device: the selection handler of List6.
    void LoadDevice();

private:
    // True (after saying so) while an operation runs; button: the pressed
    // button's caption, the title of the box.
    bool Busy(const QString& button);
    // A refusal of the panel's own checks, in the form it is reported in.
    void Report(Refusal refusal);
    void ListSelected();                                 // List7
    void TypeChosen(const ListLines& typeList, int row);  // Combo5 or Combo6
    void AllChosen(int row);                              // Combo4
    // Loads List6's line `row`: the session chooses its device, and the
    // simple face and the panel show it.
    void Load(int row);
    // Leaving "New password (confirm)": true keeps the focus there.
    bool ConfirmationLeft();
    // True when the super-user password equals the loaded device's password
    // (SkipPassword 1 copies it in first). Otherwise the panel's fields are
    // emptied and the status says why: a device's settings reach the panel
    // only for a user who knows its password.
    bool QueryAuthentication();

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    SearchOrchestration& search_;
    ConfigurationApply& apply_;
    std::function<void()> openHelp_;
};

// The eight made-up MAC addresses that "Fake" lists.
extern const char* const kFakeDevices[8];

}  // namespace cobalin
