#include "features/ping/ping_scan.h"

#include <QPushButton>

#include "core/ping.h"
#include "toolkit/controls.h"
#include "toolkit/program_time.h"

namespace cobalin {

using namespace ui;

const char* const kNoIcmpSocketMessage =
    "Cannot send ICMP echo requests: this program may open no ICMP socket. Allow the user's group in "
    "net.ipv4.ping_group_range, or give the program CAP_NET_RAW.";

namespace {
constexpr const char* kScanBase = "192.168.1.";
constexpr int kScanFirst = 1, kScanLast = 100;
}  // namespace

PingScan::PingScan(FormMain& form, AppState& state, Dialogs& dialogs, const PingService& pinger)
    : form_(form), state_(state), dialogs_(dialogs), pinger_(pinger) {
    connect(form_.c.Command4, &QPushButton::clicked, this, [this] { Command4Click(); });
}

void PingScan::ShowStatus(const QString& text) { SetCaption(form_.c.Label1, text); }

void PingScan::Command4Click() {
    QWidget* button = form_.c.Command4;
    // The button's caption shows the scan's state ("Stop" while it runs);
    // the state itself is kept here.
    if (sweep_ && !stop_) {
        stop_ = true;
        SetCaption(button, "Ping");
        return;
    }
    if (sweep_) return;  // stopped, but the scan has not yet left its wait
    stop_ = false;
    SetCaption(button, "Stop");
    ShowStatus("Scanning...");
    ClearItems(form_.c.List2);
    ClearItems(form_.c.List3);
    noSocketShown_ = false;
    ScanSubnet(kScanBase, kScanFirst, kScanLast);
}

void PingScan::ScanSubnet(const std::string& base, int first, int last) {
    sweep_ = std::make_unique<PingSweep>(base, first, last);
    Advance();
}

void PingScan::Advance() {
    for (;;) {
        // A closing window ends the scan as Stop would: nobody reads the lists any more.
        const PingSweep::Step step = sweep_->Next(stop_ || state_.AppClosing);
        switch (step.kind) {
            case PingSweep::Step::Wait:
                // The rest runs when the wait is over; the window goes on meanwhile.
                wait_.Start(step.seconds, [this] { Advance(); });
                return;
            case PingSweep::Step::Echo: {
                const int32_t status = PingAddress(step.address);
                AddItem(status != kPingSuccess ? form_.c.List3 : form_.c.List2, QString::fromStdString(step.address));
                sweep_->Echoed(status);
                break;
            }
            case PingSweep::Step::Report:
                ShowStatus(QString::fromStdString("Scanning..." + step.address + ", Status=" + PingStatusText(step.status)));
                break;
            case PingSweep::Step::Done:
                sweep_.reset();
                ShowStatus("Scanning...Done");
                SetCaption(form_.c.Command4, "Ping");
                return;
        }
    }
}

int32_t PingScan::PingAddress(const std::string& address) {
    const EchoResult r = pinger_.Ping(address);
    if (r.noSocket && !noSocketShown_) {
        noSocketShown_ = true;
        dialogs_.Message(kNoIcmpSocketMessage, kAppTitle, MessageIcon::Warning);
    }
    return r.status;
}

bool PingScan::PingOne(const std::string& address, std::function<void(int16_t answered)> then) {
    if (oneWait_.Pending()) return false;
    ShowStatus(QString::fromStdString("Scanning..." + address));
    // A moment for the window before the echo and after it; the handler
    // that asked has returned meanwhile.
    oneWait_.Start(0.1, [this, address, then = std::move(then)] {
        noSocketShown_ = false;
        const int32_t status = PingAddress(address);
        oneWait_.Start(0.1, [this, address, status, then] {
            ShowStatus(QString::fromStdString("Scanning...Done. IP=" + address + ", status=" + PingStatusText(status)));
            if (then) then(status == kPingSuccess ? 1 : 0);
        });
    });
    return true;
}

}  // namespace cobalin
