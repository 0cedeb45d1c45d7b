#include "toolkit/caption_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTextLayout>
#include <vector>

namespace cobalin::ui {

namespace {

constexpr int kTall = 1 << 20;  // a height no caption reaches, for measuring wrapped lines

// Where and how a control draws its caption.
struct Room {
    QRect rect;       // in the control's coordinates
    int flags = 0;    // the drawing flags: alignment, word wrap, mnemonics
    int padding = 0;  // what the style adds to the text's width (a frame's title)
};

QStyleOptionButton ButtonOption(const QAbstractButton* b) {
    QStyleOptionButton o;
    o.initFrom(b);
    o.text = b->text();
    if (auto* p = qobject_cast<const QPushButton*>(b)) {
        if (p->autoDefault()) o.features |= QStyleOptionButton::AutoDefaultButton;
        if (p->isDefault()) o.features |= QStyleOptionButton::DefaultButton;
        if (p->isFlat()) o.features |= QStyleOptionButton::Flat;
    }
    return o;
}

QRect GroupBoxLabel(const QGroupBox* g, const QString& title) {
    QStyleOptionGroupBox o;
    o.initFrom(g);
    o.text = title;
    o.lineWidth = 1;
    o.textAlignment = g->alignment();
    o.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (g->isFlat()) o.features |= QStyleOptionFrame::Flat;
    return g->style()->subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, g);
}

Room LabelRoom(const QLabel* l) {
    QRect r = l->contentsRect();
    const int m = l->margin();
    r.adjust(m, m, -m, -m);
    int indent = l->indent();
    if (indent < 0 && l->frameWidth() > 0) indent = l->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) r.setLeft(r.left() + indent);
    return {r, static_cast<int>(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0), 0};
}

Room RoomOf(const QWidget* w, const QString& drawn) {
    if (auto* l = qobject_cast<const QLabel*>(w)) return LabelRoom(l);
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
        const QStyleOptionButton o = ButtonOption(b);
        if (qobject_cast<const QCheckBox*>(b))
            return {b->style()->subElementRect(QStyle::SE_CheckBoxContents, &o, b), Qt::TextShowMnemonic, 0};
        if (qobject_cast<const QRadioButton*>(b))
            return {b->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, b), Qt::TextShowMnemonic, 0};
        return {b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b), Qt::TextShowMnemonic, 0};
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w)) {
        // The style sizes the title's place to the title: the room is the
        // frame's width less the same margin on either side.
        const QRect label = GroupBoxLabel(g, drawn);
        const int text = g->fontMetrics().size(Qt::TextShowMnemonic, drawn).width();
        return {QRect(label.left(), label.top(), g->width() - 2 * label.left(), label.height()), Qt::TextShowMnemonic,
                label.width() - text};
    }
    return {w->rect(), 0, 0};
}

// The part of the control the frames and the window around it leave visible.
QRect VisibleRect(const QWidget* w) {
    QRect r = w->rect();
    QPoint at;  // the control's place in the container of the current step
    for (const QWidget* c = w; !c->isWindow() && c->parentWidget(); c = c->parentWidget()) {
        at += c->pos();
        r &= c->parentWidget()->rect().translated(-at);
    }
    return r;
}

QSize Needed(const QWidget* w, const Room& room, const QString& drawn) {
    const QFontMetrics fm = w->fontMetrics();
    if (room.flags & Qt::TextWordWrap)
        return fm.boundingRect(QRect(0, 0, room.rect.width(), kTall), room.flags, drawn).size();
    const QSize s = fm.size(room.flags & Qt::TextShowMnemonic, drawn);
    return {s.width() + room.padding, s.height()};
}

bool Fits(const QWidget* w, const Room& room, const QString& drawn) {
    if (drawn.isEmpty()) return true;
    const QSize need = Needed(w, room, drawn);
    return need.width() <= room.rect.width() && need.height() <= room.rect.height();
}

QString OneLine(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return s;
}

// The lines a wrapping label breaks the text into: where each starts.
std::vector<int> LineStarts(const QWidget* w, const QString& drawn, int width) {
    QTextLayout layout(QString(drawn).replace(QLatin1Char('\n'), QChar::LineSeparator), w->font(),
                       const_cast<QWidget*>(w));
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    std::vector<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        starts.push_back(line.textStart());
    }
    layout.endLayout();
    return starts;
}

// Where a list's lines stand and the widest of them.
struct LineRoom {
    QRect rect;         // the room for the lines, in the list's coordinates
    int need = 0;       // the widest line's width, with what the list draws beside its text
    QString widest;
    int lineHeight = 0; // a list box's first line's height, 0 without lines
};

// A list box lays its lines out one under the other, each as wide as its
// widest line: it scrolls sideways when that is wider than the room inside
// its frame, which the vertical scroll bar narrows when the lines are
// taller than the list.
LineRoom ListBoxRoom(const QListWidget* l) {
    LineRoom r;
    int height = 0;
    for (int i = 0; i < l->count(); ++i) {
        const QSize hint = l->sizeHintForIndex(l->model()->index(i, 0));
        height += hint.height();
        if (i == 0) r.lineHeight = hint.height();
        if (hint.width() > r.need) {
            r.need = hint.width();
            r.widest = l->item(i)->text();
        }
    }
    const QSize view = l->maximumViewportSize();
    const int bar = height > view.height() ? l->verticalScrollBar()->sizeHint().width() : 0;
    r.rect = QRect(l->contentsRect().topLeft(), QSize(view.width() - bar, view.height()));
    if (r.need > r.rect.width()) r.rect.setHeight(view.height() - l->horizontalScrollBar()->sizeHint().height());
    return r;
}

// A drop-down list shows the chosen line in its field, a pixel in from
// either side, as the style draws it; every line may be the chosen one.
LineRoom DropDownRoom(const QComboBox* c) {
    LineRoom r;
    QStyleOptionComboBox o;
    o.initFrom(c);
    o.editable = c->isEditable();
    o.frame = c->hasFrame();
    r.rect = c->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c).adjusted(1, 0, -1, 0);
    const QFontMetrics fm = c->fontMetrics();
    for (int i = 0; i < c->count(); ++i) {
        const QString line = c->itemText(i);
        if (const int w = fm.horizontalAdvance(line); w > r.need) {
            r.need = w;
            r.widest = line;
        }
    }
    return r;
}

LineRoom LineRoomOf(const QWidget* list) {
    if (auto* l = qobject_cast<const QListWidget*>(list)) return ListBoxRoom(l);
    if (auto* c = qobject_cast<const QComboBox*>(list)) return DropDownRoom(c);
    return {};
}

}  // namespace

bool IsLineList(const QWidget* w) { return qobject_cast<const QListWidget*>(w) || qobject_cast<const QComboBox*>(w); }

bool LinesFit(const QWidget* list, bool cutByContainers) {
    LineRoom room = LineRoomOf(list);
    if (room.need == 0) return true;
    if (cutByContainers) room.rect &= VisibleRect(list);
    return room.need <= room.rect.width();
}

int LinesShown(const QWidget* list) {
    const LineRoom room = LineRoomOf(list);
    if (!qobject_cast<const QListWidget*>(list) || room.lineHeight <= 0) return 0;
    return (room.rect & VisibleRect(list)).height() / room.lineHeight;
}

QString LinesRoomReport(const QWidget* list) {
    const LineRoom room = LineRoomOf(list);
    return QString("\"%1\" needs %2 px, has %3 px (%4 px left visible by its containers), font %5 %6 pt")
        .arg(room.widest)
        .arg(room.need)
        .arg(room.rect.width())
        .arg((room.rect & VisibleRect(list)).width())
        .arg(QFontInfo(list->font()).family())
        .arg(list->font().pointSizeF());
}

bool IsCaptioned(const QWidget* w) {
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QGroupBox*>(w);
}

QString DrawnCaption(const QWidget* w, const QString& caption) {
    if (qobject_cast<const QLabel*>(w)) return QString(caption).replace(QLatin1String("&&"), QLatin1String("&"));
    return caption;
}

QString ReadableCaption(const QString& caption) { return QString(caption).replace(QLatin1String("&&"), QLatin1String("&")); }

bool CaptionFits(const QWidget* w, const QString& drawn, bool cutByContainers) {
    Room room = RoomOf(w, drawn);
    if (cutByContainers) room.rect &= VisibleRect(w);
    return Fits(w, room, drawn);
}

QString ElidedCaption(const QWidget* w, const QString& drawn) {
    const Room room = RoomOf(w, drawn);
    const QFontMetrics fm = w->fontMetrics();
    const int width = std::max(0, room.rect.width() - room.padding);
    const int mnemonic = room.flags & Qt::TextShowMnemonic;
    if (!(room.flags & Qt::TextWordWrap)) return fm.elidedText(OneLine(drawn), Qt::ElideRight, width, mnemonic);
    // Keep as many whole lines as leave room for one more, which ends in "…".
    const std::vector<int> starts = LineStarts(w, drawn, width);
    for (size_t n = starts.size(); n-- > 1;) {
        const int at = starts[n - 1];
        const QString candidate = drawn.left(at) + fm.elidedText(OneLine(drawn.mid(at)), Qt::ElideRight, width);
        if (Fits(w, room, candidate)) return candidate;
    }
    return fm.elidedText(OneLine(drawn), Qt::ElideRight, width);
}

QString RoomReport(const QWidget* w, const QString& drawn) {
    const Room room = RoomOf(w, drawn);
    const QRect visible = room.rect & VisibleRect(w);
    const QSize need = Needed(w, room, drawn);
    return QString("needs %1 x %2 px, has %3 x %4 px (%5 x %6 px left visible by its containers), font %7 %8 pt")
        .arg(need.width())
        .arg(need.height())
        .arg(room.rect.width())
        .arg(room.rect.height())
        .arg(visible.width())
        .arg(visible.height())
        .arg(QFontInfo(w->font()).family())
        .arg(w->font().pointSizeF());
}

}  // namespace cobalin::ui
