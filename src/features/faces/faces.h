// The three faces of the main window ("Simple 2", "Simple 1", "Advance"),
// the buttons that switch them and the buttons that show or hide the
// auxiliary frames.
#pragma once

#include <QObject>

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

class FaceController : public QObject {
public:
    FaceController(ui::FormMain& form, AppState& state);

    void ArrangeFace();

    void SimpleTwoPressed();    // Command35
    void SimpleOnePressed();    // Command24
    void AdvancePressed();      // Command23
    void ClosePressed();        // Command12

private:
    struct Parts;
    // The engineering face (advance) or the simple face with its search frame.
    void ArrangeSearchFace(const Parts& p, bool advance);
    // The configuration panel's own face.
    void ArrangePanelFace(const Parts& p);
    void PlaceFreeAddressLists();

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
