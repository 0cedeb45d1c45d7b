#include "toolkit/controls.h"

#include "core/ansi_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QHash>
#include <QPixmap>
#include <QTimer>
#include <QVariant>

#include "toolkit/caption_fit.h"
#include "toolkit/program_clock.h"
#include "toolkit/program_time.h"

namespace cobalin::ui {

namespace {

constexpr char kTwips[] = "cobalinTwips";
constexpr char kCaption[] = "cobalinCaption";
constexpr char kTag[] = "cobalinTag";
constexpr char kFore[] = "cobalinForeColor";
constexpr char kBack[] = "cobalinBackColor";
constexpr char kPicture[] = "cobalinPicture";
constexpr char kInterval[] = "cobalinInterval";
constexpr char kLine[] = "cobalinLine";
constexpr char kMask[] = "cobalinMask";
constexpr char kMaxLength[] = "cobalinMaxLength";
constexpr char kToolTip[] = "cobalinToolTip";

ControlObserver& Observer() {
    static ControlObserver observer;
    return observer;
}

void Changed(QObject* control, ControlProperty property) {
    if (Observer()) Observer()(control, property);
}

int Px(int twips) { return (twips + (twips >= 0 ? kTwipsPerPixel / 2 : -kTwipsPerPixel / 2)) / kTwipsPerPixel; }

void Apply(QWidget* w, Twips t) { w->setGeometry(Px(t.left), Px(t.top), std::max(0, Px(t.width)), std::max(0, Px(t.height))); }

// What fitting knows of a captioned control: whether its caption is shown
// shortened, whether it waits to be measured, and its tool tips. A child of
// the control, and the control's event filter: it fits the caption when the
// control is first shown and again when its font or style changes.
class CaptionFit : public QObject {
public:
    explicit CaptionFit(QWidget* w) : QObject(w), w_(w) {
        All().insert(w, this);
        w->installEventFilter(this);
    }
    ~CaptionFit() override { All().remove(w_); }
    // A looked-up table rather than dynamic properties: they are read at
    // every change of a control's size or caption.
    static CaptionFit* Of(const QWidget* w) { return All().value(w); }
    static CaptionFit& For(QWidget* w) {
        CaptionFit* f = Of(w);
        return f ? *f : *new CaptionFit(w);
    }

    void Fit();   // shows the caption whole where it fits, else shortened
    void Show();  // fits now, or when the control is first shown
    void ShowToolTip();
    void EnsureFitted() {
        if (pending) Fit();
    }

    QString ownTip, shownTip;
    bool elided = false, pending = false;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != w_) return false;
        if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) Show();
        else if (e->type() == QEvent::Show && pending) Fit();
        return false;
    }

private:
    static QHash<const QWidget*, CaptionFit*>& All() {
        static QHash<const QWidget*, CaptionFit*> all;
        return all;
    }
    QWidget* w_;
};

void ShowText(QWidget* w, const QString& shown) {
    if (auto* l = qobject_cast<QLabel*>(w)) l->setText(shown);
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(shown);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(shown);
}

// A tool tip that looks like markup would be shown as rich text: it is
// shown escaped, as the plain text it is.
void ApplyToolTip(QWidget* w, const QString& tip) {
    w->setProperty(kToolTip, tip);
    // Qt has no plain-text tool tip: the text goes escaped into a paragraph
    // that keeps its spaces and line breaks, as a plain tip would show them.
    w->setToolTip(tip.isEmpty() ? QString() : "<p style='white-space:pre-wrap'>" + tip.toHtmlEscaped() + "</p>");
    Changed(w, ControlProperty::ToolTip);
}

void CaptionFit::ShowToolTip() {
    shownTip = ownTip;
    if (elided) {
        shownTip = ReadableCaption(Caption(w_));
        if (!ownTip.isEmpty()) shownTip += '\n' + ownTip;
    }
    ApplyToolTip(w_, shownTip);
}

void CaptionFit::Fit() {
    const QString drawn = DrawnCaption(w_, Caption(w_));
    const bool fits = CaptionFits(w_, drawn);
    ShowText(w_, fits ? drawn : ElidedCaption(w_, drawn));
    const bool wasElided = elided;
    elided = !fits;
    pending = false;
    if (wasElided || elided) ShowToolTip();
}

// A control no one sees yet is measured when it is first shown (or asked
// about): most controls of a window belong to a face that is never shown.
void CaptionFit::Show() {
    if (w_->isVisible()) return Fit();
    ShowText(w_, DrawnCaption(w_, Caption(w_)));
    pending = true;
}

void EnsureFitted(const QWidget* w) {
    if (CaptionFit* f = CaptionFit::Of(w)) f->EnsureFitted();
}

}  // namespace

void SetControlObserver(ControlObserver observer) { Observer() = std::move(observer); }

Twips GetTwips(const QWidget* w) {
    const QVariant v = w->property(kTwips);
    if (v.isValid()) {
        const QList<QVariant> l = v.toList();
        return {l[0].toInt(), l[1].toInt(), l[2].toInt(), l[3].toInt()};
    }
    const QRect g = w->geometry();
    return {g.x() * kTwipsPerPixel, g.y() * kTwipsPerPixel, g.width() * kTwipsPerPixel, g.height() * kTwipsPerPixel};
}

void SetTwips(QWidget* w, Twips t) {
    w->setProperty(kTwips, QList<QVariant>{t.left, t.top, t.width, t.height});
    Apply(w, t);
    if (CaptionFit* f = CaptionFit::Of(w)) f->Show();
    Changed(w, ControlProperty::Geometry);
}

namespace {
// Changes some of a control's twip values and applies the result.
template <class Change>
void Adjust(QWidget* w, Change change) {
    Twips t = GetTwips(w);
    change(t);
    SetTwips(w, t);
}
}  // namespace

void SetLeft(QWidget* w, int left) { Adjust(w, [left](Twips& t) { t.left = left; }); }
void SetTop(QWidget* w, int top) { Adjust(w, [top](Twips& t) { t.top = top; }); }
void SetWidth(QWidget* w, int width) { Adjust(w, [width](Twips& t) { t.width = width; }); }
void SetHeight(QWidget* w, int height) { Adjust(w, [height](Twips& t) { t.height = height; }); }
void MoveTo(QWidget* w, int left, int top) {
    Adjust(w, [left, top](Twips& t) {
        t.left = left;
        t.top = top;
    });
}

void SetWindowTwips(QWidget* window, int width, int height) {
    Twips t = GetTwips(window);
    t.width = width;
    t.height = height;
    window->setProperty(kTwips, QList<QVariant>{t.left, t.top, t.width, t.height});
    window->setFixedSize(std::max(1, Px(width)), std::max(1, Px(height)));
    Changed(window, ControlProperty::Geometry);
}
void SetWindowWidth(QWidget* window, int width) { SetWindowTwips(window, width, GetTwips(window).height); }
void SetWindowHeight(QWidget* window, int height) { SetWindowTwips(window, GetTwips(window).width, height); }

bool OwnVisible(const QWidget* w) { return !w->isHidden(); }
bool OwnEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }
void Show(QWidget* w, bool visible) {
    w->setVisible(visible);
    Changed(w, ControlProperty::Visible);
}
void Hide(QWidget* w) { Show(w, false); }
void Enable(QWidget* w, bool enabled) {
    w->setEnabled(enabled);
    Changed(w, ControlProperty::Enabled);
}
void Disable(QWidget* w) { Enable(w, false); }

QColor ColorFromBgr(unsigned bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
unsigned BgrFromColor(const QColor& c) {
    return static_cast<unsigned>(c.red()) | (static_cast<unsigned>(c.green()) << 8) | (static_cast<unsigned>(c.blue()) << 16);
}

void SetForeColor(QWidget* w, unsigned bgr) {
    w->setProperty(kFore, bgr);
    QPalette p = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) p.setColor(role, ColorFromBgr(bgr));
    w->setPalette(p);
    Changed(w, ControlProperty::ForeColor);
}

void SetBackColor(QWidget* w, unsigned bgr) {
    w->setProperty(kBack, bgr);
    QPalette p = w->palette();
    for (auto role : {QPalette::Window, QPalette::Base}) p.setColor(role, ColorFromBgr(bgr));
    w->setPalette(p);
    w->setAutoFillBackground(true);
    Changed(w, ControlProperty::BackColor);
}

unsigned ForeColor(const QWidget* w) {
    const QVariant v = w->property(kFore);
    return v.isValid() ? v.toUInt() : 0;
}

unsigned BackColor(const QWidget* w) {
    const QVariant v = w->property(kBack);
    return v.isValid() ? v.toUInt() : BgrFromColor(w->palette().color(QPalette::Window));
}

void SetCaption(QWidget* w, const QString& caption) {
    w->setProperty(kCaption, caption);
    // A label shows device and file text as it is, never as markup.
    if (auto* l = qobject_cast<QLabel*>(w)) l->setTextFormat(Qt::PlainText);
    if (w->isWindow()) w->setWindowTitle(caption);
    else if (IsCaptioned(w)) CaptionFit::For(w).Show();
    Changed(w, ControlProperty::Caption);
}

QString Caption(const QWidget* w) {
    const QVariant v = w->property(kCaption);
    if (v.isValid()) return v.toString();
    if (w->isWindow()) return w->windowTitle();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

bool CaptionElided(const QWidget* w) {
    const CaptionFit* f = CaptionFit::Of(w);
    if (!f) return false;
    EnsureFitted(w);
    return f->elided;
}

bool CaptionClipped(const QWidget* w) {
    // A control that it or a frame around it hides shows no text to cut.
    if (w->isWindow() || !IsCaptioned(w) || !w->isVisibleTo(w->window())) return false;
    EnsureFitted(w);
    const QString caption = Caption(w);
    if (caption.isEmpty() || CaptionFits(w, DrawnCaption(w, caption), true)) return false;
    const QString whole = ReadableCaption(caption), tip = ToolTip(w);
    return tip != whole && !tip.startsWith(whole + '\n');
}

bool LinesClipped(const QWidget* w) {
    if (w->isWindow() || !IsLineList(w) || !w->isVisibleTo(w->window())) return false;
    return !LinesFit(w, true);
}

void SetToolTip(QWidget* w, const QString& tip) {
    if (!IsCaptioned(w) || w->isWindow()) return ApplyToolTip(w, tip);
    CaptionFit& f = CaptionFit::For(w);
    f.ownTip = tip;
    f.ShowToolTip();
}

QString FromAnsi(std::string_view ansi) { return QString::fromStdString(AnsiToUtf8(ansi)); }

QString ToolTip(const QWidget* w) {
    EnsureFitted(w);
    // A tool tip set on the widget itself shows as long as the caption is whole.
    const CaptionFit* f = CaptionFit::Of(w);
    if (f && (f->elided || !f->ownTip.isEmpty())) return f->shownTip;
    const QVariant v = w->property(kToolTip);
    return v.isValid() ? v.toString() : w->toolTip();
}

QString TextOf(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentIndex() >= 0 ? c->currentText() : QString();
    if (auto* l = qobject_cast<const QListWidget*>(w))
        return l->currentRow() >= 0 && l->currentItem() ? l->currentItem()->text() : QString();
    return Caption(w);
}

void SetText(QWidget* w, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        // The maximum length limits typing only; the program sets any text.
        e->setText(text);
        Changed(w, ControlProperty::Text);
        return;
    }
    SetCaption(w, text);
}

void SetTag(QObject* o, const QString& tag) {
    o->setProperty(kTag, tag);
    Changed(o, ControlProperty::Tag);
}
QString Tag(const QObject* o) { return o->property(kTag).toString(); }

bool LoadPicture(QWidget* w, const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    // Refuse absurd images before decoding them.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 8192 || size.height() > 8192) return false;
    const QImage image = reader.read();
    if (image.isNull()) return false;
    if (auto* l = qobject_cast<QLabel*>(w)) l->setPixmap(QPixmap::fromImage(image));
    w->setProperty(kPicture, QFileInfo(path).fileName());
    Changed(w, ControlProperty::Picture);
    return true;
}

QString PictureName(const QWidget* w) { return w->property(kPicture).toString(); }

namespace {
// Carries a control's handler as a child object of the control.
template <class F>
class HandlerHolder : public QObject {
public:
    HandlerHolder(QObject* parent, F h) : QObject(parent), handler(std::move(h)) {}
    F handler;
};

template <class F>
HandlerHolder<F>* HolderOf(const QWidget* w) {
    for (QObject* c : w->children())
        if (auto* h = dynamic_cast<HandlerHolder<F>*>(c)) return h;
    return nullptr;
}

template <class F>
void SetHandler(QWidget* w, F handler) {
    if (auto* h = HolderOf<F>(w)) h->handler = std::move(handler);
    else new HandlerHolder<F>(w, std::move(handler));
}

struct Validate {
    ValidateHandler fn;
};
}  // namespace

void SetSelectHandler(QWidget* list, SelectHandler handler) { SetHandler(list, std::move(handler)); }

void RunSelectHandler(QWidget* list) {
    if (auto* h = HolderOf<SelectHandler>(list); h && h->handler) {
        const SelectHandler copy = h->handler;  // the handler may replace itself
        copy();
    }
}

void ConnectUserSelection(QWidget* w) {
    if (auto* l = qobject_cast<QListWidget*>(w))
        QObject::connect(l, &QListWidget::currentRowChanged, l, [w] { RunSelectHandler(w); });
    else if (auto* c = qobject_cast<QComboBox*>(w))
        QObject::connect(c, &QComboBox::activated, c, [w] { RunSelectHandler(w); });
}

namespace {
// Runs a control's validation when a user moves the focus away from it (a
// click elsewhere, Tab, a shortcut), and puts the focus back when the
// validation keeps it. Focus lost to another window or taken by the program
// validates nothing.
class FocusValidation : public QObject {
public:
    explicit FocusValidation(QWidget* w) : QObject(w), w_(w) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != w_ || e->type() != QEvent::FocusOut || running_) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::MouseFocusReason && reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason &&
            reason != Qt::ShortcutFocusReason)
            return false;
        running_ = true;
        const bool keep = RunValidateHandler(w_);
        running_ = false;
        if (keep) QTimer::singleShot(0, w_, [w = w_] { w->setFocus(Qt::OtherFocusReason); });
        return false;
    }

private:
    QWidget* w_;
    bool running_ = false;  // a box shown by the validation takes the focus too
};
}  // namespace

void SetValidateHandler(QWidget* w, ValidateHandler handler) {
    bool watched = false;
    for (QObject* c : w->children()) watched = watched || dynamic_cast<FocusValidation*>(c);
    if (!watched) new FocusValidation(w);
    SetHandler(w, Validate{std::move(handler)});
}

bool RunValidateHandler(QWidget* w) {
    auto* h = HolderOf<Validate>(w);
    if (!h || !h->handler.fn) return false;
    const ValidateHandler copy = h->handler.fn;
    return copy();
}

void SetRowQuietly(QWidget* list, int row) {
    if (auto* l = qobject_cast<QListWidget*>(list)) {
        const QSignalBlocker block(l);
        if (row < 0 || row >= l->count()) {
            l->setCurrentRow(-1);
            l->clearSelection();
        } else {
            l->setCurrentRow(row);
        }
    } else if (auto* c = qobject_cast<QComboBox*>(list)) {
        const QSignalBlocker block(c);
        c->setCurrentIndex(row < 0 || row >= c->count() ? -1 : row);
    }
    Changed(list, ControlProperty::Row);
}

void SelectRow(QWidget* list, int row) {
    SetRowQuietly(list, row);
    RunSelectHandler(list);
}

int SelectedRow(const QWidget* list) {
    if (auto* l = qobject_cast<const QListWidget*>(list)) return l->currentRow();
    if (auto* c = qobject_cast<const QComboBox*>(list)) return c->currentIndex();
    return -1;
}

QStringList Items(const QWidget* list) {
    QStringList items;
    if (auto* l = qobject_cast<const QListWidget*>(list))
        for (int i = 0; i < l->count(); ++i) items << l->item(i)->text();
    if (auto* c = qobject_cast<const QComboBox*>(list))
        for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
    return items;
}

int ItemCount(const QWidget* list) {
    if (auto* l = qobject_cast<const QListWidget*>(list)) return l->count();
    if (auto* c = qobject_cast<const QComboBox*>(list)) return c->count();
    return 0;
}

void ClearItems(QWidget* list) {
    if (auto* l = qobject_cast<QListWidget*>(list)) {
        const QSignalBlocker block(l);
        l->clear();
    } else if (auto* c = qobject_cast<QComboBox*>(list)) {
        const QSignalBlocker block(c);
        c->clear();
    }
    Changed(list, ControlProperty::Items);
}

// Replaces a list's lines; lines that stay the same are kept, so refilling a
// list with the same names costs next to nothing.
void ReplaceItems(QWidget* list, const QStringList& lines) {
    auto* l = qobject_cast<QListWidget*>(list);
    if (!l) return;
    const QSignalBlocker block(l);
    const int row = l->currentRow();
    while (l->count() > lines.size()) delete l->takeItem(l->count() - 1);
    for (int i = 0; i < lines.size(); ++i) {
        if (i < l->count()) {
            if (l->item(i)->text() != lines[i]) l->item(i)->setText(lines[i]);
        } else {
            l->addItem(lines[i]);
        }
    }
    // Emptying a list and refilling it leaves no line selected.
    if (row >= 0 || l->currentRow() >= 0) {
        l->setCurrentRow(-1);
        l->clearSelection();
    }
    Changed(list, ControlProperty::Items);
}

void AddItem(QWidget* list, const QString& text) {
    if (auto* l = qobject_cast<QListWidget*>(list)) {
        const QSignalBlocker block(l);
        const int row = l->currentRow();
        l->addItem(text);
        // A list has no selection until code or the user makes one.
        if (row < 0) {
            l->setCurrentRow(-1);
            l->clearSelection();
        }
    } else if (auto* c = qobject_cast<QComboBox*>(list)) {
        const QSignalBlocker block(c);
        const int row = c->currentIndex();
        c->addItem(text);
        if (row < 0) c->setCurrentIndex(-1);
    }
    Changed(list, ControlProperty::Items);
}

void SetItemText(QWidget* list, int row, const QString& text) {
    if (auto* l = qobject_cast<QListWidget*>(list)) {
        if (row >= 0 && row < l->count()) l->item(row)->setText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(list)) {
        if (row >= 0 && row < c->count()) c->setItemText(row, text);
    }
    Changed(list, ControlProperty::Items);
}

void SetChecked(QWidget* w, bool checked) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setChecked(checked);
    Changed(w, ControlProperty::Checked);
}

bool IsChecked(const QWidget* w) {
    auto* b = qobject_cast<const QAbstractButton*>(w);
    return b && b->isChecked();
}

void SetTimerInterval(QTimer* t, int programMs) {
    t->setProperty(kInterval, programMs);
    // A running timer starts again with its new interval, as Qt's own does.
    if (t->isActive()) CurrentClock().Start(*t, programMs);
    else t->setInterval(ScaledMs(programMs));
    Changed(t, ControlProperty::Interval);
}

int TimerInterval(const QTimer* t) { return t->property(kInterval).toInt(); }

void EnableTimer(QTimer* t, bool enabled) {
    if (!enabled) t->stop();
    // A timer of program time runs on the program's clock; one whose interval
    // was never given in program time runs on its own.
    else if (!t->isActive() && t->property(kInterval).isValid()) CurrentClock().Start(*t, TimerInterval(t));
    else if (!t->isActive()) t->start();
    Changed(t, ControlProperty::Running);
}

LineEnds GetLine(const QWidget* line) {
    const QList<QVariant> l = line->property(kLine).toList();
    if (l.size() != 4) return {};
    return {l[0].toInt(), l[1].toInt(), l[2].toInt(), l[3].toInt()};
}

void SetLine(QWidget* line, LineEnds e) {
    line->setProperty(kLine, QList<QVariant>{e.x1, e.y1, e.x2, e.y2});
    // The widget covers the line's bounding box, a pixel thick at least.
    const int left = std::min(e.x1, e.x2), top = std::min(e.y1, e.y2);
    Apply(line, {left, top, std::max(std::abs(e.x2 - e.x1), kTwipsPerPixel), std::max(std::abs(e.y2 - e.y1), kTwipsPerPixel)});
    line->update();
    Changed(line, ControlProperty::Line);
}

void SetMaxLength(QLineEdit* box, int maxLength) {
    const bool first = !box->property(kMaxLength).isValid();
    box->setProperty(kMaxLength, maxLength);
    Changed(box, ControlProperty::MaxLength);
    if (!first) return;
    // The limit applies to typing only, as in the original toolkit.
    QObject::connect(box, &QLineEdit::textEdited, box, [box](const QString& text) {
        const int limit = MaxLength(box);
        if (limit > 0 && text.size() > limit) {
            const int cursor = std::min<int>(box->cursorPosition(), limit);
            box->setText(text.left(limit));
            box->setCursorPosition(cursor);
        }
    });
}

int MaxLength(const QLineEdit* box) { return box->property(kMaxLength).toInt(); }

void SetMask(QLineEdit* box, const QString& mask) {
    box->setProperty(kMask, mask);
    box->setEchoMode(mask.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
    Changed(box, ControlProperty::Mask);
}

QString Mask(const QLineEdit* box) { return box->property(kMask).toString(); }

}  // namespace cobalin::ui
