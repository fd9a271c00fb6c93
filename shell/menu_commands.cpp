#include "shell/menu_commands.h"

#include "windows/edit_actions.h"
#include "windows/fixed_window.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

namespace tavrel::shell {

namespace {

constexpr int kMostRecentFiles = 10;
const char* const kRecentFilesKey = "recentFiles";

QAction* NewAction(QObject* parent, const QString& text, bool enabled,
                   QAction::MenuRole role = QAction::NoRole) {
    auto* action = new QAction(text, parent);
    action->setMenuRole(role);
    action->setEnabled(enabled);
    return action;
}

QAction* SharedAction(QObject* parent, const QString& text, QKeySequence::StandardKey keys,
                      const QKeySequence& otherwise) {
    auto* action = new QAction(text, parent);
    action->setShortcuts(keys);
    // Some platforms' key schemes (Windows', the offscreen one's) bind nothing to some keys.
    if (action->shortcuts().isEmpty()) {
        action->setShortcut(otherwise);
    }
    return action;
}

} // namespace

MenuCommands::MenuCommands(QObject* parent)
    : QObject(parent),
      quit(SharedAction(this, tr("Quit"), QKeySequence::Quit, Qt::CTRL | Qt::Key_Q)),
      newStudies(SharedAction(this, tr("New Studies"), QKeySequence::New, Qt::CTRL | Qt::Key_N)),
      openStudies(
          SharedAction(this, tr("Open Studies…"), QKeySequence::Open, Qt::CTRL | Qt::Key_O)) {
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &MenuCommands::QuitRequested);
}

QStringList MenuCommands::RecentFiles() {
    return QSettings().value(kRecentFilesKey).toStringList();
}

void MenuCommands::AddRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    QSettings().setValue(kRecentFilesKey, files.mid(0, kMostRecentFiles));
}

void MenuCommands::AddFileMenu(QMainWindow& window, const QList<QAction*>& own) {
    QMenu* file = window.menuBar()->addMenu(tr("File"));
    file->addActions({newStudies, openStudies});
    QMenu* recent = file->addMenu(tr("Open Recent"));
    // Filled as it opens: another window may have opened or saved a file since.
    connect(recent, &QMenu::aboutToShow, recent, [this, recent] {
        recent->clear();
        const QStringList files = RecentFiles();
        for (const QString& path : files) {
            QAction* action = recent->addAction(QFileInfo(path).fileName());
            action->setToolTip(path);
            connect(action, &QAction::triggered, this, [this, path] { emit OpenRequested(path); });
        }
        if (files.isEmpty()) {
            recent->addAction(tr("No Recent Files"))->setEnabled(false);
        }
    });
    file->addSeparator();
    if (!own.isEmpty()) {
        file->addActions(own);
        file->addSeparator();
    }
    file->addAction(quit);
}

void MenuCommands::AddWindowMenu(QMainWindow& window, const WindowCommands& answers,
                                 QAction* aboutApplication) {
    QAction* about = NewAction(&window, tr("About Tavrel"), answers.about);
    QAction* control = NewAction(&window, tr("Control"), answers.control);
    connect(about, &QAction::triggered, this, &MenuCommands::AboutRequested);
    connect(control, &QAction::triggered, this, &MenuCommands::ControlRequested);
    QMenu* windowMenu = window.menuBar()->addMenu(tr("Window"));
    windowMenu->addActions({control, about});
#ifdef Q_OS_MACOS
    windowMenu->addAction(aboutApplication); // moved to the application menu by its role
#else
    Q_UNUSED(aboutApplication);
#endif
    // Every open window after the fixed commands, the one in front checked.
    const int fixed = static_cast<int>(windowMenu->actions().size());
    connect(windowMenu, &QMenu::aboutToShow, windowMenu, [this, windowMenu, fixed, &window] {
        while (windowMenu->actions().size() > fixed) {
            QAction* listed = windowMenu->actions().last();
            windowMenu->removeAction(listed);
            listed->deleteLater();
        }
        if (!openWindows) {
            return;
        }
        windowMenu->addSeparator();
        for (QWidget* open : openWindows()) {
            // An untitled window (the calculator) is shown titled with the application's name.
            const QString title = open->windowTitle().remove(QStringLiteral("[*]"));
            QAction* action = windowMenu->addAction(
                title.isEmpty() ? QApplication::applicationDisplayName() : title);
            action->setCheckable(true);
            action->setChecked(open == &window);
            connect(action, &QAction::triggered, open, [open] { windows::ShowInFront(*open); });
        }
    });
}

void MenuCommands::AddMenuBar(QMainWindow& window, const WindowCommands& answers,
                              const windows::EditActions& edit) {
    QAction* aboutApplication =
        NewAction(&window, tr("About Tavrel"), answers.aboutApplication, QAction::AboutRole);
    connect(aboutApplication, &QAction::triggered, this, &MenuCommands::AboutRequested);
#ifndef Q_OS_MACOS
    window.menuBar()->addMenu(QApplication::applicationName())->addAction(aboutApplication);
#endif
    AddFileMenu(window, {});
    QMenu* editMenu = window.menuBar()->addMenu(tr("Edit"));
    editMenu->addAction(edit.undo);
    editMenu->addSeparator();
    editMenu->addActions({edit.cut, edit.copy, edit.paste});
    AddWindowMenu(window, answers, aboutApplication);
}

void MenuCommands::AddMenuBar(QMainWindow& window, const QList<QAction*>& fileCommands,
                              const QList<QMenu*>& menus) {
    QAction* aboutApplication = NewAction(&window, tr("About Tavrel"), true, QAction::AboutRole);
    connect(aboutApplication, &QAction::triggered, this, &MenuCommands::AboutRequested);
#ifndef Q_OS_MACOS
    window.menuBar()->addMenu(QApplication::applicationName())->addAction(aboutApplication);
#endif
    AddFileMenu(window, fileCommands);
    for (QMenu* menu : menus) {
        window.menuBar()->addMenu(menu);
    }
    AddWindowMenu(window, {.about = true, .aboutApplication = true, .control = true},
                  aboutApplication);
}

void MenuCommands::AddShortcuts(QWidget& window) const {
    window.addAction(quit);
}

} // namespace tavrel::shell
