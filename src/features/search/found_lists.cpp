#include "features/search/found_lists.h"

#include <algorithm>

#include "core/device_class.h"
#include "core/input_rules.h"
#include "features/details/details_view.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

namespace {

std::vector<std::string> StdLines(const QStringList& lines) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(lines.size()));
    for (const QString& line : lines) out.push_back(line.toStdString());
    return out;
}
}  // namespace

void ListLines::Clear() {
    ClearItems(list_);
    lines_.clear();
}

void ListLines::Add(const QString& line) {
    AddItem(list_, line);
    lines_ << line;
}

FoundLists::FoundLists(FormMain& form, AppState& state)
    : form_(form),
      state_(state),
      lines_{ListLines(form.c.List6), ListLines(form.c.Combo4),
             {ListLines(TypeLists(form.c)[0]), ListLines(TypeLists(form.c)[1])}, ListLines(form.c.List7)} {}

void FoundLists::FillFoundList(const FoundDevices& found) {
    ListLines& list6 = lines_.list6;
    QWidget* models = form_.c.Combo1;
    const std::span<const FoundDevice> devices = found.All();
    if (devices.empty()) {
        SetCaption(form_.c.Label44, "Found...0 device(s)");
        return;
    }
    const int chosen = SelectedRow(models);
    const QString modelLine = chosen > 0 ? TextOf(models) : QString();
    for (size_t k = 0; k < devices.size(); ++k) {
        const DeviceEntry& entry = state_.Devices->DeviceTable[k + 1];
        // Every device found is looked at, and showing a short record zero-fills it.
        form_.session.ZeroShortRecord(static_cast<int16_t>(k + 1));
        // An empty model always occurs in the chosen name.
        if (chosen <= 0 || modelLine.contains(FromAnsi(devices[k].model)))
            list6.Add(QString::fromStdString(entry.MacText));
    }
    if (list6.Count() > 0) {
        SetCaption(form_.c.Label44, QString("Found...%1 device(s)").arg(list6.Count()));
        SetForeColor(form_.c.Label54[1], kBlack);
        return;
    }
    // Nothing passes, so no device is loaded: the details show the last device found.
    form_.session.SelectMac(state_.Devices->DeviceTable[devices.size()].MacText);
}

void FoundLists::EmptyPanelLists() {
    for (ListLines* l : lines_.Panel()) {
        l->Clear();
        Disable(l->widget());
    }
    Enable(form_.c.Frame22);
    Disable(form_.c.Command34[2]);
    for (int i : {1, 0, 3, 4, 5}) Enable(form_.c.Command34[i]);
}

void FoundLists::ClearConfigurationFields() {
    for (int i : {0, 1, 2, 6, 7, 8, 9, 10}) SetText(form_.c.Text12[i], "");
    SetChecked(form_.c.Option2[1], true);
    EmptyPanelLists();
}

void FoundLists::FillClassLists(const QStringList& lines, const std::vector<ClassifiedLine>& classified) {
    for (int i = 0; i < lines.size(); ++i) {
        lines_.combo4.Add(lines[i]);
        if (const DeviceFamily* family = FamilyOf(classified[static_cast<size_t>(i)].deviceClass))
            lines_.TypeList(*family).Add(lines[i]);
    }
}

void FoundLists::LoadLine(int row) {
    if (row >= lines_.list6.Count()) row = -1;
    SetRowQuietly(form_.c.List6, row);
    if (load_) load_(row);
}

bool FoundLists::Authenticates(const FoundDevice& device) const {
    return state_.Run.SkipPassword || TextOf(form_.c.Text12[3]) == FromAnsi(device.password);
}

void FoundLists::LoadBeforeReport(const FoundDevices& found, const std::vector<ClassifiedLine>& classified,
                                  int target) {
    // The device of the chosen type is loaded again after the report, which
    // leaves everything as that load does.
    if (target >= 0 && classified[static_cast<size_t>(target)].entry > 0) return;
    const int last = static_cast<int>(classified.size()) - 1;
    // Each line loaded in turn: the last line with a device is what stays.
    int loaded = -1;
    for (int i = 0; i <= last; ++i)
        if (classified[static_cast<size_t>(i)].entry > 0) loaded = i;
    // A refused query authentication stays in the status line when no
    // report of a device type follows to overwrite it.
    bool refused = false;
    if (!FamilyOf(state_.DeviceType))
        for (int i = 0; i < loaded; ++i)
            if (const int16_t e = classified[static_cast<size_t>(i)].entry; e > 0 && !Authenticates(found.Of(e)))
                refused = true;
    if (refused) {
        QWidget* status = form_.c.Label54[1];
        ShowStatus(status, kQueryNotAuthenticated, kRed);
    }
    // With no line's device in the store, loading only shows the simple face.
    LoadLine(loaded >= 0 ? loaded : last);
    SetRowQuietly(form_.c.List6, last);
}

void FoundLists::ReportChosenType(const DeviceFamily& family, int loadRow) {
    const ListLines& mine = lines_.TypeList(family);
    ListLines& list7 = lines_.list7;
    QWidget* status = form_.c.Label54[1];
    const QString name = FromUtf8(family.name);
    ShowStatus(status, QString("Found...%1 %2(s)").arg(mine.Count()).arg(name), kBlack);
    list7.Clear();
    SetText(form_.c.Text12[11], "");
    for (const QString& line : mine.Lines()) list7.Add(line);
    if (list7.Count() > 0) {
        // List7 shows the type list's choice, and the device behind it is loaded again.
        SetRowQuietly(list7.widget(), SelectedRow(mine.widget()));
        if (loadRow >= 0) LoadLine(loadRow);
        SetText(form_.c.Text12[11], list7.At(0));
    }
    // The password fields start empty after every search.
    if (family.panel == PanelForm::NameLocationPassword)
        for (QWidget* w : Widgets(form_.c.Text12[8], form_.c.Text12[9], form_.c.Text12[10])) SetText(w, "");
}

void FoundLists::FillPanelLists(const FoundDevices& found) {
    QWidget* list6 = form_.c.List6;
    const DeviceFamily* family = FamilyOf(state_.DeviceType);
    const bool typed = family != nullptr;
    if (lines_.list6.Count() == 0) {
        EmptyPanelLists();
        if (typed) ReportChosenType(*family, -1);
        Enable(form_.c.Command34[4], state_.CloseAllowed);
        return;
    }
    for (ListLines* l : lines_.Panel()) l->Clear();
    const QStringList lines = lines_.list6.Lines();
    const ParameterTextArray& t = state_.ParameterTexts;
    const FoundDevice before{t[PagedRow::Mac], t[PagedRow::HardwareId], t[PagedRow::Password], t[PagedRow::ModelNo]};
    const std::vector<ClassifiedLine> classified = found.Classify(StdLines(lines), before);
    FillClassLists(lines, classified);
    // Loading each line shows its device, which zero-fills a short record.
    for (const ClassifiedLine& c : classified) {
        if (c.entry == 0) continue;
        form_.session.ZeroShortRecord(static_cast<int16_t>(c.entry));
    }
    QWidget* mine = typed ? lines_.TypeList(*family).widget() : nullptr;
    // The line of the first device of the chosen type, as Combo4 finds it:
    // the first line with its text.
    int target = -1;
    for (size_t i = 0; typed && target < 0 && i < classified.size(); ++i)
        if (classified[i].deviceClass == state_.DeviceType) target = static_cast<int>(lines.indexOf(lines[static_cast<int>(i)]));
    LoadBeforeReport(found, classified, target);
    if (std::all_of(lines_.types.begin(), lines_.types.end(), [](const ListLines& l) { return l.Count() == 0; })) {
        ClearConfigurationFields();
    } else if (typed) {
        Enable(form_.c.Frame22);
        if (target < 0) {
            ClearConfigurationFields();
        } else {
            SetRowQuietly(mine, 0);
            SetRowQuietly(form_.c.Combo4, target);
            SetRowQuietly(list6, target);
            for (QWidget* w : PanelLists(form_.c)) Enable(w);
            for (int i : {2, 1, 0, 3, 4, 5}) Enable(form_.c.Command34[i]);
        }
    }
    if (typed) ReportChosenType(*family, target >= 0 && classified[static_cast<size_t>(target)].entry > 0 ? target : -1);
    Enable(form_.c.Command34[4], state_.CloseAllowed);
}

}  // namespace cobalin
