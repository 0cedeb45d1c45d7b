#include <QApplication>
#include <QDir>
#include <QJsonValue>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/app_state.h"
#include "app/program_options.h"
#include "app/startup.h"
#include "cobalin_version.h"
#include "config/help_window.h"
#include "protocol/text_conversions.h"
#include "ui/program_time.h"
#include "ui/scripted_dialogs.h"
#include "ui/ui_driver.h"

using namespace cobalin;

namespace {

QJsonValue StateValue(const AppState& s, const QString& what, int index, bool& ok) {
    ok = true;
    if (what == "OperationTick") return s.OperationTick;
    if (what == "DeviceCount") return s.Devices->DeviceCount;
    if (what == "SelectedDevice") return s.SelectedDevice;
    if (what == "DeviceType") return s.DeviceType;
    if (what == "AppClosing") return s.AppClosing;
    if (what == "CloseAllowed") return s.CloseAllowed;
    if (index >= 0 && index < static_cast<int>(kTableSize)) {
        const DeviceEntry& e = s.Devices->DeviceTable[static_cast<size_t>(index)];
        if (what == "MacText") return QString::fromStdString(e.MacText);
        if (what == "FormatTag") return QString::fromStdString(e.FormatTag);
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

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const ProgramOptions options = ParseProgramOptions(args, std::getenv("COBALIN_HOME"));
    if (!options.error.empty()) {
        std::fprintf(stderr, "cobalin: %s\n%s", options.error.c_str(), UsageText().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("cobalin %s\n", COBALIN_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    app.setApplicationName("Cobalin");
    const QString home = options.home.empty() ? QCoreApplication::applicationDirPath()
                                              : QDir(QString::fromStdString(options.home)).absolutePath();
    AppState state(home.toStdString());
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, [] { AbortAllWaits(); });

    std::unique_ptr<ui::Dialogs> dialogs;
    ui::ScriptedDialogs* scripted = nullptr;
    if (options.drive) {
        auto s = std::make_unique<ui::ScriptedDialogs>();
        scripted = s.get();
        dialogs = std::move(s);
    } else {
        dialogs = std::make_unique<ui::ScreenDialogs>();
    }
    Startup startup(state, *dialogs);

    std::unique_ptr<ui::UiDriver> driver;
    if (options.drive) {
        ui::DriverHooks hooks;
        hooks.windows = [&startup] {
            QList<ui::Form*> open;
            if (startup.main() && startup.help().window() && startup.help().window()->isVisible())
                open << startup.help().window();
            if (startup.main() && startup.main()->isVisible()) open << startup.main();
            if (startup.chooser() && startup.chooser()->isVisible()) open << startup.chooser();
            return open;
        };
        hooks.idle = [&state, &startup] {
            const bool timers = startup.main() && (startup.main()->Timer1->isActive() || startup.main()->Timer3->isActive());
            return state.OperationTick == -1 && !timers;
        };
        hooks.state = [&state](const QString& what, int index, bool& ok) { return StateValue(state, what, index, ok); };
        driver = std::make_unique<ui::UiDriver>(hooks, *scripted);
        driver->Start();
    }
    startup.Run();
    if (!startup.chooser()->isVisible() && !(startup.main() && startup.main()->isVisible())) return 0;
    return app.exec();
}
