#include "driver/ui_driver.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTimer>

#include "driver/ui_driver_answers.h"
#include "toolkit/controls.h"
#include "toolkit/program_time.h"
#include "windows/forms.h"

namespace cobalin::ui {

namespace {

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

}  // namespace cobalin::ui
