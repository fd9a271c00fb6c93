#pragma once

#include <QString>

namespace tavrel::windows {

// The system's modal message box, titled with the application's name and readable by a
// screen reader; returns once the user has dismissed it, with the keyboard back in the window
// it came from.
void ShowMessageBox(const QString& text);

} // namespace tavrel::windows
