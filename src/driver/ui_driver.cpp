#include "driver/ui_driver.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "toolkit/caption_fit.h"
#include "toolkit/controls.h"
#include "windows/forms.h"
#include "toolkit/program_time.h"

namespace cobalin::ui {

namespace {

QByteArray Json(const QJsonValue& v) {
    // QJsonDocument holds arrays and objects only: wrap and unwrap.
    const QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return a.mid(1, a.size() - 2);
}

QByteArray OkJson() { return R"({"ok":true})"; }
QByteArray ValueJson(const QJsonValue& v) { return R"({"ok":true,"value":)" + Json(v) + "}"; }
QByteArray ErrorJson(const QString& text) { return R"({"ok":false,"error":)" + Json(text) + "}"; }

// "NAME REST": the first word and the rest after one space.
std::pair<QString, QString> SplitWord(const QString& s) {
    const int space = s.indexOf(' ');
    if (space < 0) return {s, QString()};
    return {s.left(space), s.mid(space + 1)};
}

// TEXT is the rest of the line, or a JSON string when it starts with '"'.
bool ParseText(const QString& rest, QString& text) {
    if (!rest.startsWith('"')) {
        text = rest;
        return true;
    }
    const QJsonDocument d = QJsonDocument::fromJson(("[" + rest + "]").toUtf8());
    if (!d.isArray() || d.array().size() != 1 || !d.array()[0].isString()) return false;
    text = d.array()[0].toString();
    return true;
}

bool ParseNumber(const QString& s, double& v) {
    bool ok = false;
    v = s.trimmed().toDouble(&ok);
    return ok && v >= 0;
}

bool IsList(const QWidget* w) { return IsLineList(w); }
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

template <class Def, size_t N>
const Def* Lookup(const Def (&table)[N], const QString& name) {
    for (const Def& d : table)
        if (name == QLatin1String(d.name)) return &d;
    return nullptr;
}

}  // namespace

const UiDriver::CommandDef UiDriver::kCommands[] = {
    {"click", &UiDriver::Click},
    {"invoke", &UiDriver::Invoke},
    {"select", &UiDriver::Select},
    {"type", &UiDriver::Type},
    {"leave", &UiDriver::Leave},
    {"close", &UiDriver::Close},
    {"get", &UiDriver::GetCommand},
    {"answer", &UiDriver::AnswerCommand},
    {"dialogs", &UiDriver::DialogsCommand},
    {"wait", &UiDriver::WaitCommand},
    {"idle", &UiDriver::IdleCommand},
    {"watch", &UiDriver::WatchCommand},
    {"changes", &UiDriver::Changes},
    {"state", &UiDriver::State},
    {"shot", &UiDriver::Shot},
    {"windows", &UiDriver::Windows},
    {"quit", &UiDriver::QuitCommand},
};

UiDriver::UiDriver(DriverHooks hooks, ScriptedDialogs& dialogs) : hooks_(std::move(hooks)), dialogs_(dialogs) {
    clock_.start();
    SetWaitObserver({[this] { WaitEntered(); }, [this] { WaitLeft(); }});
    // Each change a toolkit helper makes is seen where it is made. One
    // property can move another the driver reads (a line's ends move its box,
    // a list's lines its shown text), so every watch on the control is read.
    SetControlObserver([this](QObject* control, ControlProperty) { ControlChanged(control); });
    // A control that appears later under a watched name (the help window
    // opened again) is taken up when the program next waits for events.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { CheckWatches(); });
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] {
        // The command in progress is answered and the program ends.
        for (Running* r : running_)
            if (!r->answered) {
                r->answered = true;
                Answer(OkJson());
            }
        Quit();
    });
}

UiDriver::~UiDriver() {
    SetControlObserver({});
    SetWaitObserver({});
}

void UiDriver::Start() {
    sink = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    Listen(STDIN_FILENO);
}

void UiDriver::Listen(int fd) {
    inputFd_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
}

void UiDriver::ReadInput() {
    if (inputEnded_) return;
    char buf[4096];
    ssize_t n;
    // A signal that interrupts the read is no end of input: read again.
    do n = read(inputFd_, buf, sizeof buf);
    while (n < 0 && errno == EINTR);
    // Nothing there yet on an input that does not block: the notifier calls again.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        if (n < 0) std::fprintf(stderr, "cobalin: reading commands: %s\n", std::strerror(errno));
        notifier_->setEnabled(false);
        inputEnded_ = true;
        // A last line without its line feed is a command all the same.
        if (!inputBuffer_.isEmpty()) queue_ << QString::fromUtf8(inputBuffer_);
        inputBuffer_.clear();
        queue_ << "quit";
    } else {
        inputBuffer_.append(buf, static_cast<int>(n));
        for (int nl; (nl = inputBuffer_.indexOf('\n')) >= 0;) {
            QByteArray line = inputBuffer_.left(nl);
            inputBuffer_.remove(0, nl + 1);
            if (line.endsWith('\r')) line.chop(1);
            queue_ << QString::fromUtf8(line);
        }
    }
    SchedulePump();
}

void UiDriver::Feed(const QString& line) {
    queue_ << line;
    SchedulePump();
}

void UiDriver::SchedulePump() {
    if (pumpScheduled_) return;
    pumpScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        pumpScheduled_ = false;
        Pump();
    });
}

void UiDriver::Pump() {
    // One command at a time: the next one waits until the one before it has
    // been answered (a handler inside a wait answers "busy").
    while (!quitting_ && !queue_.isEmpty() && !pendingAsync_ && (running_.empty() || running_.back()->answered)) {
        const QString line = queue_.takeFirst();
        if (line.trimmed().isEmpty()) continue;
        Execute(line);
    }
}

void UiDriver::Answer(const QByteArray& json) {
    if (sink) sink(json);
}

void UiDriver::WaitEntered() {
    ++waitDepth_;
    if (!running_.empty() && !running_.back()->answered) {
        running_.back()->answered = true;
        Answer(ValueJson("busy"));
    }
    SchedulePump();
}

void UiDriver::WaitLeft() {
    --waitDepth_;
    if (idlePending_) QTimer::singleShot(0, this, [this] { CheckIdle(); });
}

double UiDriver::ProgramSeconds() const { return clock_.nsecsElapsed() / 1e9 / TimeScale(); }

Form* UiDriver::WindowOf(QWidget* w) const { return dynamic_cast<Form*>(w ? w->window() : nullptr); }

QWidget* UiDriver::Find(const QString& name, QObject** component) const {
    if (component) *component = nullptr;
    const QList<Form*> windows = hooks_.windows ? hooks_.windows() : QList<Form*>{};
    auto form = [&](const QString& n) -> Form* {
        for (Form* f : windows)
            if (f->objectName() == n) return f;
        return nullptr;
    };
    if (Form* f = form(name)) return f;
    QString window = "FormMain", control = name;
    const int dot = name.indexOf('.');
    if (dot > 0 && (name.startsWith("FormDeviceSelect.") || name.startsWith("FormHelp.") || name.startsWith("FormMain."))) {
        window = name.left(dot);
        control = name.mid(dot + 1);
    }
    Form* f = form(window);
    if (!f) return nullptr;
    // The name comes from outside the program: Find, which answers nullptr
    // for a name the window lacks (Control would stop the program).
    if (QWidget* w = f->Find(control)) return w;
    if (component) *component = f->Component(control);
    return nullptr;
}

QObject* UiDriver::FindAny(const QString& name) const {
    QObject* component = nullptr;
    if (QWidget* w = Find(name, &component)) return w;
    return component;
}

QString UiDriver::Refusal(QWidget* w) const {
    for (QWidget* p = w; p; p = p->isWindow() ? nullptr : p->parentWidget())
        if (!OwnVisible(p)) return "hidden";
    for (QWidget* p = w; p; p = p->isWindow() ? nullptr : p->parentWidget())
        if (!OwnEnabled(p)) return "disabled";
    // A modal window on top keeps the user out of the windows below it.
    const QList<Form*> windows = hooks_.windows ? hooks_.windows() : QList<Form*>{};
    if (!windows.isEmpty() && windows.front() != WindowOf(w) && windows.front()->isModal()) return "disabled";
    return {};
}

bool UiDriver::MoveFocusTo(QWidget* w) {
    if (focus_ && focus_ != w && RunValidateHandler(focus_)) return false;
    focus_ = w;
    return true;
}

void UiDriver::Execute(const QString& line) {
    const auto [name, args] = SplitWord(line.trimmed());
    Running running;
    running_.push_back(&running);
    const auto* command = Lookup(kCommands, name);
    const QByteArray answer = command ? (this->*command->run)(args) : ErrorJson("bad command");
    // A handler that entered a wait has been answered "busy" already.
    if (!running.answered) {
        running.answered = true;
        if (!answer.isEmpty()) Answer(answer);
    }
    running_.pop_back();
    CheckWatches();
}

QByteArray UiDriver::Click(const QString& args) { return Press(args, true); }

QByteArray UiDriver::Invoke(const QString& args) { return Press(args, false); }

QByteArray UiDriver::Press(const QString& name, bool asUser) {
    QWidget* w = Find(name);
    if (!w) return ErrorJson("no such control");
    if (asUser) {
        if (const QString refusal = Refusal(w); !refusal.isEmpty()) return ErrorJson(refusal);
        if (!MoveFocusTo(w)) return ValueJson("kept");
    }
    if (IsList(w)) {
        RunSelectHandler(w);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (asUser) {
            b->click();
        } else {
            // A hidden or disabled button ignores click(): do what it would.
            if (b->isCheckable() && !qobject_cast<QCheckBox*>(b)) b->setChecked(true);
            else if (b->isCheckable()) b->setChecked(!b->isChecked());
            emit b->clicked(b->isChecked());
        }
    }
    return OkJson();
}

QByteArray UiDriver::Select(const QString& args) {
    const auto [name, rowText] = SplitWord(args);
    QWidget* w = Find(name);
    bool isNumber = false;
    const int row = rowText.trimmed().toInt(&isNumber);
    if (!w) return ErrorJson("no such control");
    if (!IsList(w)) return ErrorJson("not a list");
    if (!isNumber) return ErrorJson("bad command");
    if (row < 0 || row >= ItemCount(w)) return ErrorJson("no such row");
    if (const QString refusal = Refusal(w); !refusal.isEmpty()) return ErrorJson(refusal);
    if (!MoveFocusTo(w)) return ValueJson("kept");
    SelectRow(w, row);
    return OkJson();
}

QByteArray UiDriver::Type(const QString& args) {
    const auto [name, textPart] = SplitWord(args);
    QWidget* w = Find(name);
    auto* box = qobject_cast<QLineEdit*>(w);
    QString text;
    if (!w) return ErrorJson("no such control");
    if (!ParseText(textPart, text) || !box) return ErrorJson("bad command");
    if (const QString refusal = Refusal(w); !refusal.isEmpty()) return ErrorJson(refusal);
    if (box->isReadOnly()) return ErrorJson("disabled");
    if (!MoveFocusTo(w)) return ValueJson("kept");
    const int limit = MaxLength(box);
    if (limit > 0) text = text.left(limit);
    box->setText(text);
    emit box->textEdited(text);
    return OkJson();
}

QByteArray UiDriver::Leave(const QString& args) {
    QWidget* w = Find(args);
    if (!w) return ErrorJson("no such control");
    if (const QString refusal = Refusal(w); !refusal.isEmpty()) return ErrorJson(refusal);
    const bool kept = RunValidateHandler(w);
    if (!kept && focus_ == w) focus_ = nullptr;
    if (kept) focus_ = w;
    return ValueJson(kept ? "kept" : "left");
}

QByteArray UiDriver::Close(const QString& args) {
    QWidget* w = Find(args);
    if (!w || !w->isWindow()) return ErrorJson("no such control");
    w->close();
    return OkJson();
}

QByteArray UiDriver::GetCommand(const QString& args) {
    const auto [name, prop] = SplitWord(args);
    QJsonValue v;
    QString error;
    if (!Get(name, prop.trimmed(), v, error)) return ErrorJson(error);
    return ValueJson(v);
}

QByteArray UiDriver::AnswerCommand(const QString& args) {
    if (args != "OK" && args != "Cancel" && !args.startsWith("text:")) return ErrorJson("bad command");
    dialogs_.QueueAnswer(args);
    return OkJson();
}

QByteArray UiDriver::DialogsCommand(const QString&) { return ValueJson(dialogs_.TakeShown()); }

QByteArray UiDriver::WaitCommand(const QString& args) {
    double seconds = 0;
    if (!ParseNumber(args, seconds)) return ErrorJson("bad command");
    pendingAsync_ = true;  // answered by the timer
    QTimer::singleShot(ScaledMs(seconds * 1000), this, [this] {
        pendingAsync_ = false;
        Answer(OkJson());
        SchedulePump();
    });
    return {};
}

QByteArray UiDriver::IdleCommand(const QString& args) {
    double seconds = 0;
    if (!ParseNumber(args, seconds)) return ErrorJson("bad command");
    pendingAsync_ = true;  // answered by CheckIdle
    idlePending_ = true;
    idleDeadline_ = ProgramSeconds() + seconds;
    QTimer::singleShot(0, this, [this] { CheckIdle(); });
    return {};
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

QByteArray UiDriver::State(const QString& args) {
    const auto [what, indexText] = SplitWord(args);
    bool ok = false;
    const int index = indexText.isEmpty() ? -1 : indexText.trimmed().toInt(&ok);
    if (!indexText.isEmpty() && !ok) return ErrorJson("bad command");
    bool known = false;
    const QJsonValue v = hooks_.state ? hooks_.state(what, index, known) : QJsonValue();
    return known ? ValueJson(v) : ErrorJson("bad command");
}

QByteArray UiDriver::Shot(const QString& args) {
    const QList<Form*> windows = hooks_.windows ? hooks_.windows() : QList<Form*>{};
    if (windows.isEmpty() || args.isEmpty()) return ErrorJson("bad command");
    if (!windows.front()->grab().save(args, "PNG")) return ErrorJson("bad command");
    return OkJson();
}

QByteArray UiDriver::Windows(const QString&) {
    QJsonArray list;
    for (Form* f : hooks_.windows ? hooks_.windows() : QList<Form*>{})
        list.append(QJsonObject{{"name", f->objectName()}, {"caption", Caption(f)}});
    return ValueJson(list);
}

QByteArray UiDriver::QuitCommand(const QString&) {
    // Answered before the windows close: closing them may end the program.
    running_.back()->answered = true;
    Answer(OkJson());
    Quit();
    return {};
}

void UiDriver::CheckIdle() {
    if (!idlePending_) return;
    const bool idle = waitDepth_ == 0 && (!hooks_.idle || hooks_.idle());
    if (idle || ProgramSeconds() >= idleDeadline_) {
        idlePending_ = false;
        pendingAsync_ = false;
        Answer(idle ? OkJson() : ErrorJson("timeout"));
        SchedulePump();
        return;
    }
    QTimer::singleShot(std::max(1, ScaledMs(20)), this, [this] { CheckIdle(); });
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

void UiDriver::Quit() {
    if (quitting_) return;
    quitting_ = true;
    if (hooks_.quit) hooks_.quit();
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
