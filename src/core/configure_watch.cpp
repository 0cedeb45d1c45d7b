#include "core/configure_watch.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace cobalin {

namespace {

// Timers fire a little early or late; a moment this close counts as reached.
constexpr double kSlack = 0.005;

constexpr uint8_t kPages01 = 0x3;

}  // namespace

bool PlanAnswered(const DeviceStore& store, const std::vector<std::string>& macs) {
    return std::all_of(macs.begin(), macs.end(), [&store](const std::string& mac) {
        const long k = FindDevice(store, mac);
        if (!k) return false;
        const DeviceEntry& e = store.DeviceTable[static_cast<size_t>(k)];
        // A module's record makes the entry WithModule; its pages are still needed.
        return e.FormatTag == RecordFormat::Short || (e.ReceivedPages & kPages01) == kPages01;
    });
}

WatchStep PlanSearchWatch::Start(double now) {
    nextAsk_ = now + kProbeSeconds;
    return Arrived(now);
}

WatchStep PlanSearchWatch::Arrived(double now) {
    last_ = now;
    return {false, false, std::min(now + kQuietSeconds, nextAsk_)};
}

WatchStep PlanSearchWatch::Arrived(const DeviceStore& store, long entry, double now) {
    if (!store.IsDevice(entry)) return Arrived(now);
    const std::string& mac = store.DeviceTable[static_cast<size_t>(entry)].MacText;
    if (asked_ && whole_.count(mac)) return {};
    if (PlanAnswered(store, {mac})) whole_.insert(mac);
    return Arrived(now);
}

WatchStep PlanSearchWatch::Timer(const DeviceStore& store, double now) {
    const double quietEnd = last_ + kQuietSeconds;
    if (PlanAnswered(store, macs_)) {
        // Answered: the search ends once the quiet second is over.
        if (now + kSlack >= quietEnd) return {true, false, -1};
        return {false, false, quietEnd};
    }
    WatchStep step;
    if (now + kSlack >= nextAsk_) {
        step.probe = asked_ = true;
        // One request a second, however late the timer fired.
        while (nextAsk_ <= now + kSlack) nextAsk_ += kProbeSeconds;
    }
    step.wakeAt = nextAsk_;
    return step;
}

std::vector<WriteStep> WithoutCountdown(const std::vector<WriteStep>& steps) {
    auto end = steps.end();
    while (end != steps.begin() && std::prev(end)->kind != WriteStep::Send) --end;
    return {steps.begin(), end};
}

double CountdownSeconds(const std::vector<WriteStep>& steps) {
    const std::vector<WriteStep> writes = WithoutCountdown(steps);
    return WaitedSeconds({steps.begin() + static_cast<long>(writes.size()), steps.end()});
}

void ReturnWatch::Add(long entry, SentUpdate sent, std::string sendFault, Bytes before) {
    devices_.push_back({entry, std::move(sent), std::move(sendFault), std::move(before)});
}

void ReturnWatch::ForgetAnswers(Watched& w, DeviceStore& store) {
    w.back = w.module = w.verified = false;
    // The pages counted from here on are those of its answers after the write.
    if (store.IsDevice(w.entry)) store.DeviceTable[static_cast<size_t>(w.entry)].ReceivedPages = 0;
}

double ReturnWatch::Deadline() const {
    double latest = 0;
    for (const Watched& w : devices_)
        if (!w.verified && w.fault.empty()) latest = std::max(latest, w.lastSent + seconds_);
    return latest;
}

WatchStep ReturnWatch::Start(DeviceStore& store, double now) {
    nextProbe_ = now + kProbeSeconds;
    settleUntil_ = -1;
    for (Watched& w : devices_) {
        ForgetAnswers(w, store);
        w.attempts = 1;
        w.lastSent = now;
        w.rewriting = false;
    }
    if (!Waiting()) return {true, false, -1};
    // The first probe a second after the last request: asked at once, a
    // device could answer before it has taken its reset, with the values it
    // is about to leave, and that answer would stand for it at the deadline.
    return {false, false, std::min(nextProbe_, Deadline())};
}

bool ReturnWatch::AnsweredAsBefore(const Watched& w, const DeviceStore& store) const {
    if (w.before.empty() || !store.IsDevice(w.entry)) return false;
    const DeviceEntry& e = store.DeviceTable[static_cast<size_t>(w.entry)];
    const auto& page0 = kPages[0];
    // A write that leaves page 0 as it was (a restore of page 1 alone) cannot
    // be told from one not taken by page 0: such a device is not written again.
    if (!w.sent.module && w.before.size() == page0.length &&
        std::equal(w.before.begin(), w.before.end(), w.sent.record.begin() + static_cast<long>(page0.recordOffset)))
        return false;
    // Which of two devices answered cannot be told: neither is written again.
    if (e.SharedMac) return false;
    if (w.sent.module) {
        const LanModuleEntry& m = store.LanModuleTable[static_cast<size_t>(w.entry)];
        return w.module && m.MacText == e.MacText && m.Record == w.before;
    }
    return (e.ReceivedPages & 1u) && w.before.size() == page0.length &&
           std::equal(w.before.begin(), w.before.end(), e.Record.begin() + static_cast<long>(page0.recordOffset));
}

WatchStep ReturnWatch::Arrived(const DeviceStore& store, long entry, bool module, double now) {
    WatchStep step;
    for (Watched& w : devices_) {
        if (w.entry != entry) continue;
        w.back = true;
        w.module = w.module || module;
        // What arrives while it waits to be written again is judged just
        // before it is written (StillToWrite).
        if (w.rewriting) continue;
        // An answer with the old values (not restarted yet, or a reset
        // ignored) verifies nothing and concludes nothing: only the deadline
        // does, or, once the device should have restarted, writing it again.
        if (w.verified || !w.fault.empty()) continue;
        w.verified = Judge(w, store).verified;
        if (!w.verified && w.attempts < kMaxWriteAttempts && now + kSlack >= w.lastSent + kUntakenAfterSeconds &&
            now < w.lastSent + seconds_ && AnsweredAsBefore(w, store)) {
            w.rewriting = true;
            step.rewrite.push_back(w.entry);
        }
    }
    if (!step.rewrite.empty() || Waiting() != 0 || settleUntil_ >= 0) return step;
    settleUntil_ = now + kQuietSeconds;
    step.wakeAt = settleUntil_;
    return step;
}

WatchStep ReturnWatch::Rewritten(DeviceStore& store, long entry, double now) {
    for (Watched& w : devices_) {
        if (w.entry != entry || !w.rewriting) continue;
        ForgetAnswers(w, store);
        w.rewriting = false;
        ++w.attempts;
        w.lastSent = now;
    }
    return {false, false, std::min(nextProbe_, Deadline())};
}

void ReturnWatch::Unwritten(long entry) {
    for (Watched& w : devices_)
        if (w.entry == entry) w.rewriting = false;
}

bool ReturnWatch::StillToWrite(const DeviceStore& store, long entry) {
    for (Watched& w : devices_) {
        if (w.entry != entry || !w.rewriting) continue;
        // What arrived while it waited to be written counts as its answer.
        w.verified = Judge(w, store).verified;
        if (!w.verified && AnsweredAsBefore(w, store)) return true;
        w.rewriting = false;
    }
    return false;
}

WatchStep ReturnWatch::Timer(double now) {
    // The quiet second after the last verification: nothing more is asked.
    if (settleUntil_ >= 0) return {now + kSlack >= settleUntil_, false, now + kSlack >= settleUntil_ ? -1 : settleUntil_};
    const bool rewriting = std::any_of(devices_.begin(), devices_.end(), [](const Watched& w) { return w.rewriting; });
    // A device being written again is waited for: its deadline starts anew.
    if (!Waiting() || (!rewriting && now + kSlack >= Deadline())) return {true, false, -1};
    WatchStep step;
    if (now + kSlack >= nextProbe_) {
        step.probe = true;
        // One probe a second, however late the timer fired.
        while (nextProbe_ <= now + kSlack) nextProbe_ += kProbeSeconds;
    }
    step.wakeAt = rewriting ? nextProbe_ : std::min(nextProbe_, Deadline());
    return step;
}

size_t ReturnWatch::Waiting() const {
    return static_cast<size_t>(
        std::count_if(devices_.begin(), devices_.end(), [](const Watched& w) { return !w.verified && w.fault.empty(); }));
}

bool ReturnWatch::Modules() const {
    return std::any_of(devices_.begin(), devices_.end(), [](const Watched& w) { return w.sent.module.has_value(); });
}

const ReturnWatch::Watched* ReturnWatch::Find(long entry) const {
    for (const Watched& w : devices_)
        if (w.entry == entry) return &w;
    return nullptr;
}

const SentUpdate* ReturnWatch::SentTo(long entry) const {
    const Watched* w = Find(entry);
    return w ? &w->sent : nullptr;
}

bool ReturnWatch::Verified(long entry) const {
    const Watched* w = Find(entry);
    return w && w->verified;
}

int ReturnWatch::Attempts(long entry) const {
    const Watched* w = Find(entry);
    return w ? w->attempts : 0;
}

Verification ReturnWatch::Verdict(long entry, const DeviceStore& store) const {
    for (const Watched& w : devices_)
        if (w.entry == entry) return Judge(w, store);
    return {};
}

Verification ReturnWatch::Judge(const Watched& w, const DeviceStore& store) const {
    DeviceStore& view = *view_;
    view.DeviceTable[1] = DeviceEntry{};
    view.LanModuleTable[1] = LanModuleEntry{};
    view.DeviceCount = 0;
    if (w.back && store.IsDevice(w.entry)) {
        DeviceEntry& e = view.DeviceTable[1] = store.DeviceTable[static_cast<size_t>(w.entry)];
        // Pages that did not come again read as a fresh entry's zeros, never
        // as the record the write sent or the answer from before it.
        for (size_t p = 0; p < kPages.size(); ++p)
            if (!(e.ReceivedPages & 1u << p)) std::memset(e.Record.data() + kPages[p].recordOffset, 0, kPages[p].length);
        if (w.module) view.LanModuleTable[1] = store.LanModuleTable[static_cast<size_t>(w.entry)];
        e.FormatTag = w.module ? RecordFormat::WithModule : e.ReceivedPages & 1u ? RecordFormat::Paged : RecordFormat::None;
        view.DeviceCount = 1;
    }
    return VerifyDevice(w.sent, view, w.fault);
}

}  // namespace cobalin
