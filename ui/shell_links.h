#pragma once

#include <functional>

namespace tavrel::ui {

// What the calculator window asks of the windows around it. The application shell installs
// these before the window is used; the window cannot reach the shell by itself.
struct ShellLinks {
    std::function<void()> ShowInformation; // the question-mark icon was clicked
    std::function<void()> HideAbout;       // the calculator window became active
    std::function<void()> ShowAbout;       // an About command was chosen
};

void InstallShellLinks(ShellLinks links);

} // namespace tavrel::ui
