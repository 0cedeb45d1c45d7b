// The ping scan of the engineering face and the single-address ping of the
// parameter editor: which addresses of 192.168.1.1-100 answer an ICMP echo,
// so an engineer can pick a free one. Answering addresses go to List2, silent
// ones to List3, progress to the status line Label1; Command4 starts ("Ping")
// and stops ("Stop") the scan.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/ping.h"
#include "session/ping_service.h"
#include "toolkit/dialogs.h"
#include "toolkit/program_time.h"
#include "windows/forms.h"

namespace cobalin {

class PingScan : public QObject {
public:
    // Every echo goes through `pinger`.
    PingScan(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, const PingService& pinger);

    // "Ping"/"Stop" of Command4.
    void Command4Click();

    // The single-address ping: `then(1)` when the address answered, else
    // `then(0)`, once the status line shows the result. False, and nothing
    // done, while the ping before is still running.
    bool PingOne(const std::string& address, std::function<void(int16_t answered)> then);
    bool pingingOne() const { return oneWait_.Pending(); }

    // One echo; its status (11018 without sending for an address that is
    // not one, 11050 when no ICMP socket may be opened).
    int32_t PingAddress(const std::string& address);

    // Starts the scan of base+first .. base+last; it runs on from the event loop.
    void ScanSubnet(const std::string& base, int first, int last);

    bool scanning() const { return sweep_ != nullptr; }

private:
    void ShowStatus(const QString& text);
    // Takes the scan's steps up to its next wait, or to its end.
    void Advance();

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    const PingService& pinger_;
    bool stop_ = false;
    // The scan in progress, none when idle. The caption turns back to "Ping"
    // as soon as Stop is clicked, while the scan still waits: the scan, not
    // the caption, tells that one runs, so a quick second click starts none.
    std::unique_ptr<PingSweep> sweep_;
    ProgramWait wait_;
    ProgramWait oneWait_;  // the single-address ping
    // One message per scan (or per single ping) when no ICMP socket may be
    // opened, not one per address.
    bool noSocketShown_ = false;
};

// The message shown when neither ICMP socket kind may be opened.
extern const char* const kNoIcmpSocketMessage;

}  // namespace cobalin
