#pragma once

#include "platform/alerts.h"

#include <QStringList>

namespace tavrel::testing {

// Records message boxes and beeps instead of showing and sounding them. A message box counts
// as dismissed at once. Installed for its lifetime.
class RecordingAlerts final : public platform::Alerts {
  public:
    RecordingAlerts() : previous_(platform::InstallAlerts(this)) {}
    ~RecordingAlerts() override { platform::InstallAlerts(previous_); }
    RecordingAlerts(const RecordingAlerts&) = delete;
    RecordingAlerts& operator=(const RecordingAlerts&) = delete;

    void MsgBox(const QString& text) override { messages.append(text); }
    void Beep() override { ++beeps; }

    QStringList messages;
    int beeps = 0;

  private:
    platform::Alerts* previous_;
};

} // namespace tavrel::testing
