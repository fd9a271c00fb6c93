#pragma once

class QKeyEvent;

namespace tavrel::windows {

// Ctrl (Cmd on macOS, which Qt reports as Ctrl) makes a key a command, never typing.
bool IsCommand(const QKeyEvent& event);

// Shift, Ctrl, Alt and the like pressed on their own.
bool IsModifierAlone(const QKeyEvent& event);

// A key a window or field answers as a key: neither a command nor a modifier alone.
inline bool IsPlainKey(const QKeyEvent& event) {
    return !IsCommand(event) && !IsModifierAlone(event);
}

} // namespace tavrel::windows
