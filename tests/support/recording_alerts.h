#pragma once

#include <QObject>
#include <QStringList>

namespace tavrel::testing {

// Records the message boxes and beeps a window or session asks for, instead of showing and
// sounding them; a message box counts as dismissed at once.
struct RecordingAlerts {
    // Connects to `source`'s MessageRequested and BeepRequested signals.
    template <class Source> explicit RecordingAlerts(Source& source) {
        connections[0] = QObject::connect(&source, &Source::MessageRequested,
                                          [this](const QString& text) { messages.append(text); });
        connections[1] = QObject::connect(&source, &Source::BeepRequested, [this] { ++beeps; });
    }
    ~RecordingAlerts() {
        for (const QMetaObject::Connection& connection : connections) {
            QObject::disconnect(connection);
        }
    }
    RecordingAlerts(const RecordingAlerts&) = delete;
    RecordingAlerts& operator=(const RecordingAlerts&) = delete;

    QStringList messages;
    int beeps = 0;
    QMetaObject::Connection connections[2];
};

} // namespace tavrel::testing
