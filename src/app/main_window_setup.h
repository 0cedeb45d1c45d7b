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
    // The configuration panel as the family's row lays it out.
    void LayOutPanel(const DeviceFamily& family);
    // The steps of the panel's form (PanelForm) between the first and last.
    void LayOutPasswordFrame();
    void LayOutAddressesOnly();
    // The first and last steps of the panel's layout, common to every family.
    void BeginPanelLayout(const DeviceFamily& family);
    void FinishPanelLayout(const DeviceFamily& family);
    void LayOutCommon();
    void FillModelList();
    void SelectDefaultSearchMode();
    void SetUpSerialFrame();
    // The note of how many devices can be configured, naming the family.
    QString NoticeText(const DeviceFamily& family) const;

    ui::FormMain& form_;
    AppState& state_;
    SearchOrchestration& search_;
    FaceController& faces_;
};

}  // namespace cobalin
