#include "shell/menu_commands.h"

#include "platform/guarded_line_edit.h"
#include "shell/about_window.h"
#include "ui/calculator_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

namespace tavrel::shell {

namespace {

QAction* NewAction(QObject* parent, const QString& text,
                   QKeySequence::StandardKey key = QKeySequence::UnknownKey,
                   QAction::MenuRole role = QAction::NoRole) {
    auto* action = new QAction(text, parent);
    action->setShortcuts(key);
    action->setMenuRole(role);
    return action;
}

} // namespace

MenuCommands::MenuCommands(QObject* parent)
    : QObject(parent), print(NewAction(this, tr("Print"))),
      quit(NewAction(this, tr("Quit"), QKeySequence::Quit, QAction::QuitRole)),
      undo(NewAction(this, tr("Undo"), QKeySequence::Undo)),
      cut(NewAction(this, tr("Cut"), QKeySequence::Cut)),
      copy(NewAction(this, tr("Copy"), QKeySequence::Copy)),
      paste(NewAction(this, tr("Paste"), QKeySequence::Paste)), blank(NewAction(this, QString())),
      control(NewAction(this, tr("Control"))), about(NewAction(this, tr("About Tavrel"))),
      aboutApplication(
          NewAction(this, tr("About Tavrel"), QKeySequence::UnknownKey, QAction::AboutRole)) {
    // Some platforms' key schemes (Windows', the offscreen one's) bind nothing to Quit.
    if (quit->shortcuts().isEmpty()) {
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::exit(0); });
    connect(about, &QAction::triggered, this, &MenuCommands::AboutRequested);
    connect(aboutApplication, &QAction::triggered, this, &MenuCommands::AboutRequested);
    connect(undo, &QAction::triggered, this,
            [this] { RunOnField(&platform::GuardedLineEdit::Undo); });
    connect(cut, &QAction::triggered, this,
            [this] { RunOnField(&platform::GuardedLineEdit::Cut); });
    connect(copy, &QAction::triggered, this,
            [this] { RunOnField(&platform::GuardedLineEdit::Copy); });
    connect(paste, &QAction::triggered, this,
            [this] { RunOnField(&platform::GuardedLineEdit::Paste); });

    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { FollowFocus(now); });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MenuCommands::UpdateEnabling);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &MenuCommands::UpdateEnabling);
    UpdateEnabling();
}

void MenuCommands::AddMenuBar(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    const auto addMenu = [&](const QString& title) {
        QMenu* menu = bar->addMenu(title);
        connect(menu, &QMenu::aboutToShow, this, &MenuCommands::UpdateEnabling);
        return menu;
    };
#ifndef Q_OS_MACOS
    addMenu(QApplication::applicationName())->addAction(aboutApplication);
#endif
    QMenu* file = addMenu(tr("File"));
    file->addActions({print, quit});
    QMenu* edit = addMenu(tr("Edit"));
    edit->addAction(undo);
    edit->addSeparator();
    edit->addActions({cut, copy, paste, blank});
    QMenu* windowMenu = addMenu(tr("Window"));
    windowMenu->addActions({control, about});
#ifdef Q_OS_MACOS
    windowMenu->addAction(aboutApplication); // moved to the application menu by its role
#endif
}

void MenuCommands::AddShortcuts(QWidget& window) const {
    window.addActions({quit, undo, cut, copy, paste});
}

platform::GuardedLineEdit* MenuCommands::FocusedField() const {
    QWidget* active = QApplication::activeWindow();
    auto* field = active != nullptr
                      ? qobject_cast<platform::GuardedLineEdit*>(active->focusWidget())
                      : nullptr;
    return field != nullptr && field->isEnabled() ? field : nullptr;
}

void MenuCommands::FollowFocus(QWidget* now) {
    // What the edit commands can do changes with the focused field's text and selection.
    if (followed_) {
        disconnect(followed_, nullptr, this, nullptr);
    }
    followed_ = qobject_cast<platform::GuardedLineEdit*>(now);
    if (followed_) {
        connect(followed_, &QLineEdit::selectionChanged, this, &MenuCommands::UpdateEnabling);
        connect(followed_, &QLineEdit::textChanged, this, &MenuCommands::UpdateEnabling);
    }
    UpdateEnabling();
}

void MenuCommands::RunOnField(void (platform::GuardedLineEdit::*command)()) {
    if (platform::GuardedLineEdit* field = FocusedField()) {
        (field->*command)();
    }
    UpdateEnabling();
}

void MenuCommands::UpdateEnabling() {
    QWidget* active = QApplication::activeWindow();
    const bool calculator = qobject_cast<ui::CalculatorWindow*>(active) != nullptr;
    const bool aboutBox = qobject_cast<AboutWindow*>(active) != nullptr;
    about->setEnabled(calculator || aboutBox);
    aboutApplication->setEnabled(calculator);
    for (QAction* never : {print, blank, control}) {
        never->setEnabled(false);
    }
    platform::GuardedLineEdit* field = FocusedField();
    undo->setEnabled(field != nullptr && field->CanUndo());
    cut->setEnabled(field != nullptr && field->CanCut());
    copy->setEnabled(field != nullptr && field->CanCopy());
    paste->setEnabled(field != nullptr && field->CanPaste());
}

} // namespace tavrel::shell
