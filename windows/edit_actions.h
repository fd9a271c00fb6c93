#pragma once

class QAction;

namespace tavrel::windows {

// The edit commands a window answers, for its menu bar; the window enables them from its own
// state.
struct EditActions {
    QAction* undo = nullptr;
    QAction* cut = nullptr;
    QAction* copy = nullptr;
    QAction* paste = nullptr;
};

} // namespace tavrel::windows
