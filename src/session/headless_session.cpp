#include "session/headless_session.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "core/operation_ticks.h"
#include "core/request_packets.h"
#include "toolkit/observed.h"
#include "toolkit/program_clock.h"
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
        // no device is left between its clear and its write; the watch ends
        // by itself when its probe is refused.
        if (loop_ && !session_.SequenceRuns() && !many_.Watching()) loop_->quit();
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

double HeadlessSession::Now() { return CurrentClock().Now(); }

std::string HeadlessSession::Search(const std::vector<std::string>& alsoAsk) { return Search(nullptr, alsoAsk); }

std::string HeadlessSession::SearchFor(const std::vector<std::string>& plan) {
    PlanSearchWatch watch(plan);
    return Search(&watch, {});
}

std::string HeadlessSession::Search(PlanSearchWatch* plan, const std::vector<std::string>& alsoAsk) {
    error_.clear();
    session_.EmptyTable();
    const QString host = QString::fromStdString(where_.host);
    if (!session_.Send(host, where_.type, 0) || !error_.empty()) return error_.empty() ? "not a search" : error_;
    if (const std::string fault = AskAddresses(session_, where_.type, where_.host, alsoAsk, false); !fault.empty())
        return fault;
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
        if (step.wakeAt >= 0) CurrentClock().Start(wake, std::max(0.0, step.wakeAt - Now()) * 1000);
    };
    if (plan) {
        QObject::connect(&wake, &QTimer::timeout, [&] { follow(plan->Timer(session_.Store(), Now())); });
        arrived_ = [&](long entry, bool module) {
            follow(module ? plan->Arrived(Now()) : plan->Arrived(session_.Store(), entry, Now()));
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

std::string HeadlessSession::Watch(ReturnWatch& watch, const std::vector<std::string>& alsoAsk,
                                   const std::vector<BatchDevice>& batch, std::function<bool()> stopStarting) {
    error_.clear();
    QEventLoop loop;
    loop_ = &loop;
    bool ended = false;
    const auto show = [this](size_t waiting, size_t count) {
        if (progress) progress("waiting for " + std::to_string(waiting) + " of " + std::to_string(count) + " devices to come back");
    };
    many_.StartWatch(watch, {QString::fromStdString(where_.host), where_.type, alsoAsk, batch, std::move(stopStarting)}, show,
                     [&](const std::string& fault) {
                         // A write sent again that could not leave is that
                         // device's, not the search's: only a probe's fault counts.
                         error_ = fault.empty() ? std::string() : error_.empty() ? fault : error_;
                         ended = true;
                         loop.quit();
                     });
    if (!ended) loop.exec();
    loop_ = nullptr;
    session_.Shut();
    return error_;
}

void HeadlessSession::Stop() {
    if (!loop_) return;
    // The watch ends at once, or once the device being written again got its
    // due requests; a batch ends, its run's end told, as soon as its last
    // request went.
    if (many_.Watching()) many_.StopWatch();
    else if (session_.SequenceRuns()) session_.StopSequence();
    else loop_->quit();
}

std::string HeadlessSession::RunBatch(const std::vector<BatchDevice>& batch, std::function<bool()> stopStarting,
                                      double& countdown) {
    error_.clear();
    started_.clear();
    QEventLoop loop;
    loop_ = &loop;
    // The countdown, a line a second: the batch's waits less the time gone.
    double left = WaitedSeconds(WithoutCountdown(BatchUpdateSteps(batch)));
    QTimer second;
    second.setInterval(ScaledMs(1000));
    QObject::connect(&second, &QTimer::timeout, [&] {
        left = std::max(0.0, left - 1);
        if (progress) progress("written; waiting for the devices to restart: " + std::to_string(static_cast<int>(left)) + " s");
    });
    if (progress) progress("writing...");
    second.start();
    bool ended = false;
    const bool started = many_.StartBatch(batch, QString::fromStdString(where_.host), std::move(stopStarting),
                                          [&](const ManyDevices::BatchEnd& end) {
                                              started_ = end.started;
                                              ended = true;
                                              loop.quit();
                                          },
                                          countdown);
    if (started && !ended) loop.exec();
    loop_ = nullptr;
    session_.Shut();
    return error_;
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
