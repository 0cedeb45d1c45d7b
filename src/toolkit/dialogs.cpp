#include "toolkit/dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

#include "toolkit/program_time.h"

namespace cobalin::ui {

MessageAnswer ScreenDialogs::Message(const QString& text, const QString& title, MessageIcon icon,
                                     MessageButtons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
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
    bool ok = false;
    NotifyModalEntered();
    const QString text = QInputDialog::getText(parent_, title.isEmpty() ? kAppTitle : title, prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    NotifyModalLeft();
    if (!ok) return std::nullopt;
    return text;
}

}  // namespace cobalin::ui
