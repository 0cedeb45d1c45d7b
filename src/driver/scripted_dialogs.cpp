#include "driver/scripted_dialogs.h"

#include <QJsonObject>

namespace cobalin::ui {

namespace {
QString IconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical:
            return "critical";
        case MessageIcon::Warning:
            return "warning";
        case MessageIcon::Information:
            return "information";
        case MessageIcon::None:
            break;
    }
    return "none";
}
}  // namespace

QString ScriptedDialogs::NextAnswer() { return answers_.isEmpty() ? QString() : answers_.takeFirst(); }

MessageAnswer ScriptedDialogs::Message(const QString& text, const QString& title, MessageIcon icon,
                                       MessageButtons buttons) {
    const QString queued = NextAnswer();
    // Only an OK/Cancel box can be cancelled; anything else answers OK.
    const bool cancel = buttons == MessageButtons::OKCancel && queued == "Cancel";
    shown_.append(QJsonObject{{"kind", "message"},
                              {"title", title.isEmpty() ? kAppTitle : title},
                              {"text", text},
                              {"icon", IconName(icon)},
                              {"buttons", buttons == MessageButtons::OK ? "OK" : "OKCancel"},
                              {"default", ""},
                              {"answer", cancel ? "Cancel" : "OK"}});
    return cancel ? MessageAnswer::Cancel : MessageAnswer::OK;
}

std::optional<QString> ScriptedDialogs::Input(const QString& prompt, const QString& title, const QString& defaultText) {
    const QString queued = NextAnswer();
    std::optional<QString> result = defaultText;
    QString answer = "OK";
    if (queued == "Cancel") {
        result = std::nullopt;
        answer = "Cancel";
    } else if (queued.startsWith("text:")) {
        result = queued.mid(5);
        answer = *result;
    } else {
        answer = defaultText;
    }
    shown_.append(QJsonObject{{"kind", "input"},
                              {"title", title.isEmpty() ? kAppTitle : title},
                              {"text", prompt},
                              {"icon", "none"},
                              {"buttons", "OKCancel"},
                              {"default", defaultText},
                              {"answer", answer}});
    return result;
}

QJsonArray ScriptedDialogs::TakeShown() {
    QJsonArray out = shown_;
    shown_ = QJsonArray();
    return out;
}

}  // namespace cobalin::ui
