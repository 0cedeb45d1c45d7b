#include "features/serials/serial_number_frame.h"

#include <QDate>
#include <QPushButton>

#include "core/serial_number.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

SerialNumberFrame::SerialNumberFrame(FormMain& form) : form_(form) {
    auto on = [this](QPushButton* button, auto handler) { connect(button, &QPushButton::clicked, this, handler); };
    on(form_.c.Command32, [this] { Open(); });
    on(form_.c.Command29, [this] { Advance(); });
    on(form_.c.Command30, [this] { Today(); });
    // Cancel takes the result over just as Apply does.
    on(form_.c.Command33[0], [this] { TakeOver(); });
    on(form_.c.Command33[1], [this] { TakeOver(); });
    on(form_.c.Command31, [this] { CloseFrame(); });
    QWidget* types = form_.c.Combo16;
    SetSelectHandler(types, [this, types] {
        if (SelectedRow(types) >= 0) ComposeSerialNumber();
    });
    ConnectUserSelection(types);
}

void SerialNumberFrame::ComposeSerialNumber() {
    const ComposedSerial s = cobalin::ComposeSerialNumber(TextOf(form_.c.Combo16).toStdString(),
                                                          TextOf(form_.c.Text9).toStdString(),
                                                          TextOf(form_.c.Text8).toStdString());
    SetText(form_.c.txSNO, QString::fromStdString(s.serial));
    SetCaption(form_.c.Label47, QString::fromStdString(s.modelLabel));
}

void SerialNumberFrame::Open() {
    SetText(form_.c.Text7, TextOf(form_.c.Text6[8]));
    ComposeSerialNumber();
    Show(form_.c.Frame18);
}

void SerialNumberFrame::Advance() {
    QWidget* running = form_.c.Text8;
    SetText(running, QString::fromStdString(AdvanceRunningNumber(TextOf(running).toStdString())));
    ComposeSerialNumber();
}

void SerialNumberFrame::Today() {
    SetText(form_.c.Text9, QDate::currentDate().toString("yyyyMMdd"));
    ComposeSerialNumber();
}

void SerialNumberFrame::TakeOver() {
    QWidget* serial = form_.c.Text6[7];
    SetText(serial, TextOf(form_.c.txSNO));
    SetToolTip(serial, Caption(form_.c.Label47));
    Hide(form_.c.Frame18);
}

void SerialNumberFrame::CloseFrame() { Hide(form_.c.Frame18); }

}  // namespace cobalin
