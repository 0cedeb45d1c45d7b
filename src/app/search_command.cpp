#include "app/search_command.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/program_folder.h"
#include "core/device_report.h"
#include "core/search_command.h"
#include "core/settings.h"
#include "session/device_session.h"
#include "toolkit/observed.h"

namespace cobalin {

namespace {
int Fail(const std::string& line) {
    std::fprintf(stderr, "cobalin search: %s\n", line.c_str());
    return 2;
}

std::string PortTaken(int port, const std::string& socket) {
    return "cannot use UDP port " + std::to_string(port) + " (" + socket +
           "): another program holds it, or the system refuses it";
}

// The window's search without a window: the same session, sockets, request
// bytes and ticks (the module query on the ninth), over the period asked.
// Empty when the search ran, else one line saying what failed; `refused`
// counts the replies the intake refused.
std::string SearchOnce(DeviceSession& session, AppState& state, const SearchCommandOptions& options, int& refused) {
    const QString host = QString::fromStdString(options.host);
    session.SetTarget([&] { return SessionTarget{host, options.remotePort}; });
    std::string error;
    QEventLoop loop;
    session.OnTrouble([&](const SessionTrouble& t) {
        if (t.kind == SessionTrouble::NotSent) error = t.text;
        else if (t.kind == SessionTrouble::InvalidPort) error = "no port to ask";
        else error = PortTaken(t.port, t.socket);
        loop.quit();
    });
    session.OnReply([&](const IntakeResult& r) { refused += r.outcome == IntakeResult::Refused; });
    session.OnTick([&](const OperationTickEvent& e) {
        if (e.kind != OperationTickEvent::Counting || e.step == TickStep::Finished) loop.quit();
    });
    session.Timer1.setTimerType(Qt::PreciseTimer);
    ui::SetTimerInterval(&session.Timer1, static_cast<int>(options.seconds * 1000.0 / kLastOperationTick));
    ClearDeviceTable(*state.Devices);
    if (!session.Send(host, options.type, 0) || !error.empty()) return error.empty() ? "not a search" : error;
    session.StartCounting();
    loop.exec();
    session.Shut();
    return error;
}
}  // namespace

int RunSearchCommand(int argc, char* argv[], const std::vector<std::string>& args) {
    const SearchCommandOptions options = ParseSearchCommand(args, std::getenv("COBALIN_HOME"));
    if (!options.error.empty()) return Fail(options.error + " (cobalin search --help tells more)");
    if (options.help) {
        std::fputs(SearchUsageText().c_str(), stdout);
        return 0;
    }
    // An event loop for the sockets and the ticks; no display, no platform plugin.
    QCoreApplication app(argc, argv);
    app.setApplicationName("Cobalin");
    const std::string home = ProgramFolder(options.home).toStdString();
    const RunSettings run = ReadRunSettings(SettingsFile(home + "/Setting.ini"));

    AppState state(home);
    DeviceSession session(state);
    session.BroadcastOnEveryInterface(BroadcastsOnEveryInterface(run));
    int refused = 0;
    const std::string error = SearchOnce(session, state, options, refused);
    if (!error.empty()) return Fail(error);
    if (refused > 0)
        std::fprintf(stderr, "cobalin search: %d replies were refused (a page cut short, or a device past the 255th)\n",
                     refused);

    const DeviceStore* store = state.Devices.get();
    const std::vector<DeviceReport> devices = ReportDevices(*store);
    std::string out;
    switch (options.format) {
        case ReportFormat::Json:
            out = ReportJson(devices);
            break;
        case ReportFormat::Csv:
            out = ReportCsv(devices);
            break;
        case ReportFormat::Text:
            if (!devices.empty()) out = ReportText(devices);
            break;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0) return Fail("cannot write the result");
    return devices.empty() ? 1 : 0;
}

}  // namespace cobalin
