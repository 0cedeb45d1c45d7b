#include "windows/forms.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include "core/operation_ticks.h"
#include "toolkit/controls.h"

namespace cobalin::ui {

FormMain::FormMain(DeviceSession& s)
    : Form("FormMain", MainWindowControls(), kMainWidth, kMainHeight),
      session(s),
      Timer1(&s.Timer1),
      UDP8888(&s.UDP8888),
      UDP8890(&s.UDP8890),
      UDPsck(&s.UDPsck),
      TCP5300Cmd(&s.TCP5300Cmd) {
    Timer3 = new QTimer(this);
    Timer3->setObjectName("Timer3");
    SetTimerInterval(Timer3, 1000);
    for (QObject* o : std::initializer_list<QObject*>{Timer1, UDP8888, UDP8890, UDPsck, TCP5300Cmd}) AddComponent(o);
}

FormDeviceSelect::FormDeviceSelect() : Form("FormDeviceSelect", ChooserControls(), kChooserWidth, kChooserHeight) {
    SetCaption(this, "ZentaSolution Cobalin");
}

FormHelp::FormHelp() : Form("FormHelp", HelpWindowControls(), kHelpWidth, kHelpHeight) {
    SetCaption(this, "Help");
    SetBackColor(this, kWhite);
    c.Picture1->setPixmap(DrawCablingDiagram(false));
    c.Picture2->setPixmap(DrawCablingDiagram(true));
}

QPixmap DrawCablingDiagram(bool ipDongle) {
    QPixmap pm(517, 235);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The PC: a monitor on a stand and a keyboard.
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(225, 232, 240));
    p.drawRoundedRect(30, 40, 110, 80, 6, 6);
    p.setBrush(QColor(70, 110, 160));
    p.drawRect(40, 50, 90, 60);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(75, 120, 20, 14);
    p.drawRect(50, 134, 70, 8);
    p.drawRoundedRect(35, 150, 100, 16, 3, 3);
    // The cable from the PC to the devices.
    p.setPen(QPen(QColor(30, 120, 200), 3));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(140, 90);
    cable.cubicTo(220, 90, 230, 60, 300, 60);
    p.drawPath(cable);
    for (int i = 0; i < 3; ++i) p.drawLine(300, 60, 330, 40 + i * 55);
    // The devices: rack units or dongles.
    p.setPen(QPen(QColor(50, 50, 50), 1.5));
    for (int i = 0; i < 3; ++i) {
        const int y = 25 + i * 55;
        if (ipDongle) {
            p.setBrush(QColor(245, 180, 60));
            p.drawRoundedRect(332, y, 70, 30, 8, 8);
            p.setBrush(QColor(90, 200, 90));
            p.drawEllipse(QPointF(390, y + 15), 4, 4);
        } else {
            p.setBrush(QColor(90, 95, 105));
            p.drawRect(332, y, 150, 32);
            p.setBrush(QColor(90, 200, 90));
            for (int led = 0; led < 4; ++led) p.drawEllipse(QPointF(350 + led * 14, y + 16), 3, 3);
        }
    }
    QFont f = p.font();
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(170, 100, 160, 20), Qt::AlignCenter, "Cat 5 straight cable");
    if (!ipDongle) p.drawText(QRect(10, 178, 400, 18), Qt::AlignLeft, "Administration PC with ZentaSolution Cobalin installed.");
    p.setPen(QColor(128, 128, 128));
    p.drawText(QRect(10, 208, 500, 18), Qt::AlignLeft,
               ipDongle ? "*Olny 8 pcs of IP Dongle can be configured in one time"
                        : "*Olny 8 pcs of Zentabox can be configured in one time");
    return pm;
}

}  // namespace cobalin::ui
