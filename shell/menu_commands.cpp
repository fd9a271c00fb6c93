#include "shell/menu_commands.h"

#include "windows/edit_actions.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace tavrel::shell {

namespace {

QAction* NewAction(QObject* parent, const QString& text, bool enabled,
                   QAction::MenuRole role = QAction::NoRole) {
    auto* action = new QAction(text, parent);
    action->setMenuRole(role);
    action->setEnabled(enabled);
    return action;
}

} // namespace

MenuCommands::MenuCommands(QObject* parent) : QObject(parent), quit(new QAction(tr("Quit"), this)) {
    quit->setShortcuts(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    // Some platforms' key schemes (Windows', the offscreen one's) bind nothing to Quit.
    if (quit->shortcuts().isEmpty()) {
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::exit(0); });
}

void MenuCommands::AddMenuBar(QMainWindow& window, const WindowCommands& answers,
                              const windows::EditActions& edit) {
    QMenuBar* bar = window.menuBar();
    QAction* about = NewAction(&window, tr("About Tavrel"), answers.about);
    QAction* aboutApplication =
        NewAction(&window, tr("About Tavrel"), answers.aboutApplication, QAction::AboutRole);
    QAction* control = NewAction(&window, tr("Control"), answers.control);
    connect(about, &QAction::triggered, this, &MenuCommands::AboutRequested);
    connect(aboutApplication, &QAction::triggered, this, &MenuCommands::AboutRequested);
    connect(control, &QAction::triggered, this, &MenuCommands::ControlRequested);

#ifndef Q_OS_MACOS
    bar->addMenu(QApplication::applicationName())->addAction(aboutApplication);
#endif
    bar->addMenu(tr("File"))->addAction(quit);
    QMenu* editMenu = bar->addMenu(tr("Edit"));
    editMenu->addAction(edit.undo);
    editMenu->addSeparator();
    editMenu->addActions({edit.cut, edit.copy, edit.paste});
    QMenu* windowMenu = bar->addMenu(tr("Window"));
    windowMenu->addActions({control, about});
#ifdef Q_OS_MACOS
    windowMenu->addAction(aboutApplication); // moved to the application menu by its role
#endif
}

void MenuCommands::AddShortcuts(QWidget& window) const {
    window.addAction(quit);
}

} // namespace tavrel::shell
