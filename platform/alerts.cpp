#include "platform/alerts.h"

#include <QApplication>
#include <QMessageBox>

namespace tavrel::platform {

namespace {

class SystemAlerts final : public Alerts {
  public:
    void MsgBox(const QString& text) override {
        QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text,
                        QMessageBox::Ok, QApplication::activeWindow());
        box.setAccessibleName(QApplication::applicationName());
        box.setAccessibleDescription(text);
        box.exec();
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
