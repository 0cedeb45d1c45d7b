#include "features/data/fill_data_sets.h"

#include <QPushButton>

#include "core/ansi_text.h"
#include "core/fill_data_set.h"
#include "features/editor/parameter_editor.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

const FillButton kFillButtons[7] = {
    {&MainHandles::Command7, 1, "Zenta-630"},   {&MainHandles::Command36, 1, "Zenta-5400"},
    {&MainHandles::Command37, 1, "Zenta-610"},  {&MainHandles::Command38, 1, "Zenta-5200"},
    {&MainHandles::Command20, 2, "ZentaPower"}, {&MainHandles::Command25, 3, ""},
    {&MainHandles::Command28, 4, ""},
};

const char* const kFillSetUnusable =
    "The data set %1 in the folder %2 cannot be read or has no [Default] section; nothing was changed.";

FillDataSets::FillDataSets(FormMain& form, AppState& state, Dialogs& dialogs, ParameterEditor& editor)
    : form_(form), state_(state), dialogs_(dialogs), editor_(editor) {
    for (const FillButton& b : kFillButtons)
        connect(form_.c.*b.control, &QPushButton::clicked, this, [this, &b] { FillPressed(b); });
}

void FillDataSets::FillPressed(const FillButton& button) {
    if (SelectedRow(form_.c.List1) < 0) return;
    std::vector<WantedRow> wanted;
    if (!FillFromDataSet(button.set, wanted)) return;
    // A short record's 11 rows have no "Model No.:" to take the model name.
    if (*button.model && ChosenFields().size() > PagedRow::ModelNo) wanted.push_back({PagedRow::ModelNo, button.model});
    // One line for every row the record holds otherwise than the set says.
    editor_.ReportApplied(editor_.ApplyValues(wanted));
}

std::span<const FieldDef> FillDataSets::ChosenFields() const {
    const int16_t device = form_.session.ChosenDevice();
    if (device == 0) return {};
    return IsPagedRecord(state_.Devices->DeviceTable[static_cast<size_t>(device)].Record) ? PagedFields() : ShortFields();
}

bool FillDataSets::FillFromDataSet(int set, std::vector<WantedRow>& wanted) {
    const std::string name = FillDataSetFileName(set);
    // Read once per press, so an edit of the file counts at the next press.
    const auto data = LoadFillDataSet(state_.PathOf(name));
    if (!data) {
        // Every row would read "0" and overwrite the whole configuration.
        dialogs_.Message(QString(kFillSetUnusable).arg(QString::fromStdString(name), QString::fromStdString(state_.home)),
                         kAppTitle, MessageIcon::Warning);
        return false;
    }
    const std::string mac = state_.ParameterTexts[PagedRow::Mac];
    const int rows = static_cast<int>(ChosenFields().size());
    for (int row = 0; row < rows; ++row) {
        const std::string text = ReadFillValue(set, row, mac, *data);
        if (text == kFillNotApplied) continue;
        wanted.push_back({row, AnsiToUtf8(text)});
    }
    return true;
}

}  // namespace cobalin
