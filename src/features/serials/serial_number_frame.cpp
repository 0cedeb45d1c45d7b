#include "features/serials/serial_number_frame.h"

#include <QDate>
#include <QPushButton>

#include "core/serial_number.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

SerialNumberFrame::SerialNumberFrame(FormMain& form) : form_(form) {
    auto on = [this](const char* name, auto handler) {
        connect(form_.Get<QPushButton>(name), &QPushButton::clicked, this, handler);
    };
    on("Command32", [this] { Open(); });
    on("Command29", [this] { Advance(); });
    on("Command30", [this] { Today(); });
    // Cancel takes the result over just as Apply does.
    on("Command33(0)", [this] { TakeOver(); });
    on("Command33(1)", [this] { TakeOver(); });
    on("Command31", [this] { CloseFrame(); });
    QWidget* types = form_.Control("Combo16");
    SetSelectHandler(types, [this, types] {
        if (SelectedRow(types) >= 0) ComposeSerialNumber();
    });
    ConnectUserSelection(types);
}

void SerialNumberFrame::ComposeSerialNumber() {
    const ComposedSerial s = cobalin::ComposeSerialNumber(TextOf(form_.Control("Combo16")).toStdString(),
                                                          TextOf(form_.Control("Text9")).toStdString(),
                                                          TextOf(form_.Control("Text8")).toStdString());
    SetText(form_.Control("txSNO"), QString::fromStdString(s.serial));
    SetCaption(form_.Control("Label47"), QString::fromStdString(s.modelLabel));
}

void SerialNumberFrame::Open() {
    SetText(form_.Control("Text7"), TextOf(form_.Control("Text6(8)")));
    ComposeSerialNumber();
    Show(form_.Control("Frame18"));
}

void SerialNumberFrame::Advance() {
    QWidget* running = form_.Control("Text8");
    SetText(running, QString::fromStdString(AdvanceRunningNumber(TextOf(running).toStdString())));
    ComposeSerialNumber();
}

void SerialNumberFrame::Today() {
    SetText(form_.Control("Text9"), QDate::currentDate().toString("yyyyMMdd"));
    ComposeSerialNumber();
}

void SerialNumberFrame::TakeOver() {
    QWidget* serial = form_.Control("Text6(7)");
    SetText(serial, TextOf(form_.Control("txSNO")));
    SetToolTip(serial, Caption(form_.Control("Label47")));
    Hide(form_.Control("Frame18"));
}

void SerialNumberFrame::CloseFrame() { Hide(form_.Control("Frame18")); }

}  // namespace cobalin
