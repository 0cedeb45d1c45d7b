#include "session/device_session.h"

#include <cerrno>
#include <cstring>

#include "core/found_devices.h"
#include "core/lan_module.h"
#include "core/update_checks.h"
#include "toolkit/observed.h"

namespace cobalin {

using ui::SocketControl;

namespace {

std::span<const uint8_t> View(const QByteArray& d) {
    return {reinterpret_cast<const uint8_t*>(d.constData()), static_cast<size_t>(d.size())};
}

// How long the baud-rate connection may take, in program seconds, and how
// often its state is looked at meanwhile (real milliseconds).
constexpr double kBaudConnectSeconds = 5;
constexpr int kBaudPollMs = 10;

template <typename List, typename... Args>
void Tell(const List& observers, const Args&... args) {
    // A copy: an observer may add another.
    for (const auto& f : List(observers)) f(args...);
}

}  // namespace

DeviceSession::DeviceSession(AppState& state) : state_(state) {
    state_.Devices = store_.get();
    Timer1.setObjectName("Timer1");
    ui::SetTimerInterval(&Timer1, kOperationTickMs);
    TCP5300Cmd.protocol = SocketControl::Protocol::TCP;
    connect(&Timer1, &QTimer::timeout, this, [this] { Tick(); });
    connect(&UDP8888, &SocketControl::DataArrival, this, [this] { SearchReplyArrived(); });
    connect(&UDP8890, &SocketControl::DataArrival, this, [this] { AcknowledgementArrived(); });
    connect(&UDPsck, &SocketControl::DataArrival, this, [this] { ModuleReplyArrived(); });
    // Whatever the device sends back on the baud-rate connection is read and dropped.
    connect(&TCP5300Cmd, &SocketControl::DataArrival, this, [this] { TCP5300Cmd.GetData(65536); });
    baudPoll_.setInterval(kBaudPollMs);
    connect(&baudPoll_, &QTimer::timeout, this, [this] {
        const int s = TCP5300Cmd.State();
        if (s != SocketControl::kConnected && s != SocketControl::kError) return;
        baudWait_.Cancel();
        baudPoll_.stop();
        if (auto then = std::exchange(baudThen_, nullptr)) BaudEnded(then, s == SocketControl::kConnected);
    });
}

DeviceSession::~DeviceSession() {
    // Only when the run's state still shows this session's devices: a newer
    // session may have taken over.
    if (state_.Devices == store_.get()) state_.Devices = state_.NoSessionDevices.get();
}

void DeviceSession::BroadcastOnEveryInterface(bool every) {
    for (SocketControl* s : {&UDP8888, &UDP8890, &UDPsck}) s->everyInterface = every;
}

void DeviceSession::Trouble(SessionTrouble t) { Tell(troubles_, t); }

// --- Arrivals ---

void DeviceSession::SearchReplyArrived() {
    const QByteArray d = UDP8888.GetData(static_cast<int>(kMaxDatagramRead));
    const IntakeResult r = ReplyIntake(Store(), View(d), UDP8888.ArrivalSource());
    const SocketControl::Interface& via = UDP8888.ArrivalInterface();
    NoteArrivalInterface(Store(), r, via.index, via.name, via.address, via.prefix);
    Tell(replies_, r);
    // Its module may have answered first.
    if (r.outcome == IntakeResult::Added && !earlyModules_.Empty())
        if (const int16_t entry = earlyModules_.TakeFor(Store(), r.entry); entry >= 0) Tell(moduleReplies_, entry);
}

void DeviceSession::ModuleReplyArrived() {
    const QByteArray d = UDPsck.GetData(65536);
    const SocketControl::Interface& via = UDPsck.ArrivalInterface();
    const Arrival arrival{UDPsck.ArrivalSource(), via.index, via.name, via.address, via.prefix};
    const int16_t entry = ModuleReplyIntake(Store(), View(d), arrival);
    // Asked together with the search, a module can answer before its device does.
    if (entry < 0 && !queryModulesOnTick_) earlyModules_.Keep(View(d), arrival);
    Tell(moduleReplies_, entry);
}

void DeviceSession::AcknowledgementArrived() {
    if (IsAcknowledgement(View(UDP8890.GetData(static_cast<int>(kMaxDatagramRead))))) Tell(acks_);
}

// --- Requests ---

SocketControl& DeviceSession::SocketOf(SocketId id) {
    switch (id) {
        case SocketId::UDP8888:
            return UDP8888;
        case SocketId::UDP8890:
            return UDP8890;
        case SocketId::UDPsck:
            return UDPsck;
        case SocketId::TCP5300Cmd:
            break;
    }
    return TCP5300Cmd;
}

bool DeviceSession::PrepareUdpSocket(SocketControl& socket, const CommandRoute& route, const QString& host,
                                     int remotePort) {
    // Closing is immediate (the reader thread is joined); a socket that still
    // reports otherwise cannot be used.
    socket.Close();
    socket.protocol = SocketControl::Protocol::UDP;
    socket.RemoteHost = host;
    socket.RemotePort = remotePort;
    socket.LocalPort = route.localPort;
    if (socket.State() != SocketControl::kClosed || !socket.Bind(route.localPort)) {
        // Another program holds the port: retrying cannot free it.
        Trouble({SessionTrouble::PortTaken, std::string(route.failMessage), socket.objectName().toStdString(),
                 route.localPort});
        return false;
    }
    return true;
}

bool DeviceSession::PrepareModuleSocket(const QString& host, int localPort) {
    UDPsck.Close();
    UDPsck.protocol = SocketControl::Protocol::UDP;
    UDPsck.RemoteHost = host;
    UDPsck.RemotePort = kModulePort;
    if (UDPsck.State() == SocketControl::kClosed && UDPsck.Bind(localPort >= 0 ? localPort : 0) &&
        UDPsck.State() == SocketControl::kOpen)
        return true;
    Trouble({SessionTrouble::ModulePortTaken, {}, "UDPsck", localPort});
    return false;
}

bool DeviceSession::ModuleQuery(const QString& host, int localPort) {
    if (!PrepareModuleSocket(host, localPort)) return false;
    ++Store().ModuleQueries;
    UDPsck.SendData(ui::ToByteArray(BuildModuleQuery()));  // a send error is swallowed
    return true;
}

bool DeviceSession::ModuleTransfer(int16_t device, const QString& host, int localPort) {
    if (!Store().IsEntry(device) || !PrepareModuleSocket(host, localPort)) return false;
    const auto fixed = sequence_.records.find(device);
    const Bytes& record = fixed != sequence_.records.end() && fixed->second.module ? *fixed->second.module
                                                                                  : Store().LanModuleTable[static_cast<size_t>(device)].Record;
    const DeviceEntry& entry = Store().DeviceTable[static_cast<size_t>(device)];
    // Like the device's write, the module record leaves by its interface only.
    errno = 0;
    if (!UDPsck.SendData(ui::ToByteArray(record), {entry.InterfaceIndex, entry.InterfaceName}))
        NoteWriteFault(device, "the module record did not leave");
    return true;
}

std::string DeviceSession::RequestRefusal(int16_t device, const QString& host) const {
    const DeviceStore& store = Store();
    if (!store.IsDevice(device)) return {};
    const DeviceEntry& entry = store.DeviceTable[static_cast<size_t>(device)];
    if (entry.SharedMac) return SharedMacRefusal(entry.MacText);
    // Whatever the address and the mode: a request that cannot leave by the
    // interface the device answered on would follow the route, which may
    // lead to another network.
    if (!UDP8890.ReachesBy(host, {entry.InterfaceIndex, entry.InterfaceName}))
        return "Not updated: the interface this device answered on is gone; search again";
    return {};
}

std::string DeviceSession::WriteFault(int16_t device) const {
    const auto f = writeFaults_.find(device);
    return f == writeFaults_.end() ? std::string() : f->second;
}

void DeviceSession::NoteWriteFault(int16_t device, const std::string& what) {
    std::string why = what;
    if (errno != 0) why += " (" + std::string(std::strerror(errno)) + ")";
    writeFaults_.emplace(device, why);
}

bool DeviceSession::Send(const QString& host, int16_t type, int16_t device) {
    const SessionTarget where = target_ ? target_() : SessionTarget{};
    const bool search = type == SearchNetwork || type == SearchAddress;
    if (!search && type != UpdateQuery) {
        // Nothing for a device whose MAC two devices answer, and nothing for
        // one whose interface is gone.
        const QString to = type == UpdateTransfer ? where.host : host;
        if (const std::string refusal = RequestRefusal(device, to); !refusal.empty()) {
            writeFaults_.emplace(device, refusal.substr(refusal.find(": ") + 2));
            return false;
        }
    }
    // A command for a device acts on one the current search found: an index
    // outside 1..DeviceCount (no device chosen yet, or one left from an
    // earlier search) sends nothing and shows nothing.
    const bool deviceOk = Store().IsDevice(device);
    if (type == UpdateQuery || type == UpdateTransfer) {
        if (type == UpdateTransfer && !deviceOk) return false;
        if (where.remotePort < 0) return false;  // no port: nothing is sent, nothing shown
        return type == UpdateQuery ? ModuleQuery(where.host, where.remotePort)
                                   : ModuleTransfer(device, where.host, where.remotePort);
    }
    if (type == SetBaud) {
        if (!deviceOk) return false;
        const DeviceEntry& entry = Store().DeviceTable[static_cast<size_t>(device)];
        return TCP5300Cmd.SendData(ui::ToByteArray(BuildBaudRequest(entry.EchoBytes, entry.Record)));
    }
    const CommandRoute* route = FindUdpRoute(type);
    if (!route) return false;  // type 5 and unknown types do nothing
    if (search) return StartSearch(host, type, *route);
    if (!deviceOk) return false;
    SocketControl& socket = SocketOf(route->socket);
    if (!PrepareUdpSocket(socket, *route, host, route->remotePort)) return false;
    // What is listened for from now on is this request's answer.
    period_.Requested(false);
    SendDeviceRequest(socket, type, device);
    return true;
}

bool DeviceSession::StartSearch(const QString& host, int16_t type, const CommandRoute& route) {
    const int remotePort = SearchRemotePort(type, route);
    if (remotePort < 0) return false;
    SocketControl& socket = SocketOf(route.socket);
    if (!PrepareUdpSocket(socket, route, host, remotePort)) return false;
    DropSelection();
    Store().DeviceCount = 0;
    earlyModules_.Clear();
    ++Store().SearchRound;
    period_.Requested(true);
    SendSearchRequest(socket, type, host, route);
    return true;
}

void DeviceSession::SendDeviceRequest(SocketControl& socket, int16_t type, int16_t device) {
    // Everything the request carries (the echo bytes, the MAC, the write's
    // password) is the device's own, whichever device is chosen meanwhile.
    const DeviceEntry& entry = Store().DeviceTable[static_cast<size_t>(device)];
    // A request for one device leaves a broadcast by that device's own
    // interface only.
    const SocketControl::Interface via{entry.InterfaceIndex, entry.InterfaceName};
    if (type != WriteConfig) {
        socket.SendData(ui::ToByteArray(BuildMaintenanceRequest(entry.EchoBytes, entry.Record,
                                                                type == ResetDevice ? "reset" : "clrCfgBuf")),
                        via);
        return;
    }
    const auto fixed = sequence_.records.find(device);
    const WriteDatagrams w = BuildWriteDatagrams(fixed != sequence_.records.end() ? fixed->second.record : entry.Record);
    errno = 0;
    if (!socket.SendData(ui::ToByteArray(w.a), via)) NoteWriteFault(device, "datagram 1 did not leave");
    errno = 0;
    // Sent whether or not the first could be.
    if (!socket.SendData(ui::ToByteArray(w.b), via)) NoteWriteFault(device, "datagram 2 did not leave");
}

bool DeviceSession::SendSearchRequest(SocketControl& socket, int16_t type, const QString& host, const CommandRoute& route) {
    if (socket.SendData(ui::ToByteArray(BuildSearchRequest(type, socket.RemotePort)))) return true;
    Trouble({SessionTrouble::NotSent,
             "the search request could not be sent to " + host.toStdString() + ":" + std::to_string(socket.RemotePort) +
                 " (no route to that address?)",
             socket.objectName().toStdString(), route.localPort});
    return false;
}

int DeviceSession::SearchRemotePort(int16_t type, const CommandRoute& route) {
    if (type != SearchNetwork) return route.remotePort;
    const int port = target_ ? target_().remotePort : -1;
    if (port < 0) Trouble({SessionTrouble::InvalidPort, "Invalid port entry!", {}, -1});
    return port;
}

bool DeviceSession::Probe(const QString& host, int16_t type, bool modules) {
    const CommandRoute* route = FindUdpRoute(type);
    if (!route || (type != SearchNetwork && type != SearchAddress)) return false;
    SocketControl& socket = SocketOf(route->socket);
    if (socket.State() != SocketControl::kOpen) {
        const int remotePort = SearchRemotePort(type, *route);
        if (remotePort < 0 || !PrepareUdpSocket(socket, *route, host, remotePort)) return false;
    }
    ++Store().SearchRound;
    if (!SendSearchRequest(socket, type, host, *route)) return false;
    if (!modules) return true;
    const SessionTarget where = target_ ? target_() : SessionTarget{};
    if (UDPsck.State() != SocketControl::kOpen && (where.remotePort < 0 || !PrepareModuleSocket(where.host, where.remotePort)))
        return true;  // the module socket is the search's extra: its trouble has been told
    ++Store().ModuleQueries;
    UDPsck.SendData(ui::ToByteArray(BuildModuleQuery()));  // a send error is swallowed, as on the ninth tick
    return true;
}

// --- The operation timer ---

void DeviceSession::StartCounting() {
    period_.Begin();
    ui::EnableTimer(&Timer1, true);
}

void DeviceSession::StopCounting() {
    // The operation could not start: its caller knows and ends it.
    period_.Stop();
    ui::EnableTimer(&Timer1, false);
}

void DeviceSession::Tick() {
    Listening listening = Listening::None;
    if (UDP8888.State() == SocketControl::kOpen)
        listening = UDP8888.RemotePort == kSearchPort ? Listening::Search : Listening::Other;
    else if (UDP8890.State() == SocketControl::kOpen)
        listening = Listening::Other;
    const ListeningActions a = period_.Tick(listening, target_ && queryModulesOnTick_);
    if (a.queryModules) Send(target_().host, UpdateQuery, state_.SelectedDevice);
    if (a.closeSockets) {
        if (UDP8888.State() == SocketControl::kOpen) UDP8888.Close();
        UDP8890.Close();
        UDPsck.Close();
    }
    Tell(ticks_, a.shown);
    if (a.timerOff) ui::EnableTimer(&Timer1, false);
    if (a.listeningEnded) Tell(ended_);
    if (a.searchEnded) Tell(searchEnded_);
}

// --- The selection ---

bool DeviceSession::SelectMac(const std::string& mac) {
    const long entry = mac.empty() ? 0 : FindDevice(Store(), mac);
    if (entry <= 0) return false;
    SelectEntry(static_cast<int16_t>(entry));
    return true;
}

void DeviceSession::SelectEntry(int16_t entry) {
    state_.SelectedDevice = entry;
    Selection s{entry};
    if (!Store().IsDevice(entry)) {
        selectedMac_.clear();
        Tell(selected_, s);
        return;
    }
    DeviceEntry& device = Store().DeviceTable[static_cast<size_t>(entry)];
    selectedMac_ = device.MacText;
    s.device = &device;
    s.paged = IsPagedRecord(device.Record);
    // What follows a short record's end is never shown: it is zeroed.
    if (!s.paged) ZeroShortRecordTail(device.Record);
    for (auto& t : state_.ParameterTexts) t.clear();
    DecodeFields(s.paged ? PagedFields() : ShortFields(), device.Record, state_.ParameterTexts);
    s.texts = &state_.ParameterTexts;
    Tell(selected_, s);
}

void DeviceSession::TakeChange(int16_t device, const DeviceChange& change) {
    cobalin::TakeChange(Store(), device, change);
    if (device == 0 || device != ChosenDevice()) return;
    const DeviceRecord& record = Store().DeviceTable[static_cast<size_t>(device)].Record;
    const bool paged = IsPagedRecord(record);
    for (auto& t : state_.ParameterTexts) t.clear();
    DecodeFields(paged ? PagedFields() : ShortFields(), record, state_.ParameterTexts);
}

void DeviceSession::TakeSent(int16_t device, const SentUpdate& sent) {
    if (!Store().IsEntry(device)) return;
    Store().DeviceTable[static_cast<size_t>(device)].Record = sent.record;
    if (sent.module) Store().LanModuleTable[static_cast<size_t>(device)].Record = *sent.module;
}

void DeviceSession::EmptyTable() { ClearDeviceTable(Store()); }

void DeviceSession::ForgetDevices() { Store().DeviceCount = 0; }

void DeviceSession::ZeroShortRecord(int16_t entry) {
    if (!Store().IsEntry(entry)) return;
    DeviceRecord& record = Store().DeviceTable[static_cast<size_t>(entry)].Record;
    if (!IsPagedRecord(record)) ZeroShortRecordTail(record);
}

int16_t DeviceSession::ChosenDevice() const {
    if (selectedMac_.empty() || !Store().IsDevice(state_.SelectedDevice)) return 0;
    return Store().DeviceTable[static_cast<size_t>(state_.SelectedDevice)].MacText == selectedMac_ ? state_.SelectedDevice
                                                                                                   : 0;
}

void DeviceSession::DropSelection() {
    // SelectedDevice keeps its number: only a new choice changes it.
    if (selectedMac_.empty()) return;
    selectedMac_.clear();
    Selection s{state_.SelectedDevice};
    s.searchStarted = true;
    Tell(selected_, s);
}

// --- Write sequences ---

const char* const kDeviceChangedMeanwhile = "Not updated: another device was chosen while the update waited; search again";

bool DeviceSession::Update(Sequence sequence, SentUpdate sent) {
    if (SequenceRuns()) return false;
    sequence.steps = UpdateSteps(sent.module.has_value());
    update_ = std::move(sent);
    updateDevice_ = sequence.device;
    return RunForChoice(std::move(sequence), true);
}

bool DeviceSession::Reset(Sequence sequence, int16_t searchType) {
    sequence.steps = ResetSteps(searchType);
    return RunForChoice(std::move(sequence), false);
}

std::string DeviceSession::UpdateVerdict() {
    if (!update_) return {};
    const SentUpdate sent = std::move(*update_);
    update_.reset();
    if (SequenceAbandoned()) return kDeviceChangedMeanwhile;
    return UpdateReportText(sent, Store(), WriteFault(updateDevice_));
}

bool DeviceSession::RunForChoice(Sequence sequence, bool whole) {
    const int16_t device = sequence.device;
    const std::string mac = Store().IsDevice(device) ? Store().DeviceTable[static_cast<size_t>(device)].MacText : "";
    return Begin(std::move(sequence), mac, whole);
}

bool DeviceSession::RunSequence(Sequence sequence) { return Begin(std::move(sequence), {}, false); }

bool DeviceSession::Begin(Sequence sequence, std::string choiceMac, bool whole) {
    if (SequenceRuns()) return false;
    machine_ = std::make_unique<WriteMachine>(std::move(sequence.steps), sequence.device);
    ++run_;
    running_ = true;
    sequence_ = std::move(sequence);
    choiceMac_ = std::move(choiceMac);
    choiceWhole_ = whole;
    writeFaults_.clear();
    std::map<int16_t, std::string> held;
    for (const int16_t device : machine_->Devices())
        if (Store().IsDevice(device)) held.emplace(device, Store().DeviceTable[static_cast<size_t>(device)].MacText);
    TellFacts();
    Carry(machine_->Start(held));
    return true;
}

bool DeviceSession::ChoiceHeld() const {
    const int16_t device = sequence_.device;
    if (state_.SelectedDevice != device || !Store().IsDevice(device)) return false;
    if (Store().DeviceTable[static_cast<size_t>(device)].MacText != choiceMac_) return false;
    return !choiceWhole_ || CheckUpdate(Store(), device) == UpdateBlock::None;
}

void DeviceSession::TellFacts() {
    // The waits (and whatever a step shown runs) let the user pick another
    // device or start a search, which would put other bytes in an entry: a
    // request goes only to the device the run started with, as it was checked.
    std::vector<int16_t> gone;
    for (const auto& [device, mac] : machine_->Identities())
        if (!Store().IsDevice(device) || Store().DeviceTable[static_cast<size_t>(device)].MacText != mac)
            gone.push_back(device);
    for (const int16_t device : gone) machine_->DeviceGone(device);
    if (!choiceMac_.empty() && !ChoiceHeld()) machine_->ChoiceLost();
    if (sequence_.stopStarting && sequence_.stopStarting()) machine_->StopStarting();
}

bool DeviceSession::TimerStep(const WriteStep& step) {
    switch (step.kind) {
        case WriteStep::FirstTick:
            RestartCount();
            return true;
        case WriteStep::TimerOn:
        case WriteStep::TimerOff:
            ui::EnableTimer(&Timer1, step.kind == WriteStep::TimerOn);
            return true;
        default:
            return false;
    }
}

void DeviceSession::Carry(WriteActions actions) {
    const unsigned run = run_;
    for (;;) {
        for (const WriteStep& s : actions.steps) {
            // A step told to the window may have shut the session, or ended its run.
            if (run_ != run) return;
            if (s.kind == WriteStep::Wait) {
                // The rest of the sequence runs when the wait is over;
                // meanwhile the window handles every event as usual.
                stepWait_.Start(s.seconds, [this] {
                    TellFacts();
                    Carry(machine_->WaitOver());
                });
                return;
            }
            if (s.kind == WriteStep::Send) Send(sequence_.host, s.command, s.device);
            else if (!TimerStep(s) && sequence_.step) sequence_.step(s);
        }
        if (run_ != run) return;
        if (actions.ended) {
            FinishSequence();
            return;
        }
        if (!actions.requestDue) return;
        TellFacts();
        actions = machine_->RequestDue();
    }
}

void DeviceSession::FinishSequence() {
    // A Carry that is still going (the run ended from a step it showed)
    // takes no further step of it.
    ++run_;
    stepWait_.Cancel();
    running_ = false;
    choiceMac_.clear();
    const auto done = std::exchange(sequence_.done, nullptr);
    sequence_ = {};
    if (done) done();
}

void DeviceSession::StopSequence() {
    if (SequenceRuns()) Carry(machine_->Stop());
}

// --- The baud-rate connection ---

bool DeviceSession::ConnectBaud(const QString& address, std::function<void(bool)> then) {
    if (baudThen_) return false;
    TCP5300Cmd.Close();
    // The connection is the chosen device's: it goes by the interface that
    // device answered on, or (none chosen, the interface gone) fails at once.
    const DeviceEntry& entry = Store().DeviceTable[static_cast<size_t>(ChosenDevice())];
    TCP5300Cmd.Connect(address, kBaudPort, {entry.InterfaceIndex, entry.InterfaceName});
    if (const int s = TCP5300Cmd.State(); s == SocketControl::kConnected || s == SocketControl::kError) {
        // Refused, or connected, at once: there is nothing to wait for.
        BaudEnded(then, s == SocketControl::kConnected);
        return true;
    }
    baudThen_ = std::move(then);
    // The platform reports a refused connection at once; a silent address
    // would keep it waiting, so the wait ends after a few seconds.
    baudPoll_.start();
    baudWait_.Start(kBaudConnectSeconds, [this] {
        baudPoll_.stop();
        const bool connected = TCP5300Cmd.State() == SocketControl::kConnected;
        if (auto then = std::exchange(baudThen_, nullptr)) BaudEnded(then, connected);
    });
    return true;
}

void DeviceSession::BaudEnded(const std::function<void(bool)>& then, bool connected) {
    // A connection that was not made leaves nothing open behind it.
    if (!connected) CloseBaud();
    then(connected);
}

void DeviceSession::Shut() {
    // Nothing is sent any more: a sequence waiting for its next request, or
    // a baud-rate connection being made, ends here without its end.
    stepWait_.Cancel();
    if (machine_) machine_->Shut();
    ++run_;
    running_ = false;
    sequence_ = {};
    choiceMac_.clear();
    baudWait_.Cancel();
    baudPoll_.stop();
    baudThen_ = nullptr;
    Timer1.stop();
    period_.Shut();
    for (SocketControl* s : {&UDP8888, &UDP8890, &UDPsck}) {
        // Closing a socket may fail (ending its reader thread can throw); the
        // other sockets are still seen to.
        try {
            s->Close();
        } catch (...) {
        }
    }
}

}  // namespace cobalin
