// The help window: the cabling picture for the device type, one line per
// button of the configuration panel, and the version. Opened modal.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

class HelpWindow : public QObject {
public:
    // versionText: "1.0.0", shown after "Rev. ".
    HelpWindow(QWidget& owner, AppState& state, QString versionText)
        : owner_(owner), state_(state), versionText_(std::move(versionText)) {}

    // Opens the window and returns when it has been closed.
    void Open();
    ui::FormHelp* window() const { return window_.get(); }

private:
    QWidget& owner_;
    AppState& state_;
    QString versionText_;
    std::unique_ptr<ui::FormHelp> window_;
};

}  // namespace cobalin
