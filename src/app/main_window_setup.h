// The one-time set-up of the main window for the device type and the
// settings file.
#pragma once

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

class FaceController;
class SearchOrchestration;

class MainWindowSetup {
public:
    MainWindowSetup(ui::FormMain& form, AppState& state, SearchOrchestration& search, FaceController& faces)
        : form_(form), state_(state), search_(search), faces_(faces) {}

    void SetUpMainWindow();

private:
    void ReduceCommandPanel();
    void ApplyPasswordMask();
    void ApplyLogo();
    void LayOutPanelForIpDongle();
    void LayOutPanelForZentaBox();
    // The first and last steps of the panel's layout, common to both device types.
    void BeginPanelLayout(int panelHeight, QWidget* typeList);
    void FinishPanelLayout(DeviceClass deviceType, int label52Top, int belowPanel);
    void LayOutCommon();
    void FillModelList();
    void SelectDefaultSearchMode();
    void SetUpSerialFrame();
    QString NoticeText() const;

    ui::FormMain& form_;
    AppState& state_;
    SearchOrchestration& search_;
    FaceController& faces_;
};

// The window caption, the device frame's caption and the name in the notice,
// by device type and settings.
struct PanelCaptions {
    QString window, deviceFrame, nameLabel, noticeName;
};
PanelCaptions CaptionsFor(DeviceClass deviceType, const RunSettings& run);

}  // namespace cobalin
