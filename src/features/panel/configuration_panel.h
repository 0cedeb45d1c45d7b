// The configuration panel's Scan, its device lists' selection chain, and the
// loading of a found device into the simple face and the panel.
#pragma once

#include <QObject>

#include "core/app_state.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class SearchOrchestration;

class ConfigurationPanel : public QObject {
public:
    ConfigurationPanel(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, SearchOrchestration& search);

    void Scan();
    // Loading a device: the selection handler of List6.
    void LoadDevice();

private:
    bool Busy(const QString& button);
    void ListSelected();          // List7
    void TypeListSelected(QWidget* typeList);  // Combo5 or Combo6
    void AllListSelected();       // Combo4
    // True when the super-user password equals the loaded device's password
    // (SkipPassword 1 copies it in first). Otherwise the panel's fields are
    // emptied and the status says why: a device's settings reach the panel
    // only for a user who knows its password.
    bool QueryAuthentication();

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    SearchOrchestration& search_;
};

}  // namespace cobalin
