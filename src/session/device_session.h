// The device session: the sockets, the operation timer and the operations
// that run over them, for one set of found devices. It is Qt without
// widgets, so the window and the command line drive the same code: the
// window shows what the session tells it and asks it to act; `cobalin
// search` runs the same search without a display.
//
// What it does:
// - sends every request to devices (searches, the module query and transfer,
//   clear, write, reset, the baud-rate request), each on its own socket;
// - takes in what arrives (search replies, module records, acknowledgements)
//   and tells its observers;
// - runs the operation timer: the listening period of 19 ticks with the
//   module query on the ninth (the machine is ListeningPeriod);
// - carries out write sequences step by step, its waits as program-time
//   timers, never as a nested event loop (the machine is WriteMachine);
// - connects the baud-rate socket, waiting a few seconds at most.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/device_change.h"
#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/operation_ticks.h"
#include "core/request_packets.h"
#include "core/update_checks.h"
#include "core/write_sequence.h"
#include "toolkit/program_time.h"
#include "toolkit/socket_control.h"

namespace cobalin {

// The module exchange's mode that sends to the module's port; the program uses no other.
constexpr int kModuleMode = 2;

// Where the operation in progress sends: read when a request is due, so a
// later request (the module query on the ninth tick) goes where the first went.
struct SessionTarget {
    QString host;        // "255.255.255.255", a network's broadcast address or one address
    int remotePort = -1;  // the port asked (the window's remote-port field); -1 when it holds none
};

// Why a request was not sent.
struct SessionTrouble {
    enum Kind : uint8_t {
        PortTaken,        // a command's socket could not be made ready; `text` is its message
        InvalidPort,      // a network search with no valid remote port
        ModulePortTaken,  // the module socket could not be bound (silent in the window)
        NotSent,          // the search request could not be sent (silent in the window)
    };
    Kind kind;
    std::string text;
    std::string socket;  // the socket's name
    int port = -1;       // the local port it wanted
};

// The report of an update whose device was not the chosen one any more
// when a request of it was due.
extern const char* const kDeviceChangedMeanwhile;

class DeviceSession : public QObject {
public:
    explicit DeviceSession(AppState& state);
    ~DeviceSession() override;

    // The sockets and the operation timer, by their names in the window.
    ui::SocketControl UDP8888{"UDP8888"};
    ui::SocketControl UDP8890{"UDP8890"};
    ui::SocketControl UDPsck{"UDPsck"};
    ui::SocketControl TCP5300Cmd{"TCP5300Cmd"};
    QTimer Timer1;

    // Where requests go; the window reads its address and port fields.
    void SetTarget(std::function<SessionTarget()> target) { target_ = std::move(target); }
    // Every socket that broadcasts does so on every interface.
    void BroadcastOnEveryInterface(bool every);

    // --- Requests ---
    // Sends request `type` (a DeviceCommand) to `host`, for device entry
    // `device`. False when nothing could be sent: the socket could not be made
    // ready, the remote port is no port, or a command for a device names none
    // of the current search. A search empties nothing itself; the caller
    // clears the table before.
    bool Send(const QString& host, int16_t type, int16_t device);
    // Sends search request `type` again, and the LAN-module query with it
    // when `modules`, on the sockets the last such request left open (opened
    // only when closed), without emptying the table: a device that answers
    // again is matched to its entry by MAC. Counts as a search request of
    // its own for telling two devices with one MAC apart. False when the
    // search request could not be sent.
    bool Probe(const QString& host, int16_t type, bool modules);
    // Whether the listening period sends the LAN-module query on its ninth
    // tick (the window's road); the command line sends it with the search
    // request instead.
    void QueryModulesOnTick(bool on) { queryModulesOnTick_ = on; }

    // Why no request for device entry `device` may go to `host` at all: its
    // MAC is answered by two devices (both would take it), or the interface
    // its page 0 came in by, which every request for it must leave by
    // whatever the address and the mode, is gone (or was never noted).
    // Empty when it may. Send refuses such a request too.
    std::string RequestRefusal(int16_t device, const QString& host) const;
    // Why the write (or module transfer) of the sequence that ran last could
    // not be sent to device `device`; empty when it left.
    std::string WriteFault(int16_t device) const;

    // --- The operation timer ---
    // Starts a listening period: the count at 1 and the timer on.
    void StartCounting();
    // Stops the timer and the count (an operation that could not start).
    void StopCounting();
    // The count starts again at 1, the timer as it is (each request of a
    // write sequence).
    void RestartCount() { state_.OperationTick = 1; }
    // Whether the operation timer runs (it is off through most of a restart's countdown).
    bool Counting() const { return Timer1.isActive(); }

    // --- The selection ---
    // The device chosen, by MAC. Choosing one decodes its record into the
    // run's ParameterTexts (a short record is zero-filled past its end first)
    // and tells the observers; SelectedDevice holds its entry, and keeps the
    // last entry chosen when a search empties the table.
    struct Selection {
        int16_t entry = 0;                    // SelectedDevice
        const DeviceEntry* device = nullptr;  // null: no device of this search is chosen
        bool paged = false;                   // the record is in the paged format
        const ParameterTextArray* texts = nullptr;  // its decoded values
        bool searchStarted = false;           // a search has dropped the choice
    };
    // Chooses the device of the current search with this MAC; false, and
    // nothing changes, when no device of the search has it.
    bool SelectMac(const std::string& mac);
    // Chooses table entry `entry` (the list of answers shows entry k on its
    // line k - 1); an entry with no device of this search chooses nothing,
    // though SelectedDevice names it.
    void SelectEntry(int16_t entry);
    // The MAC of the device chosen since the last search began; empty for none.
    const std::string& SelectedMac() const { return selectedMac_; }
    // The entry of that device, 0 for none.
    int16_t ChosenDevice() const;
    void OnSelected(std::function<void(const Selection&)> f) { selected_.push_back(std::move(f)); }

    // --- Write sequences ---
    // Carries out `steps` for `device` (or, for a step that names its own,
    // for that one) as a WriteMachine: the session does the sends, the
    // waits and the operation timer's steps itself, and `step` is told every
    // other step (the window shows them); `done` runs after the last. Before
    // the run starts, whenever a wait is over and before each request is
    // due, the session tells the machine which devices' entries no longer
    // hold the device they held at the start (a search may have emptied one,
    // or given it to another), and whether `stopStarting` holds. Each request is built from its own
    // device's entry; the selection stays as it is. False when a sequence
    // runs already.
    struct Sequence {
        std::vector<WriteStep> steps;
        QString host;
        int16_t device = 0;
        std::function<void(const WriteStep&)> step;
        std::function<void()> done;
        // A batch that is to start no more devices: those with no request
        // due yet get none, those started still get the rest of their own.
        std::function<bool()> stopStarting = {};
        // What the writes (or module transfers) carry for these devices,
        // rather than their entries: a device written again answers
        // meanwhile, and its answers overwrite its entry.
        std::map<int16_t, SentUpdate> records = {};
    };
    bool RunSequence(Sequence sequence);
    bool SequenceRuns() const { return running_; }
    // True when the sequence that ran last dropped a request because its
    // device was no longer the one chosen.
    bool SequenceAbandoned() const { return machine_ && machine_->Abandoned(); }
    // The devices the sequence that ran last started (each whose first
    // request was due before a stop).
    std::set<int16_t> SequenceStarted() const { return machine_ ? machine_->Started() : std::set<int16_t>{}; }
    // Stops the sequence in progress: it ends, `done` told, as soon as its
    // last request was due (at once when none is left).
    void StopSequence();

    // --- An update and a reset of one device, with the verification ---
    // "Update (7)" of `sequence.device`, whose record and applied rows `sent`
    // holds: its clear, write and reset (or its LAN-module transfer), the
    // countdown and the follow-up search, run as RunSequence runs steps (the
    // sequence's own steps are not used). The device is the chosen one: once
    // another is chosen, or its record is no longer whole, when a request is
    // due, no later request goes. False when a sequence runs already.
    bool Update(Sequence sequence, SentUpdate sent);
    // "Reset" of `sequence.device`: the reset request, the countdown and a
    // search of `searchType` (a network or an address search), for as long
    // as the device is the chosen one.
    bool Reset(Sequence sequence, int16_t searchType);
    // How the device of the last Update came back, once its follow-up search
    // has ended, in the status line's words: empty when it holds what was
    // sent, or when no update is waiting for its verdict. Told once: the
    // update is forgotten afterwards.
    std::string UpdateVerdict();

    // --- The baud-rate connection ---
    // Connects to `address` for the device chosen now (the user's click),
    // bound to the interface that device answered on; `then(true)` once
    // connected, `then(false)` when refused, when that interface is gone, or
    // after a few seconds of silence (the socket closed again). False when a
    // connection is being made already.
    bool ConnectBaud(const QString& address, std::function<void(bool)> then);
    // Closes the baud-rate connection.
    void CloseBaud() { TCP5300Cmd.Close(); }
    bool BaudConnecting() const { return static_cast<bool>(baudThen_); }

    // --- What the session tells ---
    void OnReply(std::function<void(const IntakeResult&)> f) { replies_.push_back(std::move(f)); }
    void OnAcknowledged(std::function<void()> f) { acks_.push_back(std::move(f)); }
    // A LAN module's answer was taken into entry `entry` (-1: no device of
    // the table has its MAC).
    void OnModuleReply(std::function<void(int16_t entry)> f) { moduleReplies_.push_back(std::move(f)); }
    // Every tick of the operation timer; a Finished step comes after the
    // sockets have closed and the timer has stopped.
    void OnTick(std::function<void(const OperationTickEvent&)> f) { ticks_.push_back(std::move(f)); }
    void OnTrouble(std::function<void(const SessionTrouble&)> f) { troubles_.push_back(std::move(f)); }
    // The listening period has ended: after the last tick has been told and
    // the timer has stopped.
    void OnListeningEnded(std::function<void()> f) { ended_.push_back(std::move(f)); }
    // A search has ended: the listening period that followed a search
    // request (with no request for a device after it) is over. Told after
    // the end of the listening period.
    void OnSearchEnded(std::function<void()> f) { searchEnded_.push_back(std::move(f)); }

    // Closes every socket, stops the timer and ends whatever sequence or
    // connection is waiting, sending nothing more (the window closes).
    void Shut();

    // --- Changes to the found devices ---
    // Everyone else reads the store through the run's const view; these
    // change it. Takes a change into entry `device` (its record and module
    // record); when that is the chosen device, its texts are decoded again.
    void TakeChange(int16_t device, const DeviceChange& change);
    // Puts what an update sends into entry `device` (its record, and its
    // module record for a LAN-module device), as the editor's edits would.
    void TakeSent(int16_t device, const SentUpdate& sent);
    // Empties the table before a search.
    void EmptyTable();
    // The table holds no device of this search (a search that could not be sent).
    void ForgetDevices();
    // Showing a short record zero-fills what follows its end.
    void ZeroShortRecord(int16_t entry);
    // The session's own store, for the session's operations and the tests.
    DeviceStore& Store() const { return *store_; }

private:
    void Tick();
    void Trouble(SessionTrouble t);
    bool PrepareUdpSocket(ui::SocketControl& socket, const CommandRoute& route, const QString& host, int remotePort);
    bool PrepareModuleSocket(const QString& host, int localPort);
    // Sends the search request on `socket`; false, told as trouble, when it could not leave.
    // Starts a search: the table's count at 0 and the request sent.
    bool StartSearch(const QString& host, int16_t type, const CommandRoute& route);
    // Sends request `type` to device entry `device` on `socket`, made ready.
    void SendDeviceRequest(ui::SocketControl& socket, int16_t type, int16_t device);
    // Tells the write machine, before a wait is over or a request is due,
    // which devices' entries changed, whether the choice moved and whether
    // to stop starting devices.
    void TellFacts();
    // Runs a sequence for the chosen device (the window's), or for no choice when `choiceMac` is empty.
    bool Begin(Sequence sequence, std::string choiceMac, bool whole);
    bool RunForChoice(Sequence sequence, bool whole);
    void Carry(WriteActions actions);
    void FinishSequence();
    // Whether the device the window's run is for is still the one chosen, as it was.
    bool ChoiceHeld() const;
    bool SendSearchRequest(ui::SocketControl& socket, int16_t type, const QString& host, const CommandRoute& route);
    // The port a search request of `type` asks, or -1 (told as trouble).
    int SearchRemotePort(int16_t type, const CommandRoute& route);
    bool ModuleQuery(const QString& host, int localPort);
    bool ModuleTransfer(int16_t device, const QString& host, int localPort);
    ui::SocketControl& SocketOf(SocketId id);
    void SearchReplyArrived();
    void ModuleReplyArrived();
    void AcknowledgementArrived();
    // Does a step of the operation timer (its count, on, off); false for any other step.
    bool TimerStep(const WriteStep& step);
    void BaudEnded(const std::function<void(bool)>& then, bool connected);
    // Notes that a write to `device` could not leave, with errno's words when it says why.
    void NoteWriteFault(int16_t device, const std::string& what);

    AppState& state_;
    // The found devices and their LAN-module records; the run's state points
    // at them while the session lives.
    std::unique_ptr<DeviceStore> store_ = std::make_unique<DeviceStore>();
    std::function<SessionTarget()> target_;
    std::vector<std::function<void(const IntakeResult&)>> replies_;
    std::vector<std::function<void()>> acks_;
    std::vector<std::function<void(int16_t)>> moduleReplies_;
    bool queryModulesOnTick_ = true;
    // Module answers that came before any page of their device, when the
    // query leaves with the search request: taken in once the device's first
    // page is, dropped with the next search.
    EarlyModules earlyModules_;
    std::vector<std::function<void(const OperationTickEvent&)>> ticks_;
    std::vector<std::function<void(const SessionTrouble&)>> troubles_;
    std::vector<std::function<void()>> ended_;
    std::vector<std::function<void()>> searchEnded_;
    ListeningPeriod period_{state_.OperationTick};
    std::vector<std::function<void(const Selection&)>> selected_;
    std::string selectedMac_;
    void DropSelection();

    std::optional<SentUpdate> update_;  // the update waiting for its verdict
    int16_t updateDevice_ = 0;
    // The sequence running, or the one that ran last.
    std::unique_ptr<WriteMachine> machine_;
    bool running_ = false;  // until the run's end has been told, or the session shut
    unsigned run_ = 0;  // counts the runs begun, ended and shut: a step told may have ended its own run
    Sequence sequence_;
    // The run is the window's, for the chosen device with this MAC; with
    // `choiceWhole_`, its record must also still be whole (an update).
    std::string choiceMac_;
    bool choiceWhole_ = false;
    // Writes that could not be sent since the last sequence started, by device.
    std::map<int16_t, std::string> writeFaults_;
    ProgramWait stepWait_;

    ProgramWait baudWait_;
    QTimer baudPoll_;
    std::function<void(bool)> baudThen_;
};

}  // namespace cobalin
