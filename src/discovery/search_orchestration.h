// Where a search goes: the broadcast check box and the three search modes of
// the simple face, and the engineering face's connection fields they set.
#pragma once

#include <QObject>

#include "app/app_state.h"
#include "ui/dialogs.h"
#include "ui/forms.h"

namespace cobalin {

class SearchOrchestration : public QObject {
public:
    SearchOrchestration(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs);

    // Check1 ticked or cleared (by the user or by code).
    void BroadcastCheckChanged();
    // Option1(k) selected.
    void ModeSelected(int k);
    // Selects Option1(k) as code does, running its handler.
    void SelectMode(int k);

private:
    ui::FormMain& form_;
    [[maybe_unused]] AppState& state_;
    [[maybe_unused]] ui::Dialogs& dialogs_;
};

}  // namespace cobalin
