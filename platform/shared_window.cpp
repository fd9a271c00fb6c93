#include "platform/shared_window.h"

#include <vector>

namespace tavrel::platform {

namespace {

std::vector<QPointer<QWidget>>& Adopted() {
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

} // namespace

void detail::AdoptSharedWindow(QWidget* window) {
    Adopted().emplace_back(window);
}

void DestroySharedWindows() {
    auto& windows = Adopted();
    while (!windows.empty()) {
        delete windows.back().data();
        windows.pop_back();
    }
}

} // namespace tavrel::platform
