// The fill buttons of the command panel: each applies one factory data set
// (FillDataSet1.ini ... FillDataSet4.ini in the program folder) to the
// selected device's record copy, row by row through the parameter editor's
// "Apply (6)", and five of them then stamp a model name into "Model No.:".
// Nothing is sent before "Update (7)".
#pragma once

#include <QObject>
#include <QString>

#include "core/app_state.h"
#include "toolkit/dialogs.h"
#include "features/editor/parameter_editor.h"
#include "windows/forms.h"

namespace cobalin {


// One fill button: its control, its data set and the model name it stamps
// (empty for none).
struct FillButton {
    QPushButton* const ui::MainHandles::*control;
    int set;
    const char* model;
};
extern const FillButton kFillButtons[7];

// The message shown when a data set cannot be used: %1 the file name, %2
// the folder.
extern const char* const kFillSetUnusable;

class FillDataSets : public QObject {
public:
    FillDataSets(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, ParameterEditor& editor);

    // A fill button's click.
    void FillPressed(const FillButton& button);
    // The values a data set gives the selected device's rows, added to
    // `wanted`; false (and one message) when the set's file cannot be used.
    bool FillFromDataSet(int set, std::vector<WantedRow>& wanted);

private:
    // The rows of the chosen device's record format; none without a device.
    std::span<const FieldDef> ChosenFields() const;

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    ParameterEditor& editor_;
};

}  // namespace cobalin
