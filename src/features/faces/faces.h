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
    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
