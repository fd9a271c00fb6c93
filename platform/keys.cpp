#include "platform/keys.h"

#include <QKeyEvent>

namespace tavrel::platform {

namespace {

bool IsModifierAlone(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_unknown:
        return true;
    default:
        return false;
    }
}

std::optional<int> NamedKeyCode(int key) {
    switch (key) {
    case Qt::Key_Backspace:
        return key::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return key::Tab;
    case Qt::Key_Return:
        return key::Return;
    case Qt::Key_Enter:
        return key::Enter;
    case Qt::Key_Escape:
        return key::Escape;
    case Qt::Key_Left:
        return key::Left;
    case Qt::Key_Right:
        return key::Right;
    case Qt::Key_Up:
        return key::Up;
    case Qt::Key_Down:
        return key::Down;
    case Qt::Key_Delete:
        return key::Delete;
    case Qt::Key_Home:
        return key::Home;
    case Qt::Key_End:
        return key::End;
    case Qt::Key_PageUp:
        return key::PageUp;
    case Qt::Key_PageDown:
        return key::PageDown;
    default:
        return std::nullopt;
    }
}

} // namespace

bool IsCommandKey(const QKeyEvent& event) {
    // Qt reports Cmd on macOS as ControlModifier.
    return event.modifiers().testFlag(Qt::ControlModifier);
}

std::optional<int> KeyCode(const QKeyEvent& event) {
    if (IsModifierAlone(event.key()) || IsCommandKey(event)) {
        return std::nullopt;
    }
    if (const auto named = NamedKeyCode(event.key())) {
        return named;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return key::Other;
    }
    // The first character's code point: a surrogate pair counts as one character.
    return static_cast<int>(text.toUcs4().value(0));
}

} // namespace tavrel::platform
