#include "driver/driver_hooks.h"

#include <QJsonValue>

#include "core/text_conversions.h"

namespace cobalin {

namespace {

QJsonValue StateValue(const AppState& s, const QString& what, int index, bool& ok) {
    ok = true;
    if (what == "OperationTick") return s.OperationTick;
    if (what == "DeviceCount") return s.Devices->DeviceCount;
    if (what == "SelectedDevice") return s.SelectedDevice;
    if (what == "DeviceType") return static_cast<int>(s.DeviceType);
    if (what == "AppClosing") return s.AppClosing;
    if (what == "CloseAllowed") return s.CloseAllowed;
    if (index >= 0 && index < static_cast<int>(kTableSize)) {
        const DeviceEntry& e = s.Devices->DeviceTable[static_cast<size_t>(index)];
        if (what == "MacText") return QString::fromStdString(e.MacText);
        if (what == "FormatTag") return QString(FormatTagText(e.FormatTag));
        if (what == "EchoBytes") {
            std::string hex;
            for (uint8_t b : e.EchoBytes) hex += HexByte(b);
            return QString::fromStdString(hex);
        }
    }
    ok = false;
    return {};
}

}  // namespace

ui::DriverHooks MakeDriverHooks(ProgramWindows windows, AppState& state) {
    ui::DriverHooks hooks;
    hooks.windows = [windows] {
        QList<ui::Form*> open;
        ui::FormMain* main = windows.main();
        ui::FormHelp* help = windows.help();
        ui::FormDeviceSelect* chooser = windows.chooser();
        if (main && help && help->isVisible()) open << help;
        if (main && main->isVisible()) open << main;
        if (chooser && chooser->isVisible()) open << chooser;
        return open;
    };
    hooks.idle = [&state, windows] {
        ui::FormMain* main = windows.main();
        const bool timers = main && (main->Timer1->isActive() || main->Timer3->isActive());
        return state.OperationTick == kNoOperation && !timers;
    };
    hooks.state = [&state](const QString& what, int index, bool& ok) { return StateValue(state, what, index, ok); };
    return hooks;
}

}  // namespace cobalin
