#include "shell/application.h"

#include "shell/session.h"
#include "windows/message_box.h"

#include <QApplication>

namespace tavrel::shell {

int Main(int argc, char** argv, const std::function<void()>& beforeEventLoop) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    QApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Tavrel")); // where QSettings keeps its file
    QApplication::setDesktopFileName(QStringLiteral("tavrel"));
    // Only closing the calculator window or quitting ends the application.
    QApplication::setQuitOnLastWindowClosed(false);

    // What is left of the command line once Qt has taken its own options: files to open.
    const Session session(Session::kStartupPause, QApplication::arguments().mid(1));
    QObject::connect(&session, &Session::MessageRequested, &windows::ShowMessageBox);
    QObject::connect(&session, &Session::BeepRequested, &QApplication::beep);
    if (beforeEventLoop) {
        beforeEventLoop();
    }
    return QApplication::exec();
}

} // namespace tavrel::shell
