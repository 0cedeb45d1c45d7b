// Writing to devices from the engineering face: "Update (7)" sends the edited
// record (clear, write, reset, or the LAN-module record), counts the restart
// down and searches again; "Reset", "Clear NSV" and "SetBaud" send single
// maintenance requests. After an update the device is looked for in the
// follow-up search, and a device that did not come back, or came back with
// other values than were written, is reported in red.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/update_checks.h"
#include "core/write_sequence.h"
#include "windows/forms.h"

namespace cobalin {

class CommandChannel;
class ParameterEditor;

// SetBaud's refusals when the choice moved while its connection was made.
extern const char* const kBaudOtherDeviceChosen;
extern const char* const kBaudDeviceGone;
class SearchOrchestration;

class DeviceWrites : public QObject {
public:
    DeviceWrites(ui::FormMain& form, AppState& state, CommandChannel& commands, SearchOrchestration& search,
                 ParameterEditor& editor);

    // Command9 "Update (7)"; false when nothing was started (no device, an
    // operation runs, or the record may not be sent, with the reason on Label1).
    bool Update();
    void Reset();    // Command3 "Reset"
    void Clear();    // Command8 "Clear NSV"
    void SetBaud();  // Command19 "SetBaud"

    // True from the start of an update or reset until its follow-up search has ended.
    bool busy() const;

private:
    // True when a device of the last search is selected in List1.
    bool DeviceSelected() const;
    QString Host() const;
    void Status(const QString& text);
    void BeginRestartingOperation();
    // What the session is to run an update or a reset for: the device noted,
    // its host, the steps shown as they come; `done` runs after the last.
    DeviceSession::Sequence Sequence(std::function<void()> done);
    // Shows a step the session has reached.
    void Show(const WriteStep& step);
    // Notes the device a sequence is for: the selected one, and the host it
    // is sent to (the session sees that it stays the chosen one).
    void Target();
    // The follow-up search; ends the operation at once when it cannot be sent.
    void SearchAgain(int16_t type);
    // Shows why nothing is sent, in red on the status line.
    void Refuse(const std::string& why);
    // True, with the reason shown, when nothing may be sent to the selected
    // device at `host` (the address field's when null): two devices answer
    // with its MAC, or the interface it answered on is gone.
    bool Refused(const QString& host = QString());
    void OperationEnded();
    void ReportUpdateResult();

    ui::FormMain& form_;
    AppState& state_;
    CommandChannel& commands_;
    SearchOrchestration& search_;
    ParameterEditor& editor_;
    struct {
        int16_t device = 0;
        QString host;
    } target_;
    bool waitingForSearch_ = false;

    // The MAC of the device whose update waits for its follow-up search; the
    // session holds what it sent and gives the verdict.
    std::string updating_;
    // A report the simple face's last update tick would cover on the panel's
    // status line; shown there again once that tick has run.
    QString panelReport_;
};

}  // namespace cobalin
