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

QObject* Form::Component(const QString& name) const {
    if (QWidget* w = Control(name)) return w;
    for (QObject* c : children())
        if (c->objectName() == name && !c->isWidgetType()) return c;
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
