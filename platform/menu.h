#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QAction;
class QMenuBar;
class QWidget;

namespace tavrel::platform {

class MenuBar;
class Window;

enum class MenuItemKind {
    Menu,        // a menu of the bar, holding items
    Plain,       // an item; the caption "-" makes it a separator line
    Quit,        // the quit item: its own action ends the application
    Application, // shown in the application menu rather than in the menu that holds it
};

// One menu or item of the menu bar. Every window's menu bar shows the same items, so an
// item's caption and enabled state are the same wherever it appears.
class MenuItem {
  public:
    explicit MenuItem(MenuItemKind kind);
    ~MenuItem();
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    MenuItemKind Kind() const { return kind_; }
    QAction& Action() const { return *action_; }

    QString Name;            // the key by which handlers and look-ups find the item
    bool AutoEnable = false; // enabled by the menu bar itself, whatever the window says

    QString Text() const;
    void SetText(const QString& text);
    // "Cmd+" followed by the key; Cmd is Ctrl outside macOS. Empty for none.
    QString KeyboardShortcut() const;
    void SetKeyboardShortcut(const QString& shortcut);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool IsSeparator() const;

    // Items of a menu, in display order.
    const std::vector<std::unique_ptr<MenuItem>>& Items() const { return items_; }
    MenuItem* Child(const QString& name) const;
    void Append(std::unique_ptr<MenuItem> item);

  private:
    friend class MenuBar;
    void JoinBar(MenuBar& bar);

    MenuItemKind kind_;
    MenuBar* bar_ = nullptr; // the bar the item belongs to, once appended to it
    QString shortcut_;
    std::unique_ptr<QAction> action_;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

// The application's one menu bar. Each window shows it; choosing an item runs the handler
// that the frontmost window registered under the item's name. The Undo, Cut, Copy and Paste
// items act on the frontmost window's focused edit field, as the platform's editing does.
class MenuBar : public QObject {
  public:
    MenuBar();
    ~MenuBar() override;

    void Append(std::unique_ptr<MenuItem> menu);
    const std::vector<std::unique_ptr<MenuItem>>& Menus() const { return menus_; }
    MenuItem* Child(const QString& name) const;
    // The item named `name` in any menu, or nullptr.
    MenuItem* Find(const QString& name) const;

    // Fills `view`, the menu bar of one window. Outside macOS, application-menu items get a
    // leading menu of their own, titled with the application's name.
    void Populate(QMenuBar& view);
    // Lets a window without a visible menu bar answer the items' shortcuts.
    void AddShortcutsTo(QWidget& window);

    // Applies the enabling rules for the frontmost window: items without auto-enable start
    // disabled, then the window's EnableMenuItems runs, then every item it has a handler for
    // is enabled; finally the edit items follow the focused edit field.
    void UpdateEnabling();

  private:
    friend class MenuItem;
    void Choose(MenuItem& item);

    std::vector<std::unique_ptr<MenuItem>> menus_;
};

// Names of the edit commands that act on a focused edit field.
inline constexpr const char* kEditUndo = "EditUndo";
inline constexpr const char* kEditCut = "EditCut";
inline constexpr const char* kEditCopy = "EditCopy";
inline constexpr const char* kEditPaste = "EditPaste";

} // namespace tavrel::platform
