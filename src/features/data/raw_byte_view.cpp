#include "features/data/raw_byte_view.h"

#include <QLineEdit>
#include <QPushButton>

#include "core/ansi_text.h"
#include "core/device_change.h"
#include "core/update_checks.h"
#include "features/editor/parameter_editor.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

const char* const kRawUpdateOk = "OK";
const char* const kRawUpdateError = "Error!";
const char* const kRawUpdateNotSent = "OK, not sent: ";

namespace {


// A stretch is read from its first byte: the boxes show their beginning.
void ShowFromStart(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->setCursorPosition(0);
}

}  // namespace

RawByteView::RawByteView(FormMain& form, AppState& state, ParameterEditor& editor)
    : form_(form), state_(state), editor_(editor) {
    connect(form_.c.Command15, &QPushButton::clicked, this, [this] { ViewClick(); });
    connect(form_.c.Command17, &QPushButton::clicked, this, [this] { UpdateClick(); });
    connect(form_.c.Command18, &QPushButton::clicked, this, [this] { HideClick(); });
}

std::optional<ByteRange> RawByteView::Stretch() const {
    return ParseByteRange(TextOf(form_.c.Text1).toStdString(), TextOf(form_.c.Text2).toStdString(),
                          kRecordSize);
}

void RawByteView::ViewClick() {
    const int16_t device = form_.session.ChosenDevice();
    if (device == 0) return;
    // A stretch that is not one leaves the boxes as they were.
    const auto range = Stretch();
    if (!range) return;
    const DeviceRecord& record = state_.Devices->DeviceTable[static_cast<size_t>(device)].Record;
    const std::string bytes(reinterpret_cast<const char*>(record.data()) + range->start, range->size);
    const QString escaped = FromAnsi(EscapeBytesText(bytes));
    SetCaption(form_.c.Label1, escaped);
    SetText(form_.c.Text3, escaped);
    SetText(form_.c.Text5, FromAnsi(bytes));
    for (QWidget* w : Widgets(form_.c.Text3, form_.c.Text5)) ShowFromStart(w);
}

void RawByteView::UpdateClick() {
    const int16_t device = form_.session.ChosenDevice();
    if (device == 0) return;
    QWidget* result = form_.c.Label41;
    ShowStatus(result, "", kBlack);
    const auto range = Stretch();
    const std::string typed = TextOf(form_.c.Text5).toStdString();
    // A character with no byte of its own would be stored as "?" unnoticed.
    if (!range || !IsAnsiRepresentable(typed)) {
        SetCaption(result, kRawUpdateError);
        return;
    }
    QWidget* escapedBox = form_.c.Text3;
    SetText(escapedBox, FromAnsi(EscapeBytesText(Utf8ToAnsi(typed))));
    ShowFromStart(escapedBox);
    const std::string data = UnescapeBytesText(Utf8ToAnsi(TextOf(escapedBox).toStdString()));
    if (data.size() != range->size) {
        SetCaption(result, kRawUpdateError);
        return;
    }
    // The bytes go in as every other edit does, and the stretches they
    // changed are verified by the next update like the rows it applies.
    const RawEdit raw{range->start, data};
    const DeviceChange change = ComputeChange(*state_.Devices, device, {}, nullptr, &raw);
    const DeviceEntry& entry = state_.Devices->DeviceTable[static_cast<size_t>(device)];
    const DeviceRecord before = entry.Record;
    form_.session.TakeChange(device, change);
    editor_.TakeRaw(entry.MacText, change.raw);
    // The record took the bytes, but an update may not send them as they
    // stand: say which, rather than a plain "OK".
    QStringList unsent;
    for (const auto& [first, last] : UnsentChanges(entry, before, range->start, range->size))
        unsent << (first == last ? QString::number(first) : QString("%1-%2").arg(first).arg(last));
    SetForeColor(result, unsent.isEmpty() ? kBlack : kRed);
    SetCaption(result, unsent.isEmpty() ? QString(kRawUpdateOk) : kRawUpdateNotSent + unsent.join(", "));
}

void RawByteView::HideClick() { Hide(form_.c.Frame11); }

}  // namespace cobalin
