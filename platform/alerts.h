#pragma once

#include <QString>

namespace tavrel::platform {

// How the program alerts the user: a modal message box and the system beep. The system's
// implementation is used unless another is installed (tests record and dismiss instead).
class Alerts {
  public:
    virtual ~Alerts() = default;
    // Shows `text` modally and returns once the user has dismissed it.
    virtual void MsgBox(const QString& text) = 0;
    virtual void Beep() = 0;
};

void MsgBox(const QString& text);
void Beep();

// Installs `alerts` (not owned) in place of the system's; nullptr restores the system's.
// Returns what was installed before.
Alerts* InstallAlerts(Alerts* alerts);

} // namespace tavrel::platform
