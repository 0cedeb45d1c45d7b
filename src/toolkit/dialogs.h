// Message boxes and the input box, behind one interface that the UI driver
// and the tests replace with a scripted one.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace cobalin::ui {

enum class MessageIcon { None, Critical, Warning, Information };
enum class MessageButtons { OK, OKCancel };
enum class MessageAnswer { OK, Cancel };

// The application's title, for boxes without a title of their own.
inline const QString kAppTitle = QStringLiteral("Cobalin");

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer Message(const QString& text, const QString& title, MessageIcon icon = MessageIcon::None,
                                  MessageButtons buttons = MessageButtons::OK) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> Input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
};

// Real modal boxes on the screen.
class ScreenDialogs : public Dialogs {
public:
    explicit ScreenDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    MessageAnswer Message(const QString& text, const QString& title, MessageIcon icon, MessageButtons buttons) override;
    std::optional<QString> Input(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    QWidget* parent_;
};

}  // namespace cobalin::ui
