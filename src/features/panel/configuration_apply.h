// From the configuration panel's values to the device: the confirmation of
// a panel with a new password, the last checks of the panel's values and their hand-over to
// the simple face, and the simple face's Update, which compares every field
// with the device's current value, applies the changed ones through the
// parameter editor (the one change computation) and sends the record with
// "Update (7)".
// Also the simple face's Default, which fills the fields from the settings.
#pragma once

#include <QObject>
#include <QString>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/device_change.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class DeviceWrites;
class ParameterEditor;
class SearchOrchestration;

class ConfigurationApply : public QObject {
public:
    ConfigurationApply(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, SearchOrchestration& search, ParameterEditor& editor,
                       DeviceWrites& writes);

    // Asks to set up the device of this family ("IP Dongle") and stages the
    // new password, or the one typed when none is new; then applies.
    void ConfirmNewPasswordSetup(const QString& familyName);
    void ApplyConfiguration();
    void Update();   // Command21 "Update"
    void Default();  // Command22 "Default"

    // The device the panel loaded (its line in the list of answers, as
    // Frame13's caption shows it): the simple face's Update is for it alone.
    void SetLoadedDevice(const QString& line) { loadedDevice_ = line; }

    // True while a search, a command exchange or an update runs, until the
    // update's follow-up search has ended and the lists are filled again.
    bool OperationRuns() const;

private:
    // Enables the panel's lists, buttons and configuration frame again.
    void EnablePanel();
    // Disables them while an update is under way.
    void DisablePanel();
    // The simple face's status and the panel's status line in red.
    void RefuseUpdate(const QString& text);
    // The simple face's fields as its Update reads them.
    FaceValues Face() const;
    // Why the update of the loaded device with these rows cannot be sent;
    // empty when it can.
    QString UpdateRefusal(const std::vector<WantedRow>& rows) const;

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    SearchOrchestration& search_;
    ParameterEditor& editor_;
    DeviceWrites& writes_;
    QString loadedDevice_;
};

// The status of a refused update of a device whose record has no rows for
// these settings.
extern const char* const kRecordNotWritable;
// The status of an update with no device of the last search loaded.
extern const char* const kNoDeviceLoaded;
// The status of an update that found the writes busy with another operation.
extern const char* const kWritesBusy;

}  // namespace cobalin
