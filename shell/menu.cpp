#include "shell/menu.h"

#include <QApplication>
#include <QPointer>

namespace tavrel::shell {

namespace {

using platform::MenuItemKind;

struct ItemRow {
    const char* menu; // the menu that holds the item; nullptr for a menu of the bar
    const char* name;
    MenuItemKind kind;
    const char* caption;
    const char* shortcut; // nullptr: none set at all (the separator)
    bool autoEnable;
};

// In display order.
constexpr ItemRow kTree[] = {
    {nullptr, "UntitledMenu2", MenuItemKind::Menu, "File", "", false},
    {"UntitledMenu2", "FilePrint", MenuItemKind::Plain, "Print", "", false},
    {"UntitledMenu2", "FileQuit", MenuItemKind::Quit, "Quit", "Cmd+Q", true},
    {nullptr, "UntitledMenu0", MenuItemKind::Menu, "Edit", "", false},
    {"UntitledMenu0", "EditUndo", MenuItemKind::Plain, "Undo", "Cmd+Z", false},
    {"UntitledMenu0", "UntitledMenu1", MenuItemKind::Plain, "-", nullptr, false},
    {"UntitledMenu0", "EditCut", MenuItemKind::Plain, "Cut", "Cmd+X", false},
    {"UntitledMenu0", "EditCopy", MenuItemKind::Plain, "Copy", "Cmd+C", false},
    {"UntitledMenu0", "EditPaste", MenuItemKind::Plain, "Paste", "Cmd+V", false},
    {"UntitledMenu0", "EditClear", MenuItemKind::Plain, "", "", false},
    {nullptr, "WindowMenu", MenuItemKind::Menu, "Window", "", false},
    {"WindowMenu", "ControlMenuItem", MenuItemKind::Plain, "Control", "", false},
    {"WindowMenu", "AboutMenuItem", MenuItemKind::Plain, "About Tavrel", "", false},
    {"WindowMenu", "AboutQuillet", MenuItemKind::Application, "About Tavrel", "", false},
};

} // namespace

Menu::Menu() {
    for (const ItemRow& row : kTree) {
        auto item = std::make_unique<platform::MenuItem>(row.kind);
        item->Name = QString::fromLatin1(row.name);
        item->AutoEnable = row.autoEnable;
        item->SetText(QString::fromUtf8(row.caption));
        if (row.shortcut != nullptr) {
            item->SetKeyboardShortcut(QString::fromLatin1(row.shortcut));
        }
        if (row.menu == nullptr) {
            Append(std::move(item));
        } else {
            Child(QString::fromLatin1(row.menu))->Append(std::move(item));
        }
    }
}

class Menu& Menu() {
    // Lives as long as the application object of Qt, which owns it.
    static QPointer<class Menu> instance;
    if (instance.isNull()) {
        instance = new class Menu();
        instance->setParent(qApp);
    }
    return *instance;
}

} // namespace tavrel::shell
