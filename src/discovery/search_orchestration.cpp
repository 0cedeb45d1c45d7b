#include "discovery/search_orchestration.h"

#include <QCheckBox>
#include <QRadioButton>

#include "ui/controls.h"

namespace cobalin {

using namespace ui;

SearchOrchestration::SearchOrchestration(FormMain& form, AppState& state, Dialogs& dialogs)
    : form_(form), state_(state), dialogs_(dialogs) {
    connect(form_.Get<QCheckBox>("Check1"), &QCheckBox::toggled, this, [this] { BroadcastCheckChanged(); });
    for (int k = 0; k < 3; ++k)
        connect(form_.Get<QRadioButton>(QString("Option1(%1)").arg(k)), &QRadioButton::clicked, this,
                [this, k] { ModeSelected(k); });
}

void SearchOrchestration::BroadcastCheckChanged() {
    const bool ticked = IsChecked(form_.Control("Check1"));
    SetText(form_.Control("txtIPaddr"), ticked ? "255.255.255.255" : "192.168.1.250");
    SetText(form_.Control("txtRemotePort"), ticked ? "8888" : "8890");
    SetRowQuietly(form_.Control("cmbSckMode"), 0);
    for (const char* name : {"txtIPaddr", "txtRemotePort", "cmbSckMode"}) Enable(form_.Control(name));
}

void SearchOrchestration::ModeSelected(int k) {
    QWidget* network = form_.Control("Text6(4)");
    QWidget* address = form_.Control("Text6(5)");
    // Setting Check1 runs the check-box steps first; these steps then overwrite them.
    SetChecked(form_.Control("Check1"), k == 0);
    Enable(network, k == 1);
    Enable(address, k == 2);
    const QString host = k == 0 ? "255.255.255.255" : k == 1 ? TextOf(network) : TextOf(address);
    SetText(form_.Control("txtIPaddr"), host);
    SetText(form_.Control("txtRemotePort"), k == 2 ? "8890" : "8888");
    SetRowQuietly(form_.Control("cmbSckMode"), 0);
}

void SearchOrchestration::SelectMode(int k) {
    SetChecked(form_.Control(QString("Option1(%1)").arg(k)), true);
    ModeSelected(k);
}

}  // namespace cobalin
