#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
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

// The application's menus: the application menu (About Tavrel), File (New Studies, Open
// Studies..., Open Recent, Quit), Edit (Undo, Cut, Copy, Paste), Window (Control, About Tavrel,
// then every open window). Each window's menu bar enables what that window answers; Quit, New
// and Open are actions shared by all. The edit commands are the calculator's, in the
// calculator's and the information window's Edit menus; the calculator enables them while it
// is in front. A Studies window has its own File commands and menus beside the shared ones.
class MenuCommands : public QObject {
    Q_OBJECT

  public:
    explicit MenuCommands(QObject* parent = nullptr);

    // Fills the window's menu bar. Outside macOS the application menu is a menu of its own,
    // first, titled with the application's name.
    void AddMenuBar(QMainWindow& window, const WindowCommands& answers,
                    const windows::EditActions& edit);
    // A Studies window's menu bar: its own File commands after the shared ones, and its own
    // menus (Edit among them) between File and Window.
    void AddMenuBar(QMainWindow& window, const QList<QAction*>& fileCommands,
                    const QList<QMenu*>& menus);
    // For a window without room for a menu bar: Quit's shortcut works there too.
    void AddShortcuts(QWidget& window) const;

    QAction* const quit;
    QAction* const newStudies;
    QAction* const openStudies;
    // The windows the Window menu lists, asked each time it opens.
    std::function<QList<QWidget*>()> openWindows;

    // The files opened and saved last, newest first, kept between runs.
    static QStringList RecentFiles();
    static void AddRecentFile(const QString& path);

  signals:
    void AboutRequested();
    void ControlRequested();
    void OpenRequested(const QString& path);
    // Quit was chosen: the session ends the application once no window holds changes it
    // would lose.
    void QuitRequested();

  private:
    // The File menu's shared commands, and its own ones before Quit.
    void AddFileMenu(QMainWindow& window, const QList<QAction*>& own);
    void AddWindowMenu(QMainWindow& window, const WindowCommands& answers,
                       QAction* aboutApplication);
};

} // namespace tavrel::shell
