#include "shell/application.h"

#include "platform/shared_window.h"
#include "shell/about_wnd.h"
#include "shell/qwindow.h"
#include "ui/control_wnd.h"
#include "ui/shell_links.h"

#include <QApplication>

namespace tavrel::shell {

void InstallWindowLinks() {
    ui::InstallShellLinks(
        {.ShowInformation = [] { Qwindow().Show(); }, .HideAbout = [] { AboutWnd().Hide(); }});
}

int RunApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    QApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));
    // Only closing the calculator window or quitting ends the application.
    QApplication::setQuitOnLastWindowClosed(false);

    InstallWindowLinks();
    ui::ControlWnd().Show();
    const int status = QApplication::exec();
    platform::DestroySharedWindows();
    return status;
}

} // namespace tavrel::shell
