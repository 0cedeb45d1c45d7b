// The LAN-module exchange on UDP port 8880: the query half-way through every
// operation, the intake of module records and the transfer back.
#pragma once

#include <QObject>

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

// The exchange's mode that sends to the module's port; the program uses no other.
constexpr int kModuleMode = 2;

class ModuleExchange : public QObject {
public:
    ModuleExchange(ui::FormMain& form, AppState& state);

    // Every failure of the exchange is silent: false when nothing was sent.
    bool ModuleQuery(int mode, const QString& host, int localPort);
    bool ModuleTransfer(int mode, int16_t device, const QString& host, int localPort);

private:
    bool PrepareSocket(int mode, const QString& host, int localPort);
    void ModuleReplyIntake();

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
