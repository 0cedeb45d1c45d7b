#include "driver/ui_driver.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include "driver/ui_driver_answers.h"
#include "toolkit/caption_fit.h"
#include "toolkit/controls.h"
#include "windows/forms.h"

namespace cobalin::ui {

namespace {

bool IsTextBox(const QWidget* w) { return qobject_cast<const QLineEdit*>(w); }
// A label, button, option button, check box or frame, but not a window.
bool HasCaption(const QWidget* w) { return !w->isWindow() && IsCaptioned(w); }
// What can be cut: a caption, or the lines of a list.
bool MayBeClipped(const QWidget* w) { return HasCaption(w) || IsList(w); }
bool AnyControl(const QWidget*) { return true; }
const QLineEdit* Box(const QWidget* w) { return qobject_cast<const QLineEdit*>(w); }

// The properties `get` and `watch` read from a control; a property that does
// not fit the control (the lines of a label) is a bad command.
struct PropertyDef {
    const char* name;
    bool (*fits)(const QWidget*);
    QJsonValue (*read)(const QWidget*);
};
const PropertyDef kProperties[] = {
    {"text", AnyControl, [](const QWidget* w) -> QJsonValue { return TextOf(w); }},
    {"enabled", AnyControl, [](const QWidget* w) -> QJsonValue { return OwnEnabled(w); }},
    // A window is visible when it is open; a control by its own flag.
    {"visible", AnyControl, [](const QWidget* w) -> QJsonValue { return w->isWindow() ? w->isVisible() : OwnVisible(w); }},
    {"items", IsList, [](const QWidget* w) -> QJsonValue { return QJsonArray::fromStringList(Items(w)); }},
    {"index", IsList, [](const QWidget* w) -> QJsonValue { return SelectedRow(w); }},
    {"count", IsList, [](const QWidget* w) -> QJsonValue { return ItemCount(w); }},
    {"checked", AnyControl, [](const QWidget* w) -> QJsonValue { return IsChecked(w); }},
    {"tag", AnyControl, [](const QWidget* w) -> QJsonValue { return Tag(w); }},
    {"color", AnyControl, [](const QWidget* w) -> QJsonValue { return static_cast<double>(ForeColor(w)); }},
    {"backcolor", AnyControl, [](const QWidget* w) -> QJsonValue { return static_cast<double>(BackColor(w)); }},
    {"tooltip", AnyControl, [](const QWidget* w) -> QJsonValue { return ToolTip(w); }},
    {"clipped", MayBeClipped,
     [](const QWidget* w) -> QJsonValue { return IsList(w) ? LinesClipped(w) : CaptionClipped(w); }},
    {"mask", IsTextBox, [](const QWidget* w) -> QJsonValue { return Mask(Box(w)); }},
    {"maxlength", IsTextBox, [](const QWidget* w) -> QJsonValue { return MaxLength(Box(w)); }},
    {"left", AnyControl, [](const QWidget* w) -> QJsonValue { return GetTwips(w).left; }},
    {"top", AnyControl, [](const QWidget* w) -> QJsonValue { return GetTwips(w).top; }},
    {"width", AnyControl, [](const QWidget* w) -> QJsonValue { return GetTwips(w).width; }},
    {"height", AnyControl, [](const QWidget* w) -> QJsonValue { return GetTwips(w).height; }},
    {"picture", AnyControl, [](const QWidget* w) -> QJsonValue { return PictureName(w); }},
    {"x1", AnyControl, [](const QWidget* w) -> QJsonValue { return GetLine(w).x1; }},
    {"y1", AnyControl, [](const QWidget* w) -> QJsonValue { return GetLine(w).y1; }},
    {"x2", AnyControl, [](const QWidget* w) -> QJsonValue { return GetLine(w).x2; }},
    {"y2", AnyControl, [](const QWidget* w) -> QJsonValue { return GetLine(w).y2; }},
};

// A timer's properties: whether it runs, its unscaled interval, its tag.
struct TimerPropertyDef {
    const char* name;
    QJsonValue (*read)(const QTimer*);
};
const TimerPropertyDef kTimerProperties[] = {
    {"enabled", [](const QTimer* t) -> QJsonValue { return t->isActive(); }},
    {"interval", [](const QTimer* t) -> QJsonValue { return TimerInterval(t); }},
    {"tag", [](const QTimer* t) -> QJsonValue { return Tag(t); }},
};

}  // namespace

QByteArray UiDriver::GetCommand(const QString& args) {
    const auto [name, prop] = SplitWord(args);
    QJsonValue v;
    QString error;
    if (!Get(name, prop.trimmed(), v, error)) return ErrorJson(error);
    return ValueJson(v);
}

QByteArray UiDriver::WatchCommand(const QString& args) {
    const auto [name, propText] = SplitWord(args);
    const QString prop = propText.trimmed();
    QJsonValue v;
    QString error;
    if (!Get(name, prop, v, error)) return ErrorJson(error);
    // Watching what is watched already changes nothing: each change is recorded once.
    for (const Watch& w : watches_)
        if (w.name == name && w.prop == prop) return OkJson();
    QObject* control = FindAny(name);
    watches_.push_back({name, prop, v, control});
    Observe(control);
    return OkJson();
}

QByteArray UiDriver::Changes(const QString&) {
    CheckWatches();
    const QByteArray answer = ValueJson(changes_);
    changes_ = QJsonArray();
    return answer;
}

void UiDriver::Record(Watch& w) {
    QJsonValue v;
    QString error;
    if (!Get(w.name, w.prop, v, error)) v = QJsonValue();
    if (v == w.last) return;
    w.last = v;
    changes_.append(QJsonObject{{"name", w.name}, {"prop", w.prop}, {"value", v}, {"t", ProgramSeconds()}});
}

void UiDriver::ControlChanged(QObject* control) {
    for (Watch& w : watches_)
        if (w.control == control) Record(w);
}

void UiDriver::Observe(QObject* control) {
    if (!control || observed_.contains(control)) return;
    observed_.insert(control);
    connect(control, &QObject::destroyed, this, [this, control] { observed_.remove(control); });
    // The toolkit's helpers tell their changes to ControlChanged; these are
    // the changes made without them: a user's typing, picking a line or
    // ticking a box, and code that uses the widgets directly.
    auto changed = [this, control] { ControlChanged(control); };
    if (auto* t = qobject_cast<QTimer*>(control)) {
        timerNotifiers_.push_back(t->bindableActive().addNotifier(changed));
        return;
    }
    auto* w = qobject_cast<QWidget*>(control);
    if (!w) return;
    w->installEventFilter(this);  // shown, hidden, enabled, captioned
    if (auto* e = qobject_cast<QLineEdit*>(w)) connect(e, &QLineEdit::textChanged, this, changed);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) connect(b, &QAbstractButton::toggled, this, changed);
    QAbstractItemModel* model = nullptr;
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        model = l->model();
        // The selection model and the model are objects of their own, so they
        // tell even while the list's own signals are blocked.
        connect(l->selectionModel(), &QItemSelectionModel::currentChanged, this, changed);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        model = c->model();
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    }
    if (model) {
        connect(model, &QAbstractItemModel::rowsInserted, this, changed);
        connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
        connect(model, &QAbstractItemModel::rowsMoved, this, changed);
        connect(model, &QAbstractItemModel::dataChanged, this, changed);
        connect(model, &QAbstractItemModel::modelReset, this, changed);
        connect(model, &QAbstractItemModel::layoutChanged, this, changed);
    }
}

bool UiDriver::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::EnabledChange:
    case QEvent::WindowTitleChange:
        ControlChanged(watched);
        break;
    default:
        break;
    }
    return false;
}

void UiDriver::CheckWatches() {
    for (Watch& w : watches_) {
        if (QObject* now = FindAny(w.name); now != w.control) {
            w.control = now;
            Observe(now);
        }
        Record(w);
    }
}

bool UiDriver::Get(const QString& name, const QString& prop, QJsonValue& out, QString& error) const {
    QObject* component = nullptr;
    QWidget* w = Find(name, &component);
    if (!w && component) {
        const auto* timer = qobject_cast<QTimer*>(component);
        const TimerPropertyDef* p = timer ? Lookup(kTimerProperties, prop) : nullptr;
        if (!p) {
            error = "bad command";
            return false;
        }
        out = p->read(timer);
        return true;
    }
    if (!w) {
        error = "no such control";
        return false;
    }
    const PropertyDef* p = Lookup(kProperties, prop);
    if (!p || !p->fits(w)) {
        error = "bad command";
        return false;
    }
    out = p->read(w);
    return true;
}

}  // namespace cobalin::ui
