// Searching: where a search goes (the broadcast check box and the three
// modes), starting it, and the two timers that drive the listening period
// and hand the result to the found-device lists.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "core/app_state.h"
#include "core/operation_ticks.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class CommandChannel;
class FoundLists;

// The search modes, by the index k of their option button Option1(k); the
// settings file's DefaultNetwork Mode counts them from 1.
enum SearchMode : int { kAnyNetwork = 0, kSpecifiedNetwork = 1, kSpecifiedAddress = 2 };

class SearchOrchestration : public QObject {
public:
    SearchOrchestration(ui::FormMain& form, AppState& state, CommandChannel& commands, FoundLists& lists);

    // Check1 ticked or cleared (by the user or by code).
    void BroadcastCheckChanged();
    // Option1(k) selected.
    void ModeSelected(int k);
    // Selects Option1(k) as code does, running its handler.
    void SelectMode(int k);

    void Search();     // Command10 "Search"
    void SearchOne();  // Command1 "Search (1)"
    void Timer3Tick();

    // While held, the end of a listening period leaves the command panel
    // Frame6 disabled: a device restarts after a write or a reset, and no
    // other command may start before the search that follows has ended.
    void HoldCommandPanel(bool held) { held_ = held; }
    // Runs whenever a search has ended, as the session tells it, or could
    // not be sent.
    void OnOperationEnded(std::function<void()> f) { ended_.push_back(std::move(f)); }
    // Runs when Timer3's last tick has shown the end of an operation on the
    // simple face and refilled the configuration panel's lists.
    void OnFacesFinished(std::function<void()> f) { finished_.push_back(std::move(f)); }
    // Ends an operation whose request could not be sent: the operation timer off, no
    // device, the command panel free again.
    void ReturnToIdle();
    // Ends a command for a device whose request could not be sent: the
    // operation timer off and the command panel free again; the devices
    // found stay.
    void EndUnsentCommand();

    // What Timer3's ticks show on the faces: a search, or an update started
    // from the faces. Label44's tag mirrors it ("1" for an update).
    enum class FaceOperation { Search, Update };
    void SetFaceOperation(FaceOperation operation);
    FaceOperation faceOperation() const { return faceOperation_; }

    // The command panel Frame6 is locked while an operation runs and free
    // again when its listening period has ended; Frame6's Enabled mirrors it.
    void LockCommandPanel();
    bool CommandPanelFree() const { return panelFree_; }

    // True while the end of an operation refills the found lists and loads
    // the device that stays chosen: what that load selects is the program's
    // doing, and the faces keep the counts they were just given.
    bool FillingLists() const { return filling_; }
    // The found lists, with the lines they hold.
    FoundLists& lists() const { return lists_; }

private:
    // One tick of the session's operation timer, shown.
    void OperationTicked(const OperationTickEvent& e);
    void RefuseAddress();
    // A search has ended (or could not start).
    void SearchEnded();
    void EnableCommandPanel();

    ui::FormMain& form_;
    AppState& state_;
    CommandChannel& commands_;
    FoundLists& lists_;
    bool held_ = false;
    bool panelFree_ = true;
    // No search runs: none has been started since the window opened, or
    // one has ended since the panel was last locked. Timer3's next tick
    // then shows the end and fills the lists.
    bool searchOver_ = true;
    bool filling_ = false;
    FaceOperation faceOperation_ = FaceOperation::Search;
    std::vector<std::function<void()>> ended_;
    std::vector<std::function<void()>> finished_;
};

}  // namespace cobalin
