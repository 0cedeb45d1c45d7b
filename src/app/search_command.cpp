#include "app/search_command.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/program_folder.h"
#include "core/device_report.h"
#include "core/search_command.h"
#include "core/settings.h"
#include "session/headless_session.h"

namespace cobalin {

namespace {
int Fail(const std::string& line) {
    std::fprintf(stderr, "cobalin search: %s\n", line.c_str());
    return 2;
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
    HeadlessSession search(state, options, BroadcastsOnEveryInterface(run));
    std::string error;
    {
        TerminalProgress progress;
        search.progress = [&progress](const std::string& line) { progress.Show(line); };
        error = search.Search();
        search.progress = nullptr;
    }
    if (!error.empty()) return Fail(error);
    if (const int refused = search.refused(); refused > 0)
        std::fprintf(stderr, "cobalin search: %d replies were refused (a page cut short, or a device past the 255th)\n",
                     refused);

    const DeviceStore* store = state.Devices;
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
