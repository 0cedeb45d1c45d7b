// The three windows: the device-type chooser, the main window and the help
// window, each built from its control table.
#pragma once

#include <QTimer>
#include <QWidget>

#include "toolkit/form.h"
#include "toolkit/socket_control.h"
#include "windows/window_layouts.h"

namespace cobalin::ui {

class FormMain : public Form {
public:
    FormMain();
    QTimer* Timer1;
    QTimer* Timer3;
    SocketControl* UDP8888;
    SocketControl* UDP8890;
    SocketControl* UDPsck;
    SocketControl* TCP5300Cmd;
};

class FormDeviceSelect : public Form {
public:
    FormDeviceSelect();
};

class FormHelp : public Form {
public:
    FormHelp();
};

// Draws the two cabling diagrams of the help window (517 x 235 pixels).
QPixmap DrawCablingDiagram(bool ipDongle);

}  // namespace cobalin::ui
