#include "features/editor/parameter_editor.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "core/ansi_text.h"
#include "core/parameter_codec.h"
#include "features/ping/ping_scan.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

ParameterEditor::ParameterEditor(FormMain& form, AppState& state, PingScan& ping)
    : form_(form), state_(state), ping_(ping) {
    QWidget* list4 = form_.c.List4;
    QWidget* list5 = form_.c.List5;
    QWidget* combo3 = form_.c.Combo3;
    SetSelectHandler(list4, [this] { List4Click(); });
    SetSelectHandler(list5, [this] { List5Click(); });
    SetSelectHandler(combo3, [this] { Combo3Click(); });
    ConnectUserSelection(list4);
    ConnectUserSelection(list5);
    ConnectUserSelection(combo3);
    connect(form_.c.Command6, &QPushButton::clicked, this, [this] { ApplyClick(); });
    connect(form_.c.Command5, &QPushButton::clicked, this, [this] { PingClick(); });
    // A search brings each device's own bytes back: raw bytes typed before
    // it are no longer in any record, and the next update does not compare them.
    form_.session.OnSelected([this](const DeviceSession::Selection& s) {
        if (s.searchStarted) raw_.clear();
    });
}

bool ParameterEditor::SelectedIsPaged() const {
    if (!state_.Devices->IsDevice(state_.SelectedDevice)) return false;
    return IsPagedRecord(state_.Devices->DeviceTable[static_cast<size_t>(state_.SelectedDevice)].Record);
}

void ParameterEditor::List4Click() {
    // The values follow the names; the value list's own handler does the rest.
    SelectRow(form_.c.List5, SelectedRow(form_.c.List4));
}

void ParameterEditor::List5Click() {
    const int row = SelectedRow(form_.c.List5);
    if (row < 0) return;
    // Quietly: the names list's handler would select the values again.
    SetRowQuietly(form_.c.List4, row);
    Show(form_.c.Frame2);
    SetCaption(form_.c.Label5, Items(form_.c.List4).value(row));
    SetText(form_.c.Text4, PrepareValueInput(row));
    // The row table and its offsets are those of the paged record: applied to
    // a short record they would overwrite its MAC and other fields.
    const bool editable = IsEditableRow(row) && SelectedIsPaged();
    for (QWidget* w : Widgets(form_.c.Command6, form_.c.Combo3, form_.c.Text4)) Enable(w, editable);
}

QString ParameterEditor::PrepareValueInput(int row) {
    QWidget* ping = form_.c.Command5;
    QWidget* combo = form_.c.Combo3;
    Hide(ping);
    const QString current = Items(form_.c.List5).value(row);
    QString text = current;
    if (IsChoiceRow(row) && SelectedIsPaged()) {
        Show(combo);
        ClearItems(combo);
        const ValueTable choices = RowChoices(row);
        int match = -1;
        for (size_t i = 0; i < choices.size(); ++i) {
            const QString choice = FromAnsi(std::string(choices[i]));
            AddItem(combo, choice);
            if (choice == current) match = static_cast<int>(i);
        }
        SetRowQuietly(combo, match);
        if (match < 0) text.clear();
    } else {
        Hide(combo);
        ClearItems(combo);
    }
    if (row == PagedRow::IpAddress && SelectedIsPaged()) {
        Show(ping);
        SetTag(ping, "0");
    }
    Show(form_.c.Text4, !OwnVisible(combo));
    return text;
}

void ParameterEditor::Combo3Click() {
    QWidget* combo = form_.c.Combo3;
    const int i = SelectedRow(combo);
    // The combo holds the choices of the value row being set.
    const ValueTable choices = RowChoices(SelectedRow(form_.c.List5));
    if (i >= 0 && static_cast<size_t>(i) < choices.size()) SetText(form_.c.Text4, FromAnsi(std::string(choices[static_cast<size_t>(i)])));
}

std::vector<ParameterEditor::Applied> ParameterEditor::ApplyRows(const std::vector<WantedRow>& wanted) {
    // Only a device chosen since the last search began is written: after a
    // search the index names whatever device now sits there.
    if (form_.session.ChosenDevice() == 0 || !SelectedIsPaged()) return {};
    const long device = state_.SelectedDevice;
    const DeviceChange change = ComputeChange(*state_.Devices, device, wanted);
    // The session takes the change and decodes the device's texts again.
    form_.session.TakeChange(static_cast<int16_t>(device), change);
    const std::string& mac = state_.Devices->DeviceTable[static_cast<size_t>(device)].MacText;
    std::vector<Applied> out;
    for (const RowEdit& e : change.edits) {
        out.push_back({e.row, QString::fromStdString(e.typed), e.result});
        if (e.result.outcome == ApplyOutcome::Ignored) continue;
        SetItemText(form_.c.List5, e.row, FromAnsi(e.result.shown));
        if (e.result.outcome == ApplyOutcome::Written) applied_[mac].insert(e.row);
    }
    return out;
}

ParameterEditor::Applied ParameterEditor::ApplySelected() {
    const int row = SelectedRow(form_.c.List5);
    if (row < 0) return {};
    const std::vector<Applied> applied = ApplyRows({{row, TextOf(form_.c.Text4).toStdString()}});
    return applied.empty() ? Applied{} : applied.front();
}

void ParameterEditor::ApplyClick() { ReportApplied({ApplySelected()}); }

std::vector<ParameterEditor::Applied> ParameterEditor::ApplyValues(const std::vector<WantedRow>& wanted) {
    if (wanted.empty()) return {};
    // The controls first, so that the last row's value input is prepared
    // from what the row held, as a user's choice of it would be.
    SelectRow(form_.c.List5, wanted.back().row);
    SetText(form_.c.Text4, QString::fromStdString(wanted.back().text));
    return ApplyRows(wanted);
}

void ParameterEditor::ReportApplied(const std::vector<Applied>& applied) {
    QStringList rows;
    QString one;
    for (const Applied& a : applied) {
        if (a.result.note == EditNote::AsTyped) continue;
        const std::string words(EditNoteWords(a.result.note));
        rows << QString::fromStdString(RowName(a.row) + " (" + words + ")");
        one = QString::fromStdString(
            EditNoteText(a.result.note, a.row, a.typed.toStdString(), AnsiToUtf8(a.result.shown)));
    }
    if (rows.isEmpty()) return ClearNote();
    QWidget* status = form_.c.Label1;
    if (note_.isEmpty() || Caption(status) != note_) {
        beforeNote_ = Caption(status);
        beforeNoteColor_ = ForeColor(status);
    }
    note_ = rows.size() == 1 && applied.size() == 1 ? one : "Not as typed: " + rows.join(", ");
    ShowStatus(status, note_, kRed);
}

void ParameterEditor::ClearNote() {
    QWidget* status = form_.c.Label1;
    // Only while the note is still there: a status shown since stays.
    if (!note_.isEmpty() && Caption(status) == note_) {
        SetForeColor(status, beforeNoteColor_);
        SetCaption(status, beforeNote_);
    }
    note_.clear();
}

void ParameterEditor::PingClick() {
    const QString address = TextOf(form_.c.Text4);
    ping_.PingOne(address.toStdString(), [this, address](int16_t answered) {
        QWidget* apply = form_.c.Command6;
        // The button's tag shows the result; the result itself decides.
        SetTag(form_.c.Command5, QString::number(answered));
        if (answered == 0) {
            Enable(apply);
        } else {
            // In use: only the device's own, unchanged address may still be applied.
            QWidget* list5 = form_.c.List5;
            Enable(apply, address == Items(list5).value(SelectedRow(list5)));
        }
    });
}

void ParameterEditor::TakeRestore(const std::string& mac, const std::set<int>& rows) {
    applied_[mac].insert(rows.begin(), rows.end());
    restored_.insert(mac);
}

std::set<int> ParameterEditor::AppliedRows(const std::string& mac) const {
    const auto it = applied_.find(mac);
    return it == applied_.end() ? std::set<int>{} : it->second;
}

}  // namespace cobalin
