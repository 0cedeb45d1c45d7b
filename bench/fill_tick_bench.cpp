// The Timer3 tick that fills the found-device lists for 255 found devices
// (both lists, every device decoded twice, the first one loaded), offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "core/app_state.h"
#include "app/startup.h"
#include "features/search/search_orchestration.h"
#include "toolkit/controls.h"
#include "driver/scripted_dialogs.h"

using namespace cobalin;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    std::ofstream(dir.filePath("Setting.ini").toStdString()) << "[RunMode]\nStartupAutoDeviceType=2\nSkipPassword=1\n";
    AppState state(dir.path().toStdString());
    ui::ScriptedDialogs dialogs;
    Startup startup(state, dialogs);
    startup.Run();
    ui::FormMain& form = *startup.main();

    std::vector<double> ms;
    for (int run = 0; run < 15; ++run) {
        ClearDeviceTable(*state.Devices);
        state.Devices->DeviceCount = 0;
        ui::ClearItems(form.Control("List1"));
        ui::ClearItems(form.Control("List6"));
        for (int i = 0; i < 255; ++i) {
            for (uint8_t page = 0; page < 3; ++page) {
                Bytes p(kPages[page].length, 0);
                p[0] = 0x50;
                p[5] = static_cast<uint8_t>(i >> 8);
                p[6] = static_cast<uint8_t>(i);
                p[7] = page;
                if (page == 0) std::copy_n("PCB-4160-01", 11, p.begin() + 142);
                if (ReplyIntake(*state.Devices, p).outcome == IntakeResult::Added)
                    ui::AddItem(form.Control("List1"), QString::fromStdString(state.Devices->DeviceTable[state.Devices->DeviceCount].MacText));
            }
        }
        ui::Enable(form.Control("Frame6"));
        form.Timer3->start();
        QElapsedTimer t;
        t.start();
        startup.search().Timer3Tick();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("Timer3 list-filling tick for 255 devices: median %.1f ms, best %.1f ms (target <= 50 ms); List6 %d, Combo6 %d\n",
                ms[ms.size() / 2], ms.front(), ui::ItemCount(form.Control("List6")), ui::ItemCount(form.Control("Combo6")));
    return 0;
}
