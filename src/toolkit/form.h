// A window built from a control table: its controls are found by name, and
// its close hook runs once whatever closes it.
#pragma once

#include <QHash>
#include <QWidget>
#include <functional>
#include <span>

#include "toolkit/control_table.h"

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

}  // namespace cobalin::ui
