#include "toolkit/dialogs.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include "toolkit/program_time.h"

namespace cobalin::ui {

MessageAnswer ScreenDialogs::Message(const QString& text, const QString& title, MessageIcon icon,
                                     MessageButtons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
    // The text may carry a device's name or a file's line: never rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Critical, QMessageBox::Warning,
                                       QMessageBox::Information};
    box.setIcon(icons[static_cast<int>(icon)]);
    box.setStandardButtons(buttons == MessageButtons::OK ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    NotifyModalEntered();
    const int result = box.exec();
    NotifyModalLeft();
    return result == QMessageBox::Ok ? MessageAnswer::OK : MessageAnswer::Cancel;
}

std::optional<QString> ScreenDialogs::Input(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog box(parent_);
    box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
    box.setInputMode(QInputDialog::TextInput);
    box.setLabelText(prompt);
    // The prompt's label is the box's only one; like a message, it is plain text.
    for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    box.setTextValue(defaultText);
    NotifyModalEntered();
    const int result = box.exec();
    NotifyModalLeft();
    if (result != QDialog::Accepted) return std::nullopt;
    return box.textValue();
}

}  // namespace cobalin::ui
