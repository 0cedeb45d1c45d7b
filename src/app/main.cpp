#include <QApplication>
#include <QJsonValue>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/app_state.h"
#include "driver/driver_hooks.h"
#include "core/program_options.h"
#include "app/program_folder.h"
#include "app/configure_command.h"
#include "app/search_command.h"
#include "app/startup.h"
#include "cobalin_version.h"
#include "toolkit/program_font.h"
#include "toolkit/program_time.h"
#include "driver/scripted_dialogs.h"
#include "driver/ui_driver.h"

using namespace cobalin;


namespace {
class FirstPaintExit : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && watched->objectName() == "FormMain" && !painted_) {
            painted_ = true;
            std::printf("%lld\n", static_cast<long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }
    bool painted_ = false;
};

// The UI driver on standard input and output; its `quit` ends the program.
std::unique_ptr<ui::UiDriver> StartDriver(Startup& startup, AppState& state, ui::ScriptedDialogs& dialogs) {
    ui::DriverHooks hooks = MakeDriverHooks(startup.Windows(), state);
    hooks.quit = [hooks] {
        AbortAllWaits();
        for (ui::Form* f : hooks.windows()) f->close();
        std::fflush(stdout);
        QCoreApplication::exit(0);
        // Every wait unwinds at once now; should one not, end all the same.
        QTimer::singleShot(2000, [] {
            std::fflush(stdout);
            std::_Exit(0);
        });
    };
    auto driver = std::make_unique<ui::UiDriver>(hooks, dialogs);
    driver->Start();
    return driver;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The search for scripts runs without a window.
    if (!args.empty() && args[0] == "search") return RunSearchCommand(argc, argv, {args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "configure")
        return RunConfigureCommand(argc, argv, {args.begin() + 1, args.end()});
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
    ui::UseProgramFont();
    const QString home = ProgramFolder(options.home);
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
    const std::unique_ptr<ui::UiDriver> driver = options.drive ? StartDriver(startup, state, *scripted) : nullptr;
    // For the start-up benchmark: end as soon as the main window has been painted.
    FirstPaintExit firstPaint;
    if (std::getenv("COBALIN_EXIT_AFTER_FIRST_PAINT")) app.installEventFilter(&firstPaint);
    startup.Run();
    if (!(startup.chooser() && startup.chooser()->isVisible()) && !(startup.main() && startup.main()->isVisible())) return 0;
    return app.exec();
}
