// The three windows: the device-type chooser, the main window and the help
// window, each built from its control table.
#pragma once

#include <QHash>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "ui/control_table.h"
#include "ui/socket_control.h"

namespace cobalin::ui {

class Form : public QWidget {
public:
    Form(const QString& name, std::span<const ControlDef> table, int widthTwips, int heightTwips);

    // A control by its name ("Text12(3)"); nullptr when there is none.
    QWidget* Control(const QString& name) const { return controls_.value(name); }
    template <class T>
    T* Get(const QString& name) const {
        T* w = qobject_cast<T*>(controls_.value(name));
        Q_ASSERT_X(w, "Form::Get", qPrintable(name));
        return w;
    }
    // Timers and socket controls are found by name too.
    QObject* Component(const QString& name) const;
    const QHash<QString, QWidget*>& Controls() const { return controls_; }

    // Runs when the window is about to close, whatever the cause; never refuses.
    std::function<void()> onClose;
    bool closing() const { return closing_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QHash<QString, QWidget*> controls_;
    bool closing_ = false;
};

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
