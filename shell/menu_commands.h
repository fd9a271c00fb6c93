#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QWidget;

namespace tavrel::windows {
struct EditActions;
}

namespace tavrel::shell {

// What a window answers of the menu commands, beside Quit, which every window answers.
struct WindowCommands {
    bool about = false;            // About Tavrel in the Window menu
    bool aboutApplication = false; // About Tavrel in the application menu
    bool control = false;          // Control: the calculator to the front
};

// The application's menus: the application menu (About Tavrel), File (Quit), Edit (Undo, Cut,
// Copy, Paste), Window (Control, About Tavrel). Each window's menu bar enables what that window
// answers; Quit is one action shared by all. The edit commands are the calculator's, in every
// window's Edit menu; the calculator enables them while it is in front.
class MenuCommands : public QObject {
    Q_OBJECT

  public:
    explicit MenuCommands(QObject* parent = nullptr);

    // Fills the window's menu bar. Outside macOS the application menu is a menu of its own,
    // first, titled with the application's name.
    void AddMenuBar(QMainWindow& window, const WindowCommands& answers,
                    const windows::EditActions& edit);
    // For a window without room for a menu bar: Quit's shortcut works there too.
    void AddShortcuts(QWidget& window) const;

    QAction* const quit;

  signals:
    void AboutRequested();
    void ControlRequested();
};

} // namespace tavrel::shell
