#pragma once

#include "platform/shared_window.h"
#include "ui/shell_links.h"

#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace tavrel::testing {

// Shell links that only count how often the calculator window followed them.
struct CountingLinks {
    int showInformation = 0;
    int hideAbout = 0;
    int showAbout = 0;

    void Install() {
        ui::InstallShellLinks({.ShowInformation = [this] { ++showInformation; },
                               .HideAbout = [this] { ++hideAbout; },
                               .ShowAbout = [this] { ++showAbout; }});
    }
};

inline QString NameOf(const QWidget* widget) {
    return widget != nullptr ? widget->objectName() : QStringLiteral("(none)");
}

} // namespace tavrel::testing
