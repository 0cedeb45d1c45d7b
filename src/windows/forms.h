// The three windows: the device-type chooser, the main window and the help
// window, each built from its control table. The program's own code reaches a
// window's controls through its typed handles `c` (window_handles.h), as
// `form_.c.List1` or `form_.c.Command34[2]`; look-up by name (Control, Get)
// is for the UI driver and the tests.
#pragma once

#include <QTimer>
#include <QWidget>

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "session/device_session.h"
#include "toolkit/socket_control.h"
#include "windows/window_handles.h"
#include "windows/window_layouts.h"

namespace cobalin::ui {

// The main window shows the device session's timer and sockets as its own
// components (the UI driver finds them by name); the session owns them.
class FormMain : public Form {
public:
    explicit FormMain(DeviceSession& session);
    const MainHandles c{*this};
    DeviceSession& session;
    QTimer* const Timer1;
    QTimer* Timer3;
    SocketControl* const UDP8888;
    SocketControl* const UDP8890;
    SocketControl* const UDPsck;
    SocketControl* const TCP5300Cmd;
};

// The configuration panel's lists of found devices.
inline std::array<QWidget*, 4> PanelLists(const MainHandles& c) {
    return Widgets(c.Combo4, c.Combo5, c.Combo6, c.List7);
}
// The panel's lists of one family each, by a family's typeList.
inline std::array<QComboBox*, 2> TypeLists(const MainHandles& c) { return {c.Combo5, c.Combo6}; }
// The configuration panel's fields (Text12) and the simple face's fields
// (Text6) that hold the same value: IP address, netmask, gateway, name and
// company name/location. Loading a device copies each simple-face field to
// its panel field; applying the panel copies them back.
inline std::array<std::pair<QLineEdit*, QLineEdit*>, 5> PanelFieldPairs(const MainHandles& c) {
    return {{{c.Text12[0], c.Text6[0]}, {c.Text12[1], c.Text6[1]}, {c.Text12[2], c.Text6[2]},
             {c.Text12[6], c.Text6[9]}, {c.Text12[7], c.Text6[10]}}};
}
// The simple face's controls that an update keeps disabled until it has ended.
inline std::array<QWidget*, 5> SimpleFaceUpdateLocks(const MainHandles& c) {
    return Widgets(c.Frame15, c.Command10, c.Command21, c.List6, c.Frame13);
}

class FormDeviceSelect : public Form {
public:
    FormDeviceSelect();
    const ChooserHandles c{*this};
};

class FormHelp : public Form {
public:
    FormHelp();
    const HelpHandles c{*this};
};
// The help window's pictures, by a family's helpPicture.
inline std::array<QLabel*, 2> HelpPictures(const HelpHandles& c) { return {c.Picture1, c.Picture2}; }

// Draws the two cabling diagrams of the help window (517 x 235 pixels).
QPixmap DrawCablingDiagram(bool ipDongle);

}  // namespace cobalin::ui
