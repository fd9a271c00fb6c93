#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMainWindow;
class QWidget;

namespace tavrel::platform {
class GuardedLineEdit;
}

namespace tavrel::shell {

// The application's menu commands: File (Print, Quit), Edit (Undo, Cut, Copy, Paste and a
// blank item), Window (Control, About Tavrel), and About Tavrel in the application menu.
// Every window shows the same actions, so their captions and enabled states are the same
// wherever they appear. The edit commands act on the focused input field of the active
// window; Print, Control and the blank item are never enabled.
class MenuCommands : public QObject {
    Q_OBJECT

  public:
    explicit MenuCommands(QObject* parent = nullptr);

    // Fills the window's menu bar. Outside macOS the application menu is a menu of its own,
    // first, titled with the application's name.
    void AddMenuBar(QMainWindow& window);
    // For a window without room for a menu bar: the commands' shortcuts work there too.
    void AddShortcuts(QWidget& window) const;

    // Enables what the active window allows: both About items from the calculator, the
    // Window menu's from the about window too, the edit commands where the focused field can
    // do them. Runs by itself whenever focus, selection, text or clipboard change.
    void UpdateEnabling();

    QAction* const print;
    QAction* const quit;
    QAction* const undo;
    QAction* const cut;
    QAction* const copy;
    QAction* const paste;
    QAction* const blank;
    QAction* const control;
    QAction* const about;            // in the Window menu
    QAction* const aboutApplication; // in the application menu

  signals:
    void AboutRequested();

  private:
    void FollowFocus(QWidget* now);
    platform::GuardedLineEdit* FocusedField() const;
    void RunOnField(void (platform::GuardedLineEdit::*command)());

    QPointer<platform::GuardedLineEdit> followed_;
};

} // namespace tavrel::shell
