#include "toolkit/control_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>

#include "toolkit/controls.h"
#include "toolkit/program_font.h"

namespace cobalin::ui {

namespace {

// A line drawn between its two end points (twips, relative to the container).
class LineWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        const LineEnds e = GetLine(this);
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Mid), 1));
        const int left = std::min(e.x1, e.x2), top = std::min(e.y1, e.y2);
        p.drawLine((e.x1 - left) / kTwipsPerPixel, (e.y1 - top) / kTwipsPerPixel, (e.x2 - left) / kTwipsPerPixel,
                   (e.y2 - top) / kTwipsPerPixel);
    }
};

// Lines as high as the font: more of them in the same height, each still
// whole.
class TightLines : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(option.fontMetrics.height());
        return s;
    }
};

QWidget* Make(Kind kind, QWidget* parent) {
    switch (kind) {
        case Kind::Frame:
            return new QGroupBox(parent);
        case Kind::PlainFrame: {
            auto* f = new QFrame(parent);
            f->setFrameShape(QFrame::NoFrame);
            return f;
        }
        case Kind::Label:
            return new QLabel(parent);
        case Kind::TextBox:
            return new QLineEdit(parent);
        case Kind::ListBox:
            return new QListWidget(parent);
        case Kind::ComboBox:
            return new QComboBox(parent);
        case Kind::Option:
            return new QRadioButton(parent);
        case Kind::Check:
            return new QCheckBox(parent);
        case Kind::Button:
            return new QPushButton(parent);
        case Kind::Picture: {
            auto* l = new QLabel(parent);
            l->setScaledContents(true);
            return l;
        }
        case Kind::Line:
            return new LineWidget(parent);
    }
    return new QWidget(parent);
}

}  // namespace

QHash<QString, QWidget*> BuildControls(QWidget* window, std::span<const ControlDef> table) {
    QHash<QString, QWidget*> byName;
    byName.reserve(static_cast<qsizetype>(table.size()));
    for (const ControlDef& d : table) {
        QWidget* parent = *d.parent ? byName.value(d.parent, window) : window;
        QWidget* w = Make(d.kind, parent);
        w->setObjectName(d.name);
        if (d.kind == Kind::Line) SetLine(w, {d.at.left, d.at.top, d.at.width, d.at.height});
        else SetTwips(w, d.at);
        byName.insert(d.name, w);
        if (d.o.fontPoints > 0) {
            QFont f = w->font();
            f.setPointSizeF(LayoutPoints(d.o.fontPoints));
            w->setFont(f);
        }
        // A wrapping label measures its caption in lines.
        if (auto* l = qobject_cast<QLabel*>(w); l && d.o.wrap) {
            l->setWordWrap(true);
            l->setAlignment(Qt::AlignLeft | (d.o.centered ? Qt::AlignVCenter : Qt::AlignTop));
        }
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setText(d.text);
            if (d.o.maxLength > 0) SetMaxLength(e, d.o.maxLength);
            SetMask(e, d.o.mask);
            e->setReadOnly(d.o.readOnly);
        } else if (auto* l = qobject_cast<QListWidget*>(w)) {
            l->setSelectionMode(QAbstractItemView::SingleSelection);
            if (d.o.tightLines) l->setItemDelegate(new TightLines(l));
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            c->setEditable(false);
        } else if (d.kind != Kind::Line && d.kind != Kind::Picture) {
            SetCaption(w, d.text);
        }
        if (d.kind == Kind::Option || d.kind == Kind::Check) SetChecked(w, d.o.checked);
        if (*d.o.tooltip) SetToolTip(w, d.o.tooltip);
        if (d.o.foreColor >= 0) SetForeColor(w, static_cast<unsigned>(d.o.foreColor));
        if (d.o.backColor >= 0) SetBackColor(w, static_cast<unsigned>(d.o.backColor));
        if (d.o.hidden) Hide(w);
        if (d.o.disabled) Disable(w);
    }
    return byName;
}

}  // namespace cobalin::ui
