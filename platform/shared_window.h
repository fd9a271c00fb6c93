#pragma once

#include <QPointer>
#include <QWidget>

namespace tavrel::platform {

namespace detail {
void AdoptSharedWindow(QWidget* window);
} // namespace detail

// The one shared instance of window class W: created on first use, with its controls, and
// then kept until DestroySharedWindows().
template <class W> W& SharedWindow() {
    static QPointer<W> instance;
    if (instance.isNull()) {
        instance = new W();
        detail::AdoptSharedWindow(instance.data());
        instance->FinishCreation();
    }
    return *instance;
}

// Destroys every shared window, newest first, while the application object still exists.
// The next use of an accessor creates its window anew.
void DestroySharedWindows();

} // namespace tavrel::platform
