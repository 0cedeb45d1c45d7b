// What the UI driver sees of the running program: its windows, whether it
// is idle, and the values of the shared state.
#pragma once

#include <functional>

#include "core/app_state.h"
#include "driver/ui_driver.h"
#include "windows/forms.h"

namespace cobalin {

// The three windows as the running program has them now (nullptr when a
// window does not exist), so the driver needs nothing of start-up itself.
struct ProgramWindows {
    std::function<ui::FormDeviceSelect*()> chooser;
    std::function<ui::FormMain*()> main;
    std::function<ui::FormHelp*()> help;
};

// The windows, the idle test and the state values of the program; quit is
// left to the caller.
ui::DriverHooks MakeDriverHooks(ProgramWindows windows, AppState& state);

}  // namespace cobalin
