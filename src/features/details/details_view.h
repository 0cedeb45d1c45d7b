// The details of the device the session has chosen: the parameter names
// and values side by side, and the seven-line summary.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

class DetailsView : public QObject {
public:
    // `programSelects`, where given, says when a selection is the program's
    // own (the lists refilled after a search), which shows no warnings.
    DetailsView(ui::FormMain& form, AppState& state, std::function<bool()> programSelects = nullptr);

    // The click handler of List1: asks the session to choose the line's device.
    void FoundListClicked();

private:
    // Shows the device the session has chosen, or hides the details.
    void SelectionChanged(const DeviceSession::Selection& s);
    void ShowDetails(std::span<const FieldDef> fields, std::span<const size_t> summaryRows);
    void FillLists(std::span<const FieldDef> fields);
    void SetSummary(const QStringList& values);
    // What the user should know of the selected device (another device with
    // its address, a second device with its MAC, an address outside its
    // interface's subnet), in red on the faces' status lines; a line that
    // still shows the last device's warnings gets back what it showed before.
    void ShowWarnings();

    ui::FormMain& form_;
    AppState& state_;
    std::function<bool()> programSelects_;
    QString shownWarnings_;
    struct Before {
        QString caption;
        unsigned color = 0;
    };
    std::vector<Before> before_;  // Label1, Label54(1), Label44, while they show the warnings
};

}  // namespace cobalin
