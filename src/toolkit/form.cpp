#include "toolkit/form.h"

#include <QCloseEvent>

#include "toolkit/controls.h"

namespace cobalin::ui {

Form::Form(const QString& name, std::span<const ControlDef> table, int widthTwips, int heightTwips) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose, false);
    controls_ = BuildControls(this, table);
    SetWindowTwips(this, widthTwips, heightTwips);
}

QWidget* Form::Control(const QString& name) const {
    QWidget* w = controls_.value(name);
    if (!w) MissingControl(name, "control");
    return w;
}

void Form::MissingControl(const QString& name, const char* kind) const {
    qFatal("%s has no %s named \"%s\"", qPrintable(objectName()), kind, qPrintable(name));
}

QObject* Form::Component(const QString& name) const {
    if (QWidget* w = Find(name)) return w;
    for (QObject* c : children())
        if (c->objectName() == name && !c->isWidgetType()) return c;
    for (QObject* c : components_)
        if (c->objectName() == name) return c;
    return nullptr;
}

void Form::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        if (onClose) onClose();
    }
    event->accept();
}

}  // namespace cobalin::ui
