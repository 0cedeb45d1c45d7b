// Start-up: the device-type chooser, the main window's load and close, and
// the companion program started when the main window closes.
#pragma once

#include <QObject>
#include <memory>

#include "core/app_state.h"
#include "driver/driver_hooks.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class CommandChannel;
class ConfigurationApply;
class ConfigurationPanel;
class DetailsView;
class FaceController;
class FoundLists;
class HelpWindow;
class MainWindowSetup;
class DeviceSession;
class PingScan;
class PingService;
class ParameterEditor;
class DeviceWrites;
struct DataTools;
class ReplyReceivers;
class SearchOrchestration;
class SerialNumberFrame;

class Startup : public QObject {
public:
    Startup(AppState& state, ui::Dialogs& dialogs);
    ~Startup() override;

    // Program entry: opens the chooser (which may open the main window at once).
    void Run();

    ui::FormDeviceSelect* chooser() const { return chooser_.get(); }
    ui::FormMain* main() const { return main_.get(); }
    HelpWindow& help() const { return *help_; }
    // The windows as they are at the moment of each call, for the UI driver.
    ProgramWindows Windows() const;
    SearchOrchestration& search() const { return *search_; }
    PingScan& ping() const { return *ping_; }
    DeviceWrites& writes() const { return *writes_; }
    ConfigurationPanel& panel() const { return *panel_; }
    ConfigurationApply& apply() const { return *apply_; }
    DeviceSession& session() const { return *session_; }

private:
    void LoadChooser();
    void StartPressed();
    void OpenMainWindow();
    void LoadMainWindow();
    void MainWindowClosing();

    AppState& state_;
    ui::Dialogs& dialogs_;
    std::unique_ptr<ui::FormDeviceSelect> chooser_;
    // Made before the main window and gone after it: the window shows its
    // timer and sockets.
    std::unique_ptr<DeviceSession> session_;
    std::unique_ptr<ui::FormMain> main_;
    std::unique_ptr<CommandChannel> commands_;
    std::unique_ptr<FoundLists> lists_;
    std::unique_ptr<SearchOrchestration> search_;
    std::unique_ptr<ReplyReceivers> receivers_;
    std::unique_ptr<DetailsView> details_;
    std::unique_ptr<ConfigurationPanel> panel_;
    std::unique_ptr<MainWindowSetup> setup_;
    std::unique_ptr<FaceController> faces_;
    std::unique_ptr<HelpWindow> help_;
    // The ICMP echo of the ping scan and the single ping.
    std::unique_ptr<PingService> pinger_;
    std::unique_ptr<PingScan> ping_;
    std::unique_ptr<ParameterEditor> editor_;
    std::unique_ptr<DeviceWrites> writes_;
    std::unique_ptr<DataTools> data_;
    std::unique_ptr<ConfigurationApply> apply_;
    std::unique_ptr<SerialNumberFrame> serials_;
};

// "Rev. : 1.0.0" style version text (major.minor.revision without leading zeros).
QString VersionText();

}  // namespace cobalin
