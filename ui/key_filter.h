#pragma once

#include <QKeyEvent>

namespace tavrel::ui {

// The characters a key can put into an input field: "-", ".", "/" and the digits. Pasted text
// may consist of these alone.
constexpr bool IsFieldCharacter(char32_t c) {
    return c == U'-' || c == U'.' || c == U'/' || (c >= U'0' && c <= U'9');
}

// The keys an input field takes: the field characters, Backspace and Tab (either way).
// Every other key is refused, including Return, the arrows and Delete: the filter judges
// single keys, not the text they make.
inline bool TakesKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        break;
    }
    const QList<uint> typed = event.text().toUcs4();
    return !typed.isEmpty() && IsFieldCharacter(typed.front());
}

} // namespace tavrel::ui
