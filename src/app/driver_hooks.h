// What the UI driver sees of the running program.
#pragma once

#include "app/app_state.h"
#include "app/startup.h"
#include "ui/ui_driver.h"

namespace cobalin {

// The windows, the idle test and the state values of the program; quit is
// left to the caller.
ui::DriverHooks MakeDriverHooks(Startup& startup, AppState& state);

}  // namespace cobalin
