// Starts the program's windows offscreen in a fresh program folder with a
// given Setting.ini, with boxes that never wait.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <memory>

#include "core/app_state.h"
#include "app/startup.h"
#include "core/temp_dir.h"
#include "toolkit/controls.h"
#include "windows/forms.h"
#include "driver/scripted_dialogs.h"

namespace cobalin::testing {

class AppFixture {
public:
    explicit AppFixture(const std::string& settings, bool run = true) {
        if (!settings.empty()) dir.Write("Setting.ini", settings);
        state = std::make_unique<AppState>(dir.path().string());
        startup = std::make_unique<Startup>(*state, dialogs);
        if (run) startup->Run();
    }
    ~AppFixture() { startup.reset(); }

    ui::FormMain& main() const { return *startup->main(); }
    QWidget* c(const char* name) const { return startup->main()->Control(name); }
    ui::Twips at(const char* name) const { return ui::GetTwips(c(name)); }
    QString text(const char* name) const { return ui::TextOf(c(name)); }
    bool visible(const char* name) const { return ui::OwnVisible(c(name)); }
    bool enabled(const char* name) const { return ui::OwnEnabled(c(name)); }
    int windowHeight() const { return ui::GetTwips(startup->main()).height; }
    int windowWidth() const { return ui::GetTwips(startup->main()).width; }

    static void Spin(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    TempDir dir;
    std::unique_ptr<AppState> state;
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<Startup> startup;
};

// A settings file that opens the main window for a device type at once.
inline std::string Auto(int deviceType, const std::string& more = "") {
    return "[RunMode]\nStartupAutoDeviceType=" + std::to_string(deviceType) + "\n" + more;
}

}  // namespace cobalin::testing
