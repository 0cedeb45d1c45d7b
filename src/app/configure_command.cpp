#include "app/configure_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "app/headless_session.h"
#include "app/program_folder.h"
#include "core/configure_plan.h"
#include "core/device_report.h"
#include "core/ini_file.h"
#include "core/settings.h"
#include "core/settings_backup.h"

namespace cobalin {

namespace {

int Fail(const std::string& text) {
    // A plan's faults come one per line; each line says whose it is.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) std::fprintf(stderr, "cobalin configure: %s\n", line.c_str());
    return 2;
}

// A plan for a whole LAN of 255 devices, every column filled, is some
// 150 kB; anything much larger is no plan.
constexpr size_t kMaxPlanBytes = 4 << 20;

// The whole of `fd`, up to kMaxPlanBytes; false on a read error or more.
bool ReadAtMost(int fd, std::string& text) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (text.size() + static_cast<size_t>(n) > kMaxPlanBytes) return false;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// The plan's text, or an error. A plan holds device passwords: a file that
// group or others may read is refused, as ssh refuses such a key.
bool ReadPlan(const std::string& name, std::string& text, std::string& error) {
    if (name == "-") {
        if (ReadAtMost(STDIN_FILENO, text)) return true;
        error = "cannot read the plan from standard input, or it is larger than " + std::to_string(kMaxPlanBytes) + " bytes";
        return false;
    }
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st{};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        error = "cannot read the plan " + name;
        return false;
    }
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        close(fd);
        error = "the plan " + name + " holds passwords but group or others may read it; run: chmod 600 " + name;
        return false;
    }
    const bool read = ReadAtMost(fd, text);
    close(fd);
    if (!read) error = "cannot read the plan " + name + ", or it is larger than " + std::to_string(kMaxPlanBytes) + " bytes";
    return read;
}

// The device's record, in the format of "BackupSetting", as DIR/MAC.ini;
// the command's umask keeps it readable by its owner only.
bool Backup(const std::string& folder, const std::string& mac, std::span<const uint8_t> record) {
    return WriteIniEntries(BackupEntries(mac, record), folder + "/" + MacFileName(mac) + ".ini") != 0;
}

bool MakeBackupFolder(const std::string& folder) {
    struct stat st{};
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    return mkdir(folder.c_str(), 0700) == 0;
}

struct Planned {
    PlanRow row;
    ReportRow report;
    long device = 0;
    SentUpdate sent;
};

// Steps 2-4: each row matched, checked and its change computed. A row is
// refused too when nothing may be sent to its device (`refusal`), or when it
// would give the device an address another found device keeps.
std::vector<Planned> PlanAll(const std::vector<PlanRow>& rows, const DeviceStore& store, bool check,
                             const std::function<std::string(long device)>& refusal) {
    std::vector<Planned> out;
    for (const PlanRow& row : rows) {
        Planned p;
        p.row = row;
        p.report.mac = row.mac;
        p.device = FindDevice(store, row.mac);
        if (p.device <= 0) {
            p.report.status = RowStatus::NotFound;
            p.report.reason = "not found by the search";
        } else {
            DevicePlan plan = PlanDevice(store, p.device, row, ClassOfEntry(store.DeviceTable[static_cast<size_t>(p.device)]));
            std::string why;
            if (plan.status == RowStatus::WouldChange) why = refusal(p.device);
            if (plan.status == RowStatus::WouldChange && why.empty()) why = PlanAddressClash(store, p.device, plan, row, rows);
            if (!why.empty()) {
                plan.status = RowStatus::Refused;
                plan.reason = std::move(why);
                plan.changed.clear();
            }
            p.report.status = plan.status == RowStatus::WouldChange && !check ? RowStatus::Updated : plan.status;
            p.report.reason = plan.reason;
            p.report.changed = plan.changed;
            p.report.ip = FoundAddress(store, row.mac);
            p.sent = std::move(plan.sent);
        }
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace

int RunConfigureCommand(int argc, char* argv[], const std::vector<std::string>& args) {
    const ConfigureCommandOptions options = ParseConfigureCommand(args, std::getenv("COBALIN_HOME"));
    if (!options.search.error.empty()) return Fail(options.search.error + " (cobalin configure --help tells more)");
    if (options.search.help) {
        std::fputs(ConfigureUsageText().c_str(), stdout);
        return 0;
    }
    // Whatever the command creates (the backups, their folder) holds device
    // passwords: readable by the owner only, however it is written.
    umask(077);
    std::string text, error;
    if (!ReadPlan(options.plan, text, error)) return Fail(error);
    const PlanParse plan = ParsePlan(text);
    if (!plan.error.empty()) return Fail(plan.error);
    if (!options.backup.empty() && !options.check && !MakeBackupFolder(options.backup))
        return Fail("cannot make the backup folder " + options.backup);

    QCoreApplication app(argc, argv);
    app.setApplicationName("Cobalin");
    const std::string home = ProgramFolder(options.search.home).toStdString();
    const RunSettings run = ReadRunSettings(SettingsFile(home + "/Setting.ini"));
    AppState state(home);
    HeadlessSession session(state, options.search, BroadcastsOnEveryInterface(run));
    if (const std::string taken = session.PortsFree(); !taken.empty()) return Fail(taken);

    TerminalProgress progress;
    session.progress = [&progress](const std::string& line) { progress.Show(line); };
    std::vector<std::string> macs;
    for (const PlanRow& row : plan.rows) macs.push_back(row.mac);
    if (const std::string e = session.SearchFor(macs); !e.empty()) return Fail(e);
    const QString host = QString::fromStdString(options.search.host);
    std::vector<Planned> planned = PlanAll(plan.rows, *state.Devices, options.check, [&](long device) {
        return session.session().RequestRefusal(static_cast<int16_t>(device), host);
    });

    std::vector<BatchDevice> batch;
    if (!options.check) {
        for (Planned& p : planned) {
            if (p.report.status != RowStatus::Updated) continue;
            DeviceEntry& entry = state.Devices->DeviceTable[static_cast<size_t>(p.device)];
            if (!options.backup.empty() && !Backup(options.backup, p.row.mac, entry.Record)) {
                p.report = {p.row.mac, RowStatus::Refused, {}, "the backup could not be written", p.report.ip};
                continue;
            }
            // The plan's record goes into the entry, as the editor's edits do.
            entry.Record = p.sent.record;
            if (p.sent.module) state.Devices->LanModuleTable[static_cast<size_t>(p.device)].Record = *p.sent.module;
            batch.push_back({static_cast<int16_t>(p.device), p.sent.module.has_value()});
        }
    }
    if (!batch.empty()) {
        const std::vector<WriteStep> steps = BatchUpdateSteps(batch);
        // The devices have been written: whatever fails from here on is
        // reported per device, never as "nothing was sent".
        const std::string sendFault = session.Run(WithoutCountdown(steps));
        std::map<long, std::string> writeFaults;
        for (const Planned& p : planned)
            if (p.report.status == RowStatus::Updated)
                writeFaults[p.device] = session.session().WriteFault(static_cast<int16_t>(p.device));
        ReturnWatch watch(CountdownSeconds(steps) + options.search.seconds);
        for (const Planned& p : planned)
            if (p.report.status == RowStatus::Updated) watch.Add(p.device, p.sent, writeFaults[p.device]);
        const std::string searchFault = session.Watch(watch);
        for (Planned& p : planned) {
            if (p.report.status != RowStatus::Updated) continue;
            const Verification v = watch.Verdict(p.device, *state.Devices);
            p.report.ip = v.ip;
            if (v.verified) continue;
            p.report.status = RowStatus::NotVerified;
            p.report.reason = !searchFault.empty() ? "the search after the update failed: " + searchFault
                              : !sendFault.empty() ? v.reason + " (" + sendFault + ")"
                                                   : v.reason;
        }
    }
    session.progress = nullptr;
    progress.Show({});

    std::vector<ReportRow> report;
    for (const Planned& p : planned) report.push_back(p.report);
    const std::string out = options.search.format == ReportFormat::Json ? ConfigureReportJson(report)
                                                                        : ConfigureReportText(report);
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0) return Fail("cannot write the report");
    return ConfigureExitStatus(report, options.check);
}

}  // namespace cobalin
