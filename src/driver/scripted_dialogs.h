// Boxes that never wait: each is answered at once from a queue of answers
// and recorded. The UI driver and the tests use it.
#pragma once

#include <QJsonArray>
#include <QStringList>

#include "toolkit/dialogs.h"

namespace cobalin::ui {

class ScriptedDialogs : public Dialogs {
public:
    // "OK", "Cancel", or "text:TEXT" for an input box.
    void QueueAnswer(const QString& answer) { answers_ << answer; }
    MessageAnswer Message(const QString& text, const QString& title, MessageIcon icon, MessageButtons buttons) override;
    std::optional<QString> Input(const QString& prompt, const QString& title, const QString& defaultText) override;

    // The boxes shown since the last call, oldest first.
    QJsonArray TakeShown();
    int shownCount() const { return static_cast<int>(shown_.size()); }
    const QJsonArray& shown() const { return shown_; }

private:
    QString NextAnswer();
    QStringList answers_;
    QJsonArray shown_;
};

}  // namespace cobalin::ui
