#include "driver/ui_driver.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

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

}  // namespace

UiDriver::UiDriver(DriverHooks hooks, ScriptedDialogs& dialogs) : hooks_(std::move(hooks)), dialogs_(dialogs) {
    clock_.start();
    SetWaitObserver({[this] { WaitEntered(); }, [this] { WaitLeft(); }});
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { CheckWatches(); });
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] {
        // The command in progress is answered and the program ends.
        for (Running* r : running_)
            if (!r->answered) {
                r->answered = true;
                Ok();
            }
        Quit();
    });
}

UiDriver::~UiDriver() { SetWaitObserver({}); }

void UiDriver::Start() {
    sink = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
}

void UiDriver::ReadInput() {
    char buf[4096];
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        notifier_->setEnabled(false);
        inputEnded_ = true;
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

void UiDriver::Value(const QJsonValue& v) { Answer(R"({"ok":true,"value":)" + Json(v) + "}"); }

void UiDriver::Error(const QString& text) { Answer(R"({"ok":false,"error":)" + Json(text) + "}"); }

void UiDriver::WaitEntered() {
    ++waitDepth_;
    if (!running_.empty() && !running_.back()->answered) {
        running_.back()->answered = true;
        Value("busy");
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
    if (QWidget* w = f->Find(control)) return w;
    if (component) *component = f->Component(control);
    return nullptr;
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

void UiDriver::Execute(const QString& rawLine) {
    Running running;
    running_.push_back(&running);
    const QString line = rawLine;
    const auto [command, rest] = SplitWord(line.trimmed() == line ? line : line.trimmed());
    auto done = [&] {
        running_.pop_back();
        CheckWatches();
    };
    auto reply = [&](auto&& fn) {
        if (!running.answered) {
            running.answered = true;
            fn();
        }
    };

    QObject* component = nullptr;
    if (command == "click" || command == "invoke") {
        QWidget* w = Find(rest, &component);
        if (!w) {
            reply([&] { Error("no such control"); });
            return done();
        }
        if (command == "click") {
            const QString refusal = Refusal(w);
            if (!refusal.isEmpty()) {
                reply([&] { Error(refusal); });
                return done();
            }
            if (!MoveFocusTo(w)) {
                reply([&] { Value("kept"); });
                return done();
            }
        }
        if (qobject_cast<QListWidget*>(w) || qobject_cast<QComboBox*>(w)) {
            RunSelectHandler(w);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (command == "click") {
                b->click();
            } else {
                if (b->isCheckable() && !qobject_cast<QCheckBox*>(b)) b->setChecked(true);
                else if (b->isCheckable()) b->setChecked(!b->isChecked());
                emit b->clicked(b->isChecked());
            }
        }
        reply([&] { Ok(); });
        return done();
    }
    if (command == "select") {
        const auto [name, rowText] = SplitWord(rest);
        QWidget* w = Find(name);
        bool isNumber = false;
        const int row = rowText.trimmed().toInt(&isNumber);
        if (!w) reply([&] { Error("no such control"); });
        else if (!qobject_cast<QListWidget*>(w) && !qobject_cast<QComboBox*>(w)) reply([&] { Error("not a list"); });
        else if (!isNumber) reply([&] { Error("bad command"); });
        else if (row < 0 || row >= ItemCount(w)) reply([&] { Error("no such row"); });
        else if (const QString refusal = Refusal(w); !refusal.isEmpty()) reply([&] { Error(refusal); });
        else if (!MoveFocusTo(w)) reply([&] { Value("kept"); });
        else {
            SelectRow(w, row);
            reply([&] { Ok(); });
        }
        return done();
    }
    if (command == "type") {
        const auto [name, textPart] = SplitWord(rest);
        QWidget* w = Find(name);
        auto* box = qobject_cast<QLineEdit*>(w);
        QString text;
        if (!w) reply([&] { Error("no such control"); });
        else if (!ParseText(textPart, text)) reply([&] { Error("bad command"); });
        else if (!box) reply([&] { Error("bad command"); });
        else if (const QString refusal = Refusal(w); !refusal.isEmpty()) reply([&] { Error(refusal); });
        else if (box->isReadOnly()) reply([&] { Error("disabled"); });
        else if (!MoveFocusTo(w)) reply([&] { Value("kept"); });
        else {
            const int limit = MaxLength(box);
            if (limit > 0) text = text.left(limit);
            box->setText(text);
            emit box->textEdited(text);
            reply([&] { Ok(); });
        }
        return done();
    }
    if (command == "leave") {
        QWidget* w = Find(rest);
        if (!w) reply([&] { Error("no such control"); });
        else if (const QString refusal = Refusal(w); !refusal.isEmpty()) reply([&] { Error(refusal); });
        else {
            const bool kept = RunValidateHandler(w);
            if (!kept && focus_ == w) focus_ = nullptr;
            if (kept) focus_ = w;
            reply([&] { Value(kept ? "kept" : "left"); });
        }
        return done();
    }
    if (command == "close") {
        QWidget* w = Find(rest);
        if (!w || !w->isWindow()) reply([&] { Error("no such control"); });
        else {
            w->close();
            reply([&] { Ok(); });
        }
        return done();
    }
    if (command == "get") {
        const auto [name, prop] = SplitWord(rest);
        QJsonValue v;
        QString error;
        if (Get(name, prop.trimmed(), v, error)) reply([&] { Value(v); });
        else reply([&] { Error(error); });
        return done();
    }
    if (command == "answer") {
        if (rest == "OK" || rest == "Cancel" || rest.startsWith("text:")) {
            dialogs_.QueueAnswer(rest);
            reply([&] { Ok(); });
        } else {
            reply([&] { Error("bad command"); });
        }
        return done();
    }
    if (command == "dialogs") {
        reply([&] { Value(dialogs_.TakeShown()); });
        return done();
    }
    if (command == "wait") {
        double seconds = 0;
        if (!ParseNumber(rest, seconds)) {
            reply([&] { Error("bad command"); });
            return done();
        }
        running.answered = true;  // answered by the timer
        pendingAsync_ = true;
        QTimer::singleShot(ScaledMs(seconds * 1000), this, [this] {
            pendingAsync_ = false;
            Ok();
            SchedulePump();
        });
        return done();
    }
    if (command == "idle") {
        double seconds = 0;
        if (!ParseNumber(rest, seconds)) {
            reply([&] { Error("bad command"); });
            return done();
        }
        running.answered = true;
        pendingAsync_ = true;
        idlePending_ = true;
        idleDeadline_ = ProgramSeconds() + seconds;
        QTimer::singleShot(0, this, [this] { CheckIdle(); });
        return done();
    }
    if (command == "watch") {
        const auto [name, prop] = SplitWord(rest);
        QJsonValue v;
        QString error;
        if (!Get(name, prop.trimmed(), v, error)) {
            reply([&] { Error(error); });
        } else {
            watches_.push_back({name, prop.trimmed(), v});
            reply([&] { Ok(); });
        }
        return done();
    }
    if (command == "changes") {
        CheckWatches();
        reply([&] { Value(changes_); });
        changes_ = QJsonArray();
        return done();
    }
    if (command == "state") {
        const auto [what, indexText] = SplitWord(rest);
        bool ok = false;
        const int index = indexText.isEmpty() ? -1 : indexText.trimmed().toInt(&ok);
        if (!indexText.isEmpty() && !ok) {
            reply([&] { Error("bad command"); });
            return done();
        }
        bool known = false;
        const QJsonValue v = hooks_.state ? hooks_.state(what, index, known) : QJsonValue();
        if (known) reply([&] { Value(v); });
        else reply([&] { Error("bad command"); });
        return done();
    }
    if (command == "shot") {
        const QList<Form*> windows = hooks_.windows ? hooks_.windows() : QList<Form*>{};
        if (windows.isEmpty() || rest.isEmpty()) reply([&] { Error("bad command"); });
        else if (!windows.front()->grab().save(rest, "PNG")) reply([&] { Error("bad command"); });
        else reply([&] { Ok(); });
        return done();
    }
    if (command == "windows") {
        QJsonArray list;
        for (Form* f : hooks_.windows ? hooks_.windows() : QList<Form*>{})
            list.append(QJsonObject{{"name", f->objectName()}, {"caption", Caption(f)}});
        reply([&] { Value(list); });
        return done();
    }
    if (command == "quit") {
        running.answered = true;
        Ok();
        running_.pop_back();
        Quit();
        return;
    }
    reply([&] { Error("bad command"); });
    done();
}

void UiDriver::CheckIdle() {
    if (!idlePending_) return;
    const bool idle = waitDepth_ == 0 && (!hooks_.idle || hooks_.idle());
    if (idle || ProgramSeconds() >= idleDeadline_) {
        idlePending_ = false;
        pendingAsync_ = false;
        if (idle) Ok();
        else Error("timeout");
        SchedulePump();
        return;
    }
    QTimer::singleShot(std::max(1, ScaledMs(20)), this, [this] { CheckIdle(); });
}

void UiDriver::CheckWatches() {
    for (Watch& w : watches_) {
        QJsonValue v;
        QString error;
        if (!Get(w.name, w.prop, v, error)) v = QJsonValue();
        if (v == w.last) continue;
        w.last = v;
        changes_.append(QJsonObject{{"name", w.name}, {"prop", w.prop}, {"value", v}, {"t", ProgramSeconds()}});
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
        if (auto* t = qobject_cast<QTimer*>(component)) {
            if (prop == "enabled") return out = t->isActive(), true;
            if (prop == "interval") return out = TimerInterval(t), true;
            if (prop == "tag") return out = Tag(t), true;
        }
        error = "bad command";
        return false;
    }
    if (!w) {
        error = "no such control";
        return false;
    }
    auto* box = qobject_cast<QLineEdit*>(w);
    const bool isList = qobject_cast<QListWidget*>(w) || qobject_cast<QComboBox*>(w);
    if (prop == "text") out = TextOf(w);
    else if (prop == "enabled") out = OwnEnabled(w);
    else if (prop == "visible") out = w->isWindow() ? w->isVisible() : OwnVisible(w);
    else if (prop == "items" && isList) out = QJsonArray::fromStringList(Items(w));
    else if (prop == "index" && isList) out = SelectedRow(w);
    else if (prop == "count" && isList) out = ItemCount(w);
    else if (prop == "checked") out = IsChecked(w);
    else if (prop == "tag") out = Tag(w);
    else if (prop == "color") out = static_cast<double>(ForeColor(w));
    else if (prop == "backcolor") out = static_cast<double>(BackColor(w));
    else if (prop == "tooltip") out = w->toolTip();
    else if (prop == "mask" && box) out = Mask(box);
    else if (prop == "maxlength" && box) out = MaxLength(box);
    else if (prop == "left") out = GetTwips(w).left;
    else if (prop == "top") out = GetTwips(w).top;
    else if (prop == "width") out = GetTwips(w).width;
    else if (prop == "height") out = GetTwips(w).height;
    else if (prop == "picture") out = PictureName(w);
    else if (prop == "x1") out = GetLine(w).x1;
    else if (prop == "y1") out = GetLine(w).y1;
    else if (prop == "x2") out = GetLine(w).x2;
    else if (prop == "y2") out = GetLine(w).y2;
    else {
        error = "bad command";
        return false;
    }
    return true;
}

}  // namespace cobalin::ui
