// The details of the device selected in the found list: the parameter names
// and values side by side, and the seven-line summary.
#pragma once

#include <QObject>

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

class DetailsView : public QObject {
public:
    DetailsView(ui::FormMain& form, AppState& state);

    // The click handler of List1.
    void FoundListClicked();
    void ShowPagedDetails(int16_t device);
    void ShowShortDetails(int16_t device);
    void ClearDetailValues();

private:
    void FillLists(std::span<const FieldDef> fields);
    void SetSummary(const QStringList& values);

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
