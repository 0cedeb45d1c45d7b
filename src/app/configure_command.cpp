#include "app/configure_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "session/headless_session.h"
#include "app/program_folder.h"
#include "app/stop_signals.h"
#include "core/configure_plan.h"
#include "core/device_report.h"
#include "core/ini_file.h"
#include "core/settings.h"
#include "core/settings_backup.h"
#include "core/text_conversions.h"

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

// The device's record, in the format of "BackupSetting", as MAC.ini in the
// open backup folder, or under the first free name after it: an earlier
// run's backup, made before any change, is never replaced.
bool Backup(int folder, const std::string& mac, std::span<const uint8_t> record) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return !WriteNewIniFile(folder, BackupEntries(mac, record), BackupFileNames(mac, local)).empty();
}

// The backup folder, made (0700) when missing, opened without following a
// link, and checked to be the user's alone: the backups hold passwords. Its
// descriptor, or -1 with `error` told.
int OpenBackupFolder(std::string folder, std::string& error) {
    // "DIR/" would follow a link that "DIR" names.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make the backup folder " + folder;
        return -1;
    }
    struct stat st{};
    if (lstat(folder.c_str(), &st) != 0) {
        error = "cannot make the backup folder " + folder;
        return -1;
    }
    std::string fault = BackupFolderFault(st, geteuid());
    const int fd = fault.empty() ? open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
    // What was opened is what counts, should the name have changed meanwhile.
    if (fd >= 0 && (fstat(fd, &st) != 0 || !(fault = BackupFolderFault(st, geteuid())).empty())) {
        close(fd);
        error = "the backup folder " + folder + " cannot hold device passwords: " + fault;
        return -1;
    }
    if (fd < 0) error = fault.empty() ? "cannot open the backup folder " + folder
                                      : "the backup folder " + folder + " cannot hold device passwords: " + fault;
    return fd;
}

// The backups the plan's rows restore, read before anything is sent: a
// relative path is taken from the plan's folder (the current folder for a
// plan on standard input). False, with one line per fault, when any cannot
// be read.
bool ReadBackups(const std::vector<PlanRow>& rows, const std::string& planName, std::map<size_t, DeviceRecord>& out,
                 std::string& error) {
    const size_t slash = planName.rfind('/');
    const std::string folder = planName == "-" || slash == std::string::npos ? "" : planName.substr(0, slash + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& name = rows[i].fromBackup;
        if (name.empty()) continue;
        const BackupRead read = LoadBackupFile(name.front() == '/' ? name : folder + name);
        if (read.error.empty())
            out[i] = read.record;
        else
            error += "line " + std::to_string(rows[i].line) + ", column " + std::string(kBackupColumn) + ": " + read.error + "\n";
    }
    if (!error.empty()) error.pop_back();
    return error.empty();
}

struct Planned {
    PlanRow row;
    ReportRow report;
    long device = 0;
    SentUpdate sent;
    // What the device held before its write (page 0, or its module record),
    // to tell a write that did not take from one that did.
    Bytes before = {};
};

// Steps 2-4: each row matched, checked and its change computed. A row is
// refused too when nothing may be sent to its device (`refusal`), or when it
// would give the device an address another found device keeps.
std::vector<Planned> PlanAll(const std::vector<PlanRow>& rows, const std::map<size_t, DeviceRecord>& backups,
                             const DeviceStore& store, bool check, const std::function<std::string(long device)>& refusal) {
    std::vector<long> devices;
    std::vector<DevicePlan> plans(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const long device = FindDevice(store, rows[i].mac);
        devices.push_back(device);
        if (device <= 0) continue;
        const auto backup = backups.find(i);
        plans[i] = PlanDevice(store, device, rows[i], ClassOfEntry(store.DeviceTable[static_cast<size_t>(device)]),
                              backup == backups.end() ? nullptr : &backup->second);
    }
    RefuseAddressClashes(store, devices, plans, refusal);
    std::vector<Planned> out;
    for (size_t i = 0; i < rows.size(); ++i) {
        Planned& p = out.emplace_back();
        p.row = rows[i];
        p.report.mac = rows[i].mac;
        p.device = devices[i];
        if (p.device <= 0) {
            p.report.status = RowStatus::NotFound;
            p.report.reason = "not found by the search";
            continue;
        }
        DevicePlan& plan = plans[i];
        p.report.status = plan.status == RowStatus::WouldChange && !check ? RowStatus::Updated : plan.status;
        p.report.reason = plan.reason;
        p.report.changed = plan.changed;
        p.report.ip = FoundAddress(store, rows[i].mac);
        p.sent = std::move(plan.sent);
    }
    return out;
}

// The whole text to `fd`, every part checked: false when any of it could
// not be written (a full disk, a pipe whose reader went away).
bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The report, on standard output: 0 when it was written whole, else the
// status that says so. Once devices were written, a report that cannot be
// written is no "nothing was sent".
int PrintReport(const std::vector<Planned>& planned, ReportFormat format, bool written, int status) {
    std::vector<ReportRow> report;
    for (const Planned& p : planned) report.push_back(p.report);
    const std::string out = format == ReportFormat::Json ? ConfigureReportJson(report) : ConfigureReportText(report);
    if (WriteAll(STDOUT_FILENO, out)) return status;
    std::fputs("cobalin configure: cannot write the report\n", stderr);
    return written ? 1 : 2;
}

// What a stop signal leaves of a row.
constexpr std::string_view kInterruptedBeforeSending = "interrupted before anything was sent";
constexpr std::string_view kInterruptedBeforeWriting = "interrupted before it was written";
constexpr std::string_view kInterruptedBeforeVerification = "interrupted before verification";

// Every row of the plan interrupted: a stop signal came before any request
// to a device was sent.
int ReportAllInterrupted(const std::vector<PlanRow>& rows, ReportFormat format) {
    std::vector<Planned> planned;
    for (const PlanRow& row : rows)
        planned.push_back({row, {row.mac, RowStatus::Interrupted, {}, std::string(kInterruptedBeforeSending), {}}, 0, {}});
    return PrintReport(planned, format, false, 1);
}

// The new addresses of the devices a batch writes: an address search asks
// them too afterwards.
std::vector<std::string> NewAddresses(const std::vector<Planned>& planned) {
    std::vector<std::string> out;
    for (const Planned& p : planned) {
        if (p.report.status != RowStatus::Updated || !p.sent.rows.count(PagedRow::IpAddress)) continue;
        // As the device now holds it ("192.168.001.010" asks 192.168.1.10),
        // from the row or from the backup it restores.
        if (const std::string to = SentAddress(p.sent); !to.empty()) out.push_back(to);
    }
    return out;
}

// The devices a batch writes: each planned update's record goes into its
// entry, as the editor's edits do, after the device's state before it was
// backed up (a row whose backup cannot be written is refused).
std::vector<BatchDevice> TakeIntoTable(std::vector<Planned>& planned, const AppState& state, DeviceSession& session,
                                       int backups) {
    std::vector<BatchDevice> batch;
    for (Planned& p : planned) {
        if (p.report.status != RowStatus::Updated) continue;
        const DeviceEntry& entry = state.Devices->DeviceTable[static_cast<size_t>(p.device)];
        if (backups >= 0 && !Backup(backups, p.row.mac, entry.Record)) {
            p.report = {p.row.mac, RowStatus::Refused, {}, "the backup could not be written", p.report.ip};
            continue;
        }
        if (p.sent.module)
            p.before = state.Devices->LanModuleTable[static_cast<size_t>(p.device)].Record;
        else
            p.before.assign(entry.Record.begin() + static_cast<long>(kPages[0].recordOffset),
                            entry.Record.begin() + static_cast<long>(kPages[0].recordOffset + kPages[0].length));
        session.TakeSent(static_cast<int16_t>(p.device), p.sent);
        batch.push_back({static_cast<int16_t>(p.device), p.sent.module.has_value()});
    }
    return batch;
}

// Each written device's verdict from the watch, or why there is none.
void Verify(std::vector<Planned>& planned, const ReturnWatch& watch, const DeviceStore& after, const StopSignals& stops,
            const std::string& sendFault, const std::string& searchFault) {
    for (Planned& p : planned) {
        if (p.report.status != RowStatus::Updated) continue;
        p.report.attempts = watch.Attempts(p.device);
        if (stops.count() >= 2) {
            p.report.status = RowStatus::NotVerified;
            p.report.reason = std::string(kInterruptedBeforeVerification);
            continue;
        }
        const Verification v = watch.Verdict(p.device, after);
        p.report.ip = v.ip;
        if (v.verified) continue;
        p.report.status = RowStatus::NotVerified;
        p.report.reason = !searchFault.empty() ? "the search after the update failed: " + searchFault
                          : !sendFault.empty() ? v.reason + " (" + sendFault + ")"
                                               : v.reason;
    }
}

// Sends the batch, then watches the devices until each is back or the
// deadline (today's countdown and one full search of `seconds`); a second
// stop signal ends the watch and skips the verification. False when a stop
// signal came before any device was started: nothing was sent to a device.
bool WriteAndVerify(HeadlessSession& session, std::vector<Planned>& planned, const std::vector<BatchDevice>& batch,
                    const StopSignals& stops, double seconds, const DeviceStore& after) {
    // The devices have been written: whatever fails from here on is
    // reported per device, never as "nothing was sent".
    double countdown = 0;
    const auto stopStarting = [&stops] { return stops.count() > 0; };
    const std::string sendFault = session.RunBatch(batch, stopStarting, countdown);
    const std::set<int16_t> started = session.Started();
    if (started.empty()) return false;
    for (Planned& p : planned)
        if (p.report.status == RowStatus::Updated && started.count(static_cast<int16_t>(p.device)) == 0)
            p.report = {p.row.mac, RowStatus::Interrupted, {}, std::string(kInterruptedBeforeWriting), p.report.ip};
    ReturnWatch watch(countdown + seconds);
    for (const Planned& p : planned)
        if (p.report.status == RowStatus::Updated)
            watch.Add(p.device, p.sent, session.session().WriteFault(static_cast<int16_t>(p.device)), p.before);
    const std::string searchFault =
        stops.count() < 2 ? session.Watch(watch, NewAddresses(planned), batch, stopStarting) : std::string();
    Verify(planned, watch, after, stops, sendFault, searchFault);
    return true;
}

std::vector<std::string> MacsOf(const std::vector<PlanRow>& rows) {
    std::vector<std::string> macs;
    for (const PlanRow& row : rows) macs.push_back(row.mac);
    return macs;
}

int ExitStatus(const std::vector<Planned>& planned, bool check) {
    std::vector<ReportRow> report;
    for (const Planned& p : planned) report.push_back(p.report);
    return ConfigureExitStatus(report, check);
}

// Everything checked before the search: the plan, the backups its rows
// restore, and the folder for the backups of this run (`backups`, -1 for
// none). The faults, or empty.
std::string LoadPlan(const ConfigureCommandOptions& options, PlanParse& plan, std::map<size_t, DeviceRecord>& restores,
                     int& backups) {
    std::string text, error;
    if (!ReadPlan(options.plan, text, error)) return error;
    plan = ParsePlan(text);
    if (!plan.error.empty()) return plan.error;
    if (!ReadBackups(plan.rows, options.plan, restores, error)) return error;
    if (!options.backup.empty() && !options.check) backups = OpenBackupFolder(options.backup, error);
    return error;
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
    // A report to a closed pipe is a write that fails, not the end of the
    // process with devices half seen to.
    std::signal(SIGPIPE, SIG_IGN);
    PlanParse plan;
    std::map<size_t, DeviceRecord> restores;
    int backups = -1;
    if (const std::string error = LoadPlan(options, plan, restores, backups); !error.empty()) return Fail(error);
    // From here on a Ctrl-C, a kill or a dropped ssh session stops starting
    // devices; those started are finished and the report still comes.
    StopSignals stops;

    QCoreApplication app(argc, argv);
    app.setApplicationName("Cobalin");
    const std::string home = ProgramFolder(options.search.home).toStdString();
    const RunSettings run = ReadRunSettings(SettingsFile(home + "/Setting.ini"));
    AppState state(home);
    HeadlessSession session(state, options.search, BroadcastsOnEveryInterface(run));
    if (const std::string taken = session.PortsFree(); !taken.empty()) return Fail(taken);

    bool batchBegun = false;
    stops.Watch([&session, &batchBegun](int count) {
        // The first ends the first search; a batch goes on without new
        // devices, and is verified. The second also cuts the batch's waits
        // short and skips the verification.
        if (count >= 2 || !batchBegun) session.Stop();
    });

    TerminalProgress progress;
    session.progress = [&progress](const std::string& line) { progress.Show(line); };
    if (const std::string e = session.SearchFor(MacsOf(plan.rows)); !e.empty()) return Fail(e);
    if (stops.count() > 0) return ReportAllInterrupted(plan.rows, options.search.format);
    const QString host = QString::fromStdString(options.search.host);
    std::vector<Planned> planned = PlanAll(plan.rows, restores, *state.Devices, options.check, [&](long device) {
        return session.session().RequestRefusal(static_cast<int16_t>(device), host);
    });

    const std::vector<BatchDevice> batch = options.check ? std::vector<BatchDevice>{} : TakeIntoTable(planned, state, session.session(), backups);
    if (stops.count() > 0) return ReportAllInterrupted(plan.rows, options.search.format);
    if (!batch.empty()) {
        // A device is started by its first request; after a stop signal no
        // other device is, and each started one gets the rest of its own.
        batchBegun = true;
        if (!WriteAndVerify(session, planned, batch, stops, options.search.seconds, *state.Devices))
            return ReportAllInterrupted(plan.rows, options.search.format);
    }
    session.progress = nullptr;
    progress.Show({});

    return PrintReport(planned, options.search.format, !batch.empty(), stops.count() > 0 ? 1 : ExitStatus(planned, options.check));
}

}  // namespace cobalin
