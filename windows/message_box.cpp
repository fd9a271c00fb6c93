#include "windows/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace tavrel::windows {

void ShowMessageBox(const QString& text) {
    const QPointer<QWidget> owner = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok,
                    owner);
    box.setAccessibleName(QApplication::applicationName());
    box.setAccessibleDescription(text);
    box.exec();
    // Give the keyboard back to the window the box came from, window manager or not.
    if (owner) {
        owner->activateWindow();
    }
}

} // namespace tavrel::windows
