#include "app/startup.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <unistd.h>

#include "app/main_window_setup.h"
#include "cobalin_version.h"
#include "core/companion_program.h"
#include "features/panel/configuration_apply.h"
#include "features/panel/configuration_panel.h"
#include "features/serials/serial_number_frame.h"
#include "features/editor/parameter_editor.h"
#include "features/ping/ping_scan.h"
#include "session/ping_service.h"
#include "features/writes/device_writes.h"
#include "features/data/data_tools.h"
#include "features/faces/faces.h"
#include "features/help/help_window.h"
#include "features/search/found_lists.h"
#include "features/search/reply_receivers.h"
#include "features/search/search_orchestration.h"
#include "features/search/command_channel.h"
#include "features/details/details_view.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

ProgramWindows Startup::Windows() const {
    return {[this] { return chooser_.get(); }, [this] { return main_.get(); },
            [this] { return help_ ? help_->window() : nullptr; }};
}

QString VersionText() {
    return QString("%1.%2.%3").arg(COBALIN_VERSION_MAJOR).arg(COBALIN_VERSION_MINOR).arg(COBALIN_VERSION_REVISION);
}

Startup::Startup(AppState& state, Dialogs& dialogs) : state_(state), dialogs_(dialogs) {}
Startup::~Startup() = default;

void Startup::Run() { LoadChooser(); }

void Startup::LoadChooser() {
    state_.AppClosing = false;
    state_.DeviceType = DeviceClassOfNumber(state_.Settings().NumberOr0("RunMode", "StartupAutoDeviceType"));
    if (FamilyOf(state_.DeviceType)) {
        // The chooser is never seen, so it is not even built.
        OpenMainWindow();
        return;
    }
    chooser_ = std::make_unique<FormDeviceSelect>();
    connect(chooser_->c.Command11, &QPushButton::clicked, this, [this] { StartPressed(); });
    SetCaption(chooser_->c.Label1, "Rev. : " + VersionText());
    chooser_->show();
}

void Startup::StartPressed() {
    for (const DeviceFamily& family : DeviceFamilies())
        if (IsChecked(chooser_->c.Option1[static_cast<size_t>(family.chooserOption)])) {
            state_.DeviceType = family.id;
            break;
        }
    OpenMainWindow();
    chooser_->close();
}

void Startup::OpenMainWindow() {
    session_ = std::make_unique<DeviceSession>(state_);
    main_ = std::make_unique<FormMain>(*session_);
    main_->onClose = [this] { MainWindowClosing(); };
    commands_ = std::make_unique<CommandChannel>(*main_, dialogs_);
    lists_ = std::make_unique<FoundLists>(*main_, state_);
    search_ = std::make_unique<SearchOrchestration>(*main_, state_, *commands_, *lists_);
    receivers_ = std::make_unique<ReplyReceivers>(*main_, state_);
    details_ = std::make_unique<DetailsView>(*main_, state_, [this] { return search_->FillingLists(); });
    faces_ = std::make_unique<FaceController>(*main_, state_);
    help_ = std::make_unique<HelpWindow>(*main_, state_, VersionText());
    if (!pinger_) pinger_ = std::make_unique<PingService>();
    ping_ = std::make_unique<PingScan>(*main_, state_, dialogs_, *pinger_);
    editor_ = std::make_unique<ParameterEditor>(*main_, state_, *ping_);
    writes_ = std::make_unique<DeviceWrites>(*main_, state_, *commands_, *search_, *editor_);
    data_ = std::make_unique<DataTools>(*main_, state_, dialogs_, *editor_);
    apply_ = std::make_unique<ConfigurationApply>(*main_, state_, dialogs_, *search_, *editor_, *writes_);
    panel_ = std::make_unique<ConfigurationPanel>(*main_, state_, dialogs_, *search_, *apply_, [this] { help_->Open(); });
    serials_ = std::make_unique<SerialNumberFrame>(*main_);
    setup_ = std::make_unique<MainWindowSetup>(*main_, state_, *search_, *faces_);
    LoadMainWindow();
    if (!main_->closing()) main_->show();
}

void Startup::LoadMainWindow() {
    if (state_.AppClosing) {
        main_->close();
        return;
    }
    state_.CloseAllowed = true;
    QWidget* mode = main_->c.cmbSckMode;
    ClearItems(mode);
    AddItem(mode, "UDP");
    AddItem(mode, "TCP/IP");
    SetRowQuietly(mode, 0);
    session_->StopCounting();
    state_.MaxDevicesNotice = kMaxDevicesTemplate;
    search_->BroadcastCheckChanged();
    setup_->SetUpMainWindow();
}

void Startup::MainWindowClosing() {
    // Every step runs even if an earlier one failed; nothing is reported.
    state_.AppClosing = true;
    // The window still closes, and the companion program is still seen to,
    // whatever closing a socket throws.
    session_->Shut();
    // Started detached and without a shell; one that is missing, or that
    // someone else could have put there, is skipped without a word.
    // It is started through the file that was checked, never by its name
    // again: a swap between the check and the start changes nothing.
    const int companion = OpenCompanion(state_.PathOf("Restart/KillQVT.exe"));
    if (companion < 0) return;
    QProcess::startDetached(QString::fromStdString(CompanionStartPath(companion)), {});
    close(companion);
}

}  // namespace cobalin
