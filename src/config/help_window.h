// The help window: the cabling picture for the device type, one line per
// button of the configuration panel, and the version. Opened modal.
#pragma once

#include <QObject>
#include <memory>

#include "app/app_state.h"
#include "ui/forms.h"

namespace cobalin {

class HelpWindow : public QObject {
public:
    HelpWindow(QWidget& owner, AppState& state) : owner_(owner), state_(state) {}

    // Opens the window and returns when it has been closed.
    void Open();
    ui::FormHelp* window() const { return window_.get(); }

private:
    QWidget& owner_;
    AppState& state_;
    std::unique_ptr<ui::FormHelp> window_;
};

}  // namespace cobalin
