#include "platform/alerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace tavrel::platform {

namespace {

class SystemAlerts final : public Alerts {
  public:
    void MsgBox(const QString& text) override {
        const QPointer<QWidget> owner = QApplication::activeWindow();
        QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text,
                        QMessageBox::Ok, owner);
        box.setAccessibleName(QApplication::applicationName());
        box.setAccessibleDescription(text);
        box.exec();
        // Give the keyboard back to the window the box came from, window manager or not.
        if (owner) {
            owner->activateWindow();
        }
    }
    void Beep() override { QApplication::beep(); }
};

SystemAlerts systemAlerts;
Alerts* installed = &systemAlerts;

} // namespace

void MsgBox(const QString& text) {
    installed->MsgBox(text);
}

void Beep() {
    installed->Beep();
}

Alerts* InstallAlerts(Alerts* alerts) {
    Alerts* previous = installed;
    installed = alerts != nullptr ? alerts : &systemAlerts;
    return previous;
}

} // namespace tavrel::platform
