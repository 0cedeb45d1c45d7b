// A window built from a control table: its controls are found by name, and
// its close hook runs once whatever closes it.
#pragma once

#include <QHash>
#include <QWidget>
#include <functional>
#include <span>
#include <vector>

#include "toolkit/control_table.h"

namespace cobalin::ui {

class Form : public QWidget {
public:
    Form(const QString& name, std::span<const ControlDef> table, int widthTwips, int heightTwips);

    // A control by its name ("Text12(3)"). The program's own code names only
    // controls its window has, so an unknown name is a typing error in the
    // program: it stops at once, naming the control, rather than handing a
    // null pointer to whatever runs next.
    QWidget* Control(const QString& name) const;
    template <class T>
    T* Get(const QString& name) const {
        T* w = qobject_cast<T*>(Control(name));
        if (!w) MissingControl(name, T::staticMetaObject.className());
        return w;
    }
    // A control by its name, or nullptr: for names that come from outside the
    // program (the UI driver's commands).
    QWidget* Find(const QString& name) const { return controls_.value(name); }
    // Timers and socket controls are found by name too: the window's own
    // children, and those it shows but does not own (AddComponent).
    QObject* Component(const QString& name) const;
    void AddComponent(QObject* component) { components_.push_back(component); }
    const QHash<QString, QWidget*>& Controls() const { return controls_; }

    // Runs when the window is about to close, whatever the cause; never refuses.
    std::function<void()> onClose;
    bool closing() const { return closing_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    [[noreturn]] void MissingControl(const QString& name, const char* kind) const;

    QHash<QString, QWidget*> controls_;
    std::vector<QObject*> components_;
    bool closing_ = false;
};

}  // namespace cobalin::ui
