// The found-device lists of the simple face and the configuration panel,
// filled when a search has ended.
#pragma once

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

class FoundLists {
public:
    FoundLists(ui::FormMain& form, AppState& state) : form_(form), state_(state) {}

    void FillFoundList();
    void FillPanelLists();
    // Empties the panel's configuration fields and disables its lists.
    void ClearConfigurationFields();

private:
    // Empties and disables the panel's lists; the panel is usable again, Save off.
    void EmptyPanelLists();

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
