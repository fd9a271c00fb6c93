#include "shell/application.h"

#include "platform/shared_window.h"
#include "shell/about_wnd.h"
#include "shell/app.h"
#include "shell/file_types.h"
#include "shell/invisible_wnd.h"
#include "shell/menu.h"
#include "shell/qwindow.h"
#include "ui/shell_links.h"

#include <QApplication>

namespace tavrel::shell {

void InstallWindowLinks() {
    ui::InstallShellLinks({.ShowInformation = [] { Qwindow().Show(); },
                           .HideAbout = [] { AboutWnd().Hide(); },
                           .ShowAbout = [] { AboutWnd().Show(); }});
}

void InitFileTypes() {
    SharedFileTypes().Initialize();
}

void NewAppInstance() {
    App().SetMenuBar(&Menu());
}

void ApplicationAddMenuHandlers() {}

void MakeDefaultView() {
    InvisibleWnd();
}

int Main(int argc, char** argv, const std::function<void()>& beforeEventLoop) {
    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    QApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tavrel"));
    // Only closing the calculator window or quitting ends the application.
    QApplication::setQuitOnLastWindowClosed(false);

    InstallWindowLinks();
    InitFileTypes();
    NewAppInstance();
    ApplicationAddMenuHandlers();
    MakeDefaultView();
    if (beforeEventLoop) {
        beforeEventLoop();
    }
    const int status = QApplication::exec();
    platform::DestroySharedWindows();
    return status;
}

} // namespace tavrel::shell
