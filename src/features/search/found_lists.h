// The found-device lists of the simple face and the configuration panel,
// filled when a search has ended. The lists are filled and classified from
// the decoded store; only the device the fill ends on is loaded into the
// faces, and the lists are left selected as selecting each line in turn
// would leave them.
#pragma once

#include <QStringList>
#include <vector>

#include "core/app_state.h"
#include "core/found_devices.h"
#include "windows/forms.h"

namespace cobalin {

class FoundLists {
public:
    FoundLists(ui::FormMain& form, AppState& state) : form_(form), state_(state) {}

    // List6: the devices found that pass the model filter of Combo1.
    void FillFoundList(const FoundDevices& found);
    // Combo4, Combo5, Combo6 and List7 from List6, the device of the chosen
    // type loaded, and the panel's status.
    void FillPanelLists(const FoundDevices& found);
    // Empties the panel's configuration fields and disables its lists.
    void ClearConfigurationFields();

private:
    // Empties and disables the panel's lists; the panel is usable again, Save off.
    void EmptyPanelLists();
    // Combo4 gets every line, Combo5 and Combo6 the lines of their class.
    void FillClassLists(const QStringList& lines, const std::vector<ClassifiedLine>& classified);
    // Runs the loading of List6's line `row` once, as selecting it does.
    void LoadLine(int row);
    // What loading the lines in turn leaves, before the status is reported.
    void LoadBeforeReport(const FoundDevices& found, const std::vector<ClassifiedLine>& classified, int target);
    // The report in the status line, List7 and "Device MAC address".
    // loadRow: the List6 line its selection loads again; -1 for none.
    void ReportChosenType(int loadRow);
    // True when loading this device passes the query authentication.
    bool Authenticates(const FoundDevice& device) const;

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
