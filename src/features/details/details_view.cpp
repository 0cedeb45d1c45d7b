#include "features/details/details_view.h"

#include <QListWidget>
#include <QScrollBar>

#include "core/ansi_text.h"
#include "core/device_table.h"
#include "core/found_devices.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

namespace {
// ParameterTexts rows of the summary for the paged format.
constexpr size_t kPagedSummaryRows[] = {PagedRow::Mac,         PagedRow::ServerName, PagedRow::SerialBrenik,
                                        PagedRow::VersionDate, PagedRow::LinkIn,     PagedRow::LinkOut,
                                        PagedRow::PortStatus};
// Short format: MAC, server name, serial number; the rest are not reported.
constexpr size_t kShortSummaryRows[] = {ShortRow::Mac, ShortRow::ServerName, ShortRow::SerialNo};
}  // namespace


DetailsView::DetailsView(FormMain& form, AppState& state, std::function<bool()> programSelects)
    : form_(form), state_(state), programSelects_(std::move(programSelects)) {
    QWidget* list1 = form_.c.List1;
    SetSelectHandler(list1, [this] { FoundListClicked(); });
    ConnectUserSelection(list1);
    form_.session.OnSelected([this](const DeviceSession::Selection& s) { SelectionChanged(s); });
    // The names and the values scroll together, so their rows stay side by side.
    auto* names = form_.c.List4->verticalScrollBar();
    auto* values = form_.c.List5->verticalScrollBar();
    connect(names, &QScrollBar::valueChanged, values, &QScrollBar::setValue);
    connect(values, &QScrollBar::valueChanged, names, &QScrollBar::setValue);
}

void DetailsView::FoundListClicked() {
    // Line k of the list of answers is entry k + 1 of the table: the reply
    // receiver lists each device as the table takes it in.
    const int row = SelectedRow(form_.c.List1);
    if (row < 0 && state_.Devices->DeviceCount == 0) {
        Hide(form_.c.Frame1);
        return;
    }
    form_.session.SelectEntry(static_cast<int16_t>(row + 1));
}

void DetailsView::SelectionChanged(const DeviceSession::Selection& s) {
    // A search leaves the details as they are until a device is chosen again.
    if (s.searchStarted) return;
    // A line with no device behind it (none chosen, or a list out of step
    // with the table) shows no details rather than another entry's.
    if (!s.device) {
        Hide(form_.c.Frame1);
        return;
    }
    // The list of answers shows the choice on the device's line.
    SetRowQuietly(form_.c.List1, s.entry - 1);
    ReplaceItems(form_.c.List5, QStringList(static_cast<int>(kParameterCount)));
    if (s.paged) ShowDetails(PagedFields(), kPagedSummaryRows);
    else ShowDetails(ShortFields(), kShortSummaryRows);
    Show(form_.c.Frame1);
    ShowWarnings();
}

void DetailsView::ShowWarnings() {
    if (programSelects_ && programSelects_()) return;
    QString text;
    for (const std::string& w : DeviceWarnings(*state_.Devices, state_.SelectedDevice))
        text += (text.isEmpty() ? "" : "; ") + QString::fromStdString(w);
    const QList<QWidget*> lines = {form_.c.Label1, form_.c.Label54[1], form_.c.Label44};
    if (before_.empty()) {
        for (QWidget* w : lines) before_.push_back({Caption(w), ForeColor(w)});
    }
    for (int i = 0; i < lines.size(); ++i) {
        QWidget* w = lines[i];
        Before& was = before_[static_cast<size_t>(i)];
        const bool ours = !shownWarnings_.isEmpty() && Caption(w) == shownWarnings_;
        if (!ours) was = {Caption(w), ForeColor(w)};
        if (!text.isEmpty()) {
            ShowStatus(w, text, kRed);
        } else if (ours) {
            SetCaption(w, was.caption);
            SetForeColor(w, was.color);
        }
    }
    shownWarnings_ = text;
}

void DetailsView::FillLists(std::span<const FieldDef> fields) {
    QStringList names, values;
    for (const FieldDef& f : fields) {
        names << QString::fromUtf8(f.label.data(), static_cast<int>(f.label.size()));
        values << FromAnsi(state_.ParameterTexts[f.index]);
    }
    ReplaceItems(form_.c.List4, names);
    ReplaceItems(form_.c.List5, values);
}

void DetailsView::SetSummary(const QStringList& values) {
    const MainHandles& c = form_.c;
    int i = 0;
    for (QLabel* value : {c.Label7, c.Label17, c.Label13, c.Label9x, c.Label11, c.Label58, c.Label15})
        SetCaption(value, values.value(i++, "N/A"));
}

void DetailsView::ShowDetails(std::span<const FieldDef> fields, std::span<const size_t> summaryRows) {
    FillLists(fields);
    QStringList summary;
    for (size_t row : summaryRows) summary << FromAnsi(state_.ParameterTexts[row]);
    SetSummary(summary);
}

}  // namespace cobalin
