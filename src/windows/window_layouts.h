// The control tables and created sizes of the program's three windows.
#pragma once

#include <span>

#include "toolkit/control_table.h"
#include "windows/names.h"

namespace cobalin::ui {

// The tables of the three windows.
std::span<const ControlDef> MainWindowControls();
std::span<const ControlDef> ChooserControls();
std::span<const ControlDef> HelpWindowControls();

// Created sizes of the windows, in twips (the main window's in names.h).
constexpr int kChooserWidth = 4500, kChooserHeight = 2280;
constexpr int kHelpWidth = 8250, kHelpHeight = 7650;

}  // namespace cobalin::ui
