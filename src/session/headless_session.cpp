#include "session/headless_session.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "core/operation_ticks.h"
#include "core/request_packets.h"
#include "toolkit/observed.h"
#include "toolkit/program_time.h"

namespace cobalin {

std::string PortTakenText(int port, const std::string& socket) {
    return "cannot use UDP port " + std::to_string(port) + " (" + socket +
           "): another program holds it, or the system refuses it";
}

TerminalProgress::TerminalProgress() : on_(isatty(STDERR_FILENO) == 1) {}

void TerminalProgress::Show(const std::string& line) {
    if (!on_) return;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}

HeadlessSession::HeadlessSession(AppState& state, const SearchCommandOptions& where, bool everyInterface)
    : state_(state), where_(where), session_(state) {
    session_.BroadcastOnEveryInterface(everyInterface);
    const QString host = QString::fromStdString(where_.host);
    session_.SetTarget([this, host] { return SessionTarget{host, where_.remotePort}; });
    session_.OnTrouble([this](const SessionTrouble& t) {
        if (t.kind == SessionTrouble::NotSent) error_ = t.text;
        else if (t.kind == SessionTrouble::InvalidPort) error_ = "no port to ask";
        else error_ = PortTakenText(t.port, t.socket);
        // A search ends on its trouble; a batch goes on to its end, so that
        // no device is left between its clear and its write.
        if (loop_ && !session_.SequenceRuns()) loop_->quit();
    });
    session_.OnReply([this](const IntakeResult& r) {
        refused_ += r.outcome == IntakeResult::Refused;
        if (arrived_) arrived_(r.entry, false);
    });
    session_.OnModuleReply([this](int16_t entry) {
        if (arrived_) arrived_(entry, true);
    });
    session_.OnTick([this](const OperationTickEvent& e) {
        if (progress && e.kind == OperationTickEvent::Counting)
            progress("searching: tick " + std::to_string(e.shown) + " of " + std::to_string(kLastOperationTick) + ", " +
                     std::to_string(state_.Devices->DeviceCount) + " device(s) found");
        if (e.kind == OperationTickEvent::NothingOpen && loop_ && !session_.SequenceRuns()) loop_->quit();
    });
    session_.OnListeningEnded([this] {
        if (loop_ && !session_.SequenceRuns()) loop_->quit();
    });
    // The listening period stretched or shortened to the seconds asked, over the same 19 ticks.
    session_.Timer1.setTimerType(Qt::PreciseTimer);
    // (never below a millisecond, so the ticks never run back to back).
    ui::SetTimerInterval(&session_.Timer1,
                         std::max(1, static_cast<int>(std::lround(where_.seconds * 1000.0 / kLastOperationTick))));
}

double HeadlessSession::Now() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count() / TimeScale();
}

namespace {

// Sets the watch's timer for program time `at` (none when negative).
void StartWake(QTimer& wake, double at, double now) {
    if (at >= 0) wake.start(ScaledMs(std::max(0.0, at - now) * 1000));
}

}  // namespace

std::string HeadlessSession::Search(const std::vector<std::string>& alsoAsk) { return Search(nullptr, alsoAsk); }

std::string HeadlessSession::SearchFor(const std::vector<std::string>& plan) {
    PlanSearchWatch watch(plan);
    return Search(&watch, {});
}

std::string HeadlessSession::AskAlso(const std::vector<std::string>& alsoAsk, bool modules) {
    // A broadcast reaches a device wherever it moved; one address does not.
    // The same sockets ask the others, as they stand: binding one again could
    // drop an answer already on its way.
    if (where_.type != SearchAddress) return {};
    std::string fault;
    const auto askEach = [&](ui::SocketControl& socket, const QByteArray& request, const char* what) {
        const QString host = socket.RemoteHost;
        for (const std::string& other : alsoAsk) {
            if (other == where_.host) continue;
            socket.RemoteHost = QString::fromStdString(other);
            if (!socket.SendData(request) && what && fault.empty()) fault = std::string(what) + " could not be sent to " + other;
        }
        socket.RemoteHost = host;
    };
    askEach(session_.UDP8888, ui::ToByteArray(BuildSearchRequest(where_.type, session_.UDP8888.RemotePort)),
            "the search request");
    // A module moved with its device answers the query only at its new
    // address; a query that cannot leave is swallowed, as every module query.
    if (modules && session_.UDPsck.State() == ui::SocketControl::kOpen)
        askEach(session_.UDPsck, ui::ToByteArray(BuildModuleQuery()), nullptr);
    return fault;
}

std::string HeadlessSession::Search(PlanSearchWatch* plan, const std::vector<std::string>& alsoAsk) {
    error_.clear();
    ClearDeviceTable(*state_.Devices);
    const QString host = QString::fromStdString(where_.host);
    if (!session_.Send(host, where_.type, 0) || !error_.empty()) return error_.empty() ? "not a search" : error_;
    if (const std::string fault = AskAlso(alsoAsk); !fault.empty()) return fault;
    // For a plan the module query goes with the search request, not halfway.
    session_.QueryModulesOnTick(!plan);
    if (plan) session_.Send(host, UpdateQuery, 0);
    QEventLoop loop;
    loop_ = &loop;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    const auto follow = [&](const WatchStep& step) {
        if (step.end) return loop.quit();
        // A plan that still lacks a page or a module record asks again, the
        // module query with the search request, on the sockets the search holds.
        if (step.probe && !session_.Probe(host, where_.type, true)) return loop.quit();
        StartWake(wake, step.wakeAt, Now());
    };
    if (plan) {
        QObject::connect(&wake, &QTimer::timeout, [&] { follow(plan->Timer(*state_.Devices, Now())); });
        arrived_ = [&](long entry, bool module) {
            follow(module ? plan->Arrived(Now()) : plan->Arrived(*state_.Devices, entry, Now()));
        };
        follow(plan->Start(Now()));
    }
    session_.StartCounting();
    if (error_.empty()) loop.exec();
    arrived_ = nullptr;
    loop_ = nullptr;
    session_.Shut();
    session_.QueryModulesOnTick(true);
    return error_;
}

// One watch while its event loop runs: what it was given, its timers, and
// the devices it is to write again.
struct HeadlessSession::WatchRun {
    WatchRun(ReturnWatch& watch, const std::vector<std::string>& alsoAsk, const std::vector<BatchDevice>& batch,
             std::function<bool()> stopStarting, QString host)
        : watch(watch), alsoAsk(alsoAsk), batch(batch), stopStarting(std::move(stopStarting)), host(std::move(host)) {}
    ReturnWatch& watch;
    const std::vector<std::string>& alsoAsk;
    const std::vector<BatchDevice>& batch;
    std::function<bool()> stopStarting;
    QString host;
    QEventLoop loop;
    QTimer wake;
    QTimer kick;  // writes them from the event loop, not from inside a sequence's end
    bool ended = false;
    size_t shown = watch.Count() + 1;  // the count of devices waited for last told
    std::vector<long> pending;         // to be written again, once no sequence runs
    std::vector<long> writing;         // being written again
};

std::string HeadlessSession::Watch(ReturnWatch& watch, const std::vector<std::string>& alsoAsk,
                                   const std::vector<BatchDevice>& batch, std::function<bool()> stopStarting) {
    error_.clear();
    stopAsked_ = false;
    WatchRun run(watch, alsoAsk, batch, std::move(stopStarting), QString::fromStdString(where_.host));
    loop_ = &run.loop;
    run.wake.setSingleShot(true);
    run.wake.setTimerType(Qt::PreciseTimer);
    run.kick.setSingleShot(true);
    QObject::connect(&run.kick, &QTimer::timeout, [&] { WriteAgain(run); });
    QObject::connect(&run.wake, &QTimer::timeout, [&] { FollowWatch(run, watch.Timer(Now())); });
    arrived_ = [&](long entry, bool module) { FollowWatch(run, watch.Arrived(*state_.Devices, entry, module, Now())); };
    FollowWatch(run, watch.Start(*state_.Devices, Now()));
    if (!run.ended) run.loop.exec();
    arrived_ = nullptr;
    loop_ = nullptr;
    session_.Shut();
    return error_;
}

void HeadlessSession::FollowWatch(WatchRun& run, const WatchStep& step) {
    if (run.ended) return;
    run.pending.insert(run.pending.end(), step.rewrite.begin(), step.rewrite.end());
    if (!step.rewrite.empty()) run.kick.start(0);
    // A probe that could not be sent ends the watch: its trouble says why.
    const bool modules = run.watch.Modules();
    const bool probed = step.end || !step.probe ||
                        (session_.Probe(run.host, where_.type, modules) && AskAlso(run.alsoAsk, modules).empty());
    if (step.end || !probed) {
        if (!step.end && error_.empty()) error_ = "not a search";
        run.ended = true;
        run.loop.quit();
        return;
    }
    StartWake(run.wake, step.wakeAt, Now());
    if (!progress || run.watch.Waiting() == run.shown) return;
    run.shown = run.watch.Waiting();
    progress("waiting for " + std::to_string(run.shown) + " of " + std::to_string(run.watch.Count()) +
             " devices to come back");
}

void HeadlessSession::WriteAgain(WatchRun& run) {
    if (run.ended || run.pending.empty() || session_.SequenceRuns()) return;
    // After a stop signal no device is started again: each is judged on
    // what it answers, as it stands.
    if (run.stopStarting && run.stopStarting()) {
        for (long e : std::exchange(run.pending, {})) run.watch.Unwritten(e);
        return;
    }
    std::vector<BatchDevice> devices;
    std::map<int16_t, SentUpdate> records;
    for (long e : run.pending) {
        for (const BatchDevice& d : run.batch)
            if (d.device == e) devices.push_back(d);
        // Its answers overwrite its entry, also while it is written: the
        // same bytes as the first time go again.
        if (const SentUpdate* sent = run.watch.SentTo(e)) records.emplace(static_cast<int16_t>(e), *sent);
    }
    run.writing = std::exchange(run.pending, {});
    DeviceSession::Sequence again{WithoutCountdown(BatchUpdateSteps(devices)), run.host, 0, nullptr,
                                  [this, &run] { WrittenAgain(run); }, run.stopStarting, std::move(records)};
    if (!session_.RunSequence(std::move(again)))
        for (long e : std::exchange(run.writing, {})) run.watch.Unwritten(e);
}

void HeadlessSession::WrittenAgain(WatchRun& run) {
    const double now = Now();
    const std::set<int16_t> started = session_.SequenceStarted();
    for (long e : std::exchange(run.writing, {})) {
        if (started.count(static_cast<int16_t>(e))) FollowWatch(run, run.watch.Rewritten(*state_.Devices, e, now));
        else run.watch.Unwritten(e);
    }
    if (stopAsked_ && !run.ended) {
        run.ended = true;
        run.loop.quit();
    }
    run.kick.start(0);
}

void HeadlessSession::Stop() {
    if (!loop_) return;
    stopAsked_ = true;
    // A batch ends, its run's end told, as soon as its last request went.
    if (session_.SequenceRuns()) session_.StopSequence();
    else loop_->quit();
}

std::string HeadlessSession::Run(const std::vector<WriteStep>& steps, std::function<bool()> stopStarting) {
    error_.clear();
    QEventLoop loop;
    loop_ = &loop;
    // The countdown, a line a second: the batch's waits less the time gone.
    double left = WaitedSeconds(steps);
    QTimer second;
    second.setInterval(ScaledMs(1000));
    QObject::connect(&second, &QTimer::timeout, [&] {
        left = std::max(0.0, left - 1);
        if (progress) progress("written; waiting for the devices to restart: " + std::to_string(static_cast<int>(left)) + " s");
    });
    if (progress) progress("writing...");
    second.start();
    DeviceSession::Sequence sequence{steps, QString::fromStdString(where_.host), 0, nullptr, [&loop] { loop.quit(); },
                                     std::move(stopStarting)};
    if (session_.RunSequence(std::move(sequence)) && session_.SequenceRuns()) loop.exec();
    loop_ = nullptr;
    session_.Shut();
    return error_;
}

std::string HeadlessSession::RunBatch(const std::vector<BatchDevice>& batch, std::function<bool()> stopStarting,
                                      double& countdown) {
    const std::vector<WriteStep> steps = BatchUpdateSteps(batch);
    countdown = CountdownSeconds(steps);
    return Run(WithoutCountdown(steps), std::move(stopStarting));
}

std::string HeadlessSession::PortsFree() {
    // The search's own port, each write request's and the module socket's
    // (the module exchange goes from the port the search asks).
    const auto local = [](int16_t type) {
        const CommandRoute* route = FindUdpRoute(type);
        return route ? static_cast<int>(route->localPort) : -1;
    };
    const struct {
        ui::SocketControl* socket;
        int port;
    } ports[] = {{&session_.UDP8888, local(where_.type)},     {&session_.UDP8890, local(ClearConfigBuffer)},
                 {&session_.UDP8890, local(WriteConfig)},      {&session_.UDP8890, local(ResetDevice)},
                 {&session_.UDPsck, where_.remotePort}};
    for (const auto& p : ports) {
        p.socket->protocol = ui::SocketControl::Protocol::UDP;
        const bool bound = p.port >= 0 && p.socket->Bind(p.port);
        p.socket->Close();
        if (!bound) return PortTakenText(p.port, p.socket->objectName().toStdString());
    }
    return {};
}

}  // namespace cobalin
