#include "session/many_devices.h"

#include <algorithm>
#include <map>
#include <utility>

#include "core/request_packets.h"
#include "toolkit/program_clock.h"

namespace cobalin {

std::string AskAddresses(DeviceSession& session, int16_t type, const std::string& host,
                         const std::vector<std::string>& others, bool modules) {
    if (type != SearchAddress) return {};
    std::string fault;
    const auto askEach = [&](ui::SocketControl& socket, const QByteArray& request, const char* what) {
        const QString was = socket.RemoteHost;
        for (const std::string& other : others) {
            if (other == host) continue;
            socket.RemoteHost = QString::fromStdString(other);
            if (!socket.SendData(request) && what && fault.empty()) fault = std::string(what) + " could not be sent to " + other;
        }
        socket.RemoteHost = was;
    };
    askEach(session.UDP8888, ui::ToByteArray(BuildSearchRequest(type, session.UDP8888.RemotePort)), "the search request");
    // A module moved with its device answers the query only at its new
    // address; a query that cannot leave is swallowed, as every module query.
    if (modules && session.UDPsck.State() == ui::SocketControl::kOpen)
        askEach(session.UDPsck, ui::ToByteArray(BuildModuleQuery()), nullptr);
    return fault;
}

ManyDevices::ManyDevices(DeviceSession& session) : session_(session) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    kick_.setSingleShot(true);
    connect(&wake_, &QTimer::timeout, this, [this] {
        if (watch_) Follow(watch_->Timer(Now()));
    });
    connect(&kick_, &QTimer::timeout, this, [this] { WriteAgain(); });
    session_.OnReply([this](const IntakeResult& r) { Arrived(r.entry, false); });
    session_.OnModuleReply([this](int16_t entry) { Arrived(entry, true); });
}

void ManyDevices::Arrived(long entry, bool module) {
    if (!watch_) return;
    const bool was = watch_->Verified(entry);
    const WatchStep step = watch_->Arrived(session_.Store(), entry, module, Now());
    if (watch_->Verified(entry) != was) Tell(entry);
    for (long e : step.rewrite) Tell(e);
    Follow(step);
}

double ManyDevices::Now() { return CurrentClock().Now(); }

bool ManyDevices::StartBatch(const std::vector<BatchDevice>& batch, const QString& host,
                             std::function<bool()> stopStarting, std::function<void(const BatchEnd&)> ended,
                             double& countdown) {
    const std::vector<WriteStep> steps = BatchUpdateSteps(batch);
    countdown = CountdownSeconds(steps);
    DeviceSession::Sequence sequence{WithoutCountdown(steps), host, 0, nullptr,
                                     [this, ended = std::move(ended)] {
                                         if (ended) ended({session_.SequenceStarted()});
                                     },
                                     std::move(stopStarting)};
    return session_.RunSequence(std::move(sequence));
}

void ManyDevices::StartWatch(ReturnWatch& watch, WatchRequest request,
                             std::function<void(size_t waiting, size_t count)> progress,
                             std::function<void(const std::string& fault)> ended) {
    watch_ = &watch;
    request_ = std::move(request);
    progress_ = std::move(progress);
    ended_ = std::move(ended);
    shown_ = watch.Count() + 1;
    stopping_ = false;
    endFault_.clear();
    pending_.clear();
    writing_.clear();
    Follow(watch.Start(session_.Store(), Now()));
}

void ManyDevices::Follow(const WatchStep& step) {
    if (!watch_) return;
    pending_.insert(pending_.end(), step.rewrite.begin(), step.rewrite.end());
    if (!step.rewrite.empty()) kick_.start(0);
    if (step.end) return End({});
    if (step.probe) {
        // A probe that could not be sent ends the watch (the session's trouble
        // says why), but never in the middle of a device written again: that
        // one gets its whole sequence first.
        const bool modules = watch_->Modules();
        std::string fault = session_.Probe(request_.host, request_.type, modules) ? std::string() : "not a search";
        if (fault.empty()) fault = AskAddresses(session_, request_.type, request_.host.toStdString(), request_.alsoAsk, modules);
        if (!fault.empty()) {
            if (writing_.empty()) return End(fault);
            endFault_ = fault;
            return;
        }
    }
    if (step.wakeAt >= 0) CurrentClock().Start(wake_, std::max(0.0, step.wakeAt - Now()) * 1000);
    if (progress_ && watch_->Waiting() != shown_) {
        shown_ = watch_->Waiting();
        progress_(shown_, watch_->Count());
    }
}

void ManyDevices::WriteAgain() {
    if (!watch_ || pending_.empty() || session_.SequenceRuns()) return;
    // After a stop signal no device is started again: each is judged on what
    // it answers, as it stands.
    if (stopping_ || (request_.stopStarting && request_.stopStarting())) {
        for (long e : std::exchange(pending_, {})) watch_->Unwritten(e);
        return;
    }
    std::vector<BatchDevice> devices;
    std::map<int16_t, SentUpdate> records;
    std::vector<long> still;
    for (long e : std::exchange(pending_, {})) {
        // Meanwhile it may have answered with what was written, or shared its MAC.
        if (!watch_->StillToWrite(session_.Store(), e)) {
            Tell(e);
            continue;
        }
        still.push_back(e);
        for (const BatchDevice& d : request_.batch)
            if (d.device == e) devices.push_back(d);
        // Its answers overwrite its entry, also while it is written: the
        // same bytes as the first time go again.
        if (const SentUpdate* sent = watch_->SentTo(e)) records.emplace(static_cast<int16_t>(e), *sent);
    }
    if (still.empty()) return Follow({});
    writing_ = std::move(still);
    DeviceSession::Sequence again{WithoutCountdown(BatchUpdateSteps(devices)), request_.host, 0, nullptr,
                                  [this] { AgainWritten(); }, request_.stopStarting, std::move(records)};
    if (!session_.RunSequence(std::move(again)))
        for (long e : std::exchange(writing_, {})) watch_->Unwritten(e);
}

void ManyDevices::AgainWritten() {
    if (!watch_) return;
    const double now = Now();
    const std::set<int16_t> started = session_.SequenceStarted();
    for (long e : std::exchange(writing_, {})) {
        if (!watch_) break;
        // An attempt counts only when its requests left: one the session
        // refused (its MAC shared, its interface gone) was no attempt.
        if (started.count(static_cast<int16_t>(e)) && session_.WriteFault(static_cast<int16_t>(e)).empty()) {
            const WatchStep step = watch_->Rewritten(session_.Store(), e, now);
            Tell(e);
            Follow(step);
        } else {
            watch_->Unwritten(e);
        }
    }
    if (!endFault_.empty()) return End(std::exchange(endFault_, {}));
    if (stopping_) return End({});
    kick_.start(0);
}

void ManyDevices::StopWatch() {
    if (!watch_) return;
    stopping_ = true;
    // A sequence writing a device again ends once its due requests went.
    if (session_.SequenceRuns()) return session_.StopSequence();
    End({});
}

void ManyDevices::End(const std::string& fault) {
    if (!watch_) return;
    watch_ = nullptr;
    wake_.stop();
    kick_.stop();
    pending_.clear();
    if (auto ended = std::exchange(ended_, nullptr)) ended(fault);
}

}  // namespace cobalin
