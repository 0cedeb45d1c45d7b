// The Timer3 tick that fills the found-device lists for 255 found devices
// (List6 and the panel's lists, the first ZentaBox loaded), offscreen.
// Arguments: the number of timed ticks (default 15). Older versions of the
// program, whose lists held no lines of their own, cleared List6 itself
// here; a binary built from that source runs beside this one. Under
// callgrind, count only
// cobalin::SearchOrchestration::Timer3Tick() with --toggle-collect.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <vector>

#include "core/app_state.h"
#include "app/startup.h"
#include "features/search/found_lists.h"
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
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    for (int run = 0; run < runs; ++run) {
        DeviceStore& store = form.session.Store();
        form.session.EmptyTable();
        form.session.ForgetDevices();
        ui::ClearItems(form.Control("List1"));
        // As a search starts: the found list's lines, which the list shows.
        startup.search().lists().lines().list6.Clear();
        for (int i = 0; i < 255; ++i) {
            for (uint8_t page = 0; page < 3; ++page) {
                Bytes p(kPages[page].length, 0);
                p[0] = 0x50;
                p[5] = static_cast<uint8_t>(i >> 8);
                p[6] = static_cast<uint8_t>(i);
                p[7] = page;
                if (page == 0) std::copy_n("PCB-4160-01", 11, p.begin() + 142);
                if (ReplyIntake(store, p).outcome == IntakeResult::Added)
                    ui::AddItem(form.Control("List1"), QString::fromStdString(store.DeviceTable[store.DeviceCount].MacText));
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
    std::printf("Timer3 list-filling tick for 255 devices: median %.2f ms, best %.2f ms over %d ticks "
                "(target: at most 3 ms, or a fifth of the old fill); List6 %d, Combo6 %d\n",
                ms[ms.size() / 2], ms.front(), runs, ui::ItemCount(form.Control("List6")), ui::ItemCount(form.Control("Combo6")));
    return 0;
}
