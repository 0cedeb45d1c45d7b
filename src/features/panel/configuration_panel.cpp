#include "features/panel/configuration_panel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "features/search/search_orchestration.h"
#include "features/details/details_view.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

ConfigurationPanel::ConfigurationPanel(FormMain& form, AppState& state, Dialogs& dialogs, SearchOrchestration& search)
    : form_(form), state_(state), dialogs_(dialogs), search_(search) {
    connect(form_.Get<QPushButton>("Command34(0)"), &QPushButton::clicked, this, [this] { Scan(); });
    SetSelectHandler(form_.Control("List6"), [this] { LoadDevice(); });
    SetSelectHandler(form_.Control("List7"), [this] { ListSelected(); });
    SetSelectHandler(form_.Control("Combo5"), [this] { TypeListSelected(form_.Control("Combo5")); });
    SetSelectHandler(form_.Control("Combo6"), [this] { TypeListSelected(form_.Control("Combo6")); });
    SetSelectHandler(form_.Control("Combo4"), [this] { AllListSelected(); });
    for (const char* name : {"List6", "List7", "Combo4", "Combo5", "Combo6"}) ConnectUserSelection(form_.Control(name));
    // Leaving the IP address field enables Refresh, whatever it holds.
    SetValidateHandler(form_.Control("Text12(0)"), [this] {
        Enable(form_.Control("Command34(1)"));
        return false;
    });
}

bool ConfigurationPanel::Busy(const QString& button) {
    if (!form_.Timer1->isActive()) return false;
    const QString text = "Please wait for application ready and then try again!";
    SetCaption(form_.Control("Label54(1)"), text);
    dialogs_.Message(text, button, MessageIcon::Critical, MessageButtons::OK);
    return true;
}

void ConfigurationPanel::Scan() {
    if (Busy("Scan")) return;
    Disable(form_.Control("Combo4"));
    for (const char* name : {"Combo4", "Combo5", "Combo6", "List7"}) ClearItems(form_.Control(name));
    SelectRow(form_.Control("Combo1"), 0);
    search_.SelectMode(kAnyNetwork);
    for (int i : {2, 1, 0, 3, 4, 5}) Disable(form_.Control(QString("Command34(%1)").arg(i)));
    Disable(form_.Control("Frame22"));
    search_.Search();
}

void ConfigurationPanel::ListSelected() {
    QWidget* list7 = form_.Control("List7");
    if (ItemCount(list7) == 0) return;
    if (state_.DeviceType == DeviceClass::IpDongle) SelectRow(form_.Control("Combo5"), SelectedRow(list7));
    else if (state_.DeviceType == DeviceClass::ZentaBox) SelectRow(form_.Control("Combo6"), SelectedRow(list7));
}

void ConfigurationPanel::TypeListSelected(QWidget* typeList) {
    if (SelectedRow(typeList) < 0) return;
    const QString chosen = TextOf(typeList);
    QWidget* all = form_.Control("Combo4");
    const QStringList lines = Items(all);
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i] != chosen) continue;
        SelectRow(all, i);  // runs the Combo4 step
        return;
    }
}

void ConfigurationPanel::AllListSelected() {
    const int row = SelectedRow(form_.Control("Combo4"));
    if (row < 0) return;
    SelectRow(form_.Control("List6"), row);
}

bool ConfigurationPanel::QueryAuthentication() {
    QWidget* superPassword = form_.Control("Text12(3)");
    if (state_.Run.SkipPassword == 1) SetText(superPassword, TextOf(form_.Control("Text6(3)")));
    if (TextOf(superPassword) == TextOf(form_.Control("Text6(3)"))) return true;
    for (int i : {0, 1, 2, 6, 7, 8}) SetText(form_.Control(QString("Text12(%1)").arg(i)), "");
    SetChecked(form_.Control("Option2(0)"), true);
    QWidget* status = form_.Control("Label54(1)");
    SetForeColor(status, kRed);
    SetCaption(status, "Please enter password authentication to query a device!");
    return false;
}

void ConfigurationPanel::LoadDevice() {
    QWidget* list6 = form_.Control("List6");
    if (SelectedRow(list6) < 0) return;
    Show(form_.Control("Frame13"));
    const QString chosen = TextOf(list6);
    QWidget* list1 = form_.Control("List1");
    const QStringList found = Items(list1);
    for (int k = 0; k < found.size(); ++k) {
        if (found[k] != chosen) continue;  // every equal line is loaded, not only the first
        SelectRow(list1, k);
        const auto& t = state_.ParameterTexts;
        using P = PagedRow;
        const std::pair<const char*, size_t> copies[] = {
            {"Text6(0)", P::IpAddress}, {"Text6(1)", P::Netmask},      {"Text6(2)", P::Gateway},
            {"Text6(3)", P::Password},  {"Text6(6)", P::Password},     {"Text6(7)", P::SerialBrenik},
            {"Text6(8)", P::ModelNo},   {"Text6(9)", P::ServerName},   {"Text6(10)", P::CompanyName}};
        for (const auto& [field, row] : copies) SetText(form_.Control(field), DeviceText(t[row]));
        SetRowQuietly(form_.Control("Combo2"), DeviceText(t[P::Dhcp]) == "Enable" ? 0 : 1);
        SetCaption(form_.Control("Frame13"), chosen);
        if (!QueryAuthentication()) continue;
        SetText(form_.Control("Text12(0)"), TextOf(form_.Control("Text6(0)")));
        SetText(form_.Control("Text12(1)"), TextOf(form_.Control("Text6(1)")));
        SetText(form_.Control("Text12(2)"), TextOf(form_.Control("Text6(2)")));
        SetText(form_.Control("Text12(6)"), TextOf(form_.Control("Text6(9)")));
        // The option with the combo entry's index: 0 "DHCP" for "Enable", 1 "Static IP" for "Disable".
        SetChecked(form_.Control(QString("Option2(%1)").arg(SelectedRow(form_.Control("Combo2")))), true);
        SetText(form_.Control("Text12(7)"), TextOf(form_.Control("Text6(10)")));
        SetText(form_.Control("Text12(8)"), "");
    }
}

}  // namespace cobalin
