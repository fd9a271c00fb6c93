#include "platform/menu.h"

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>

namespace tavrel::platform {

namespace {

Window* FrontmostWindow() {
    return dynamic_cast<Window*>(QApplication::activeWindow());
}

// The edit field that the edit commands act on: the focused, enabled one in the frontmost
// window.
EditField* FocusedEditField(Window* window) {
    if (window == nullptr) {
        return nullptr;
    }
    auto* field = dynamic_cast<EditField*>(window->focusWidget());
    return field != nullptr && field->isEnabled() ? field : nullptr;
}

// The edit commands that act on the focused edit field, as the platform's editing does.
struct EditCommand {
    const char* name;
    bool (EditField::*can)() const;
    void (EditField::*run)();
};
constexpr EditCommand kEditCommands[] = {
    {kEditUndo, &EditField::CanUndo, &EditField::Undo},
    {kEditCut, &EditField::CanCut, &EditField::Cut},
    {kEditCopy, &EditField::CanCopy, &EditField::Copy},
    {kEditPaste, &EditField::CanPaste, &EditField::Paste},
};

const EditCommand* FindEditCommand(const QString& name) {
    for (const EditCommand& command : kEditCommands) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

template <class Visit>
void ForEachItem(const std::vector<std::unique_ptr<MenuItem>>& items, const Visit& visit) {
    for (const auto& item : items) {
        visit(*item);
        ForEachItem(item->Items(), visit);
    }
}

} // namespace

// MenuItem -------------------------------------------------------------------------------

MenuItem::MenuItem(MenuItemKind kind) : kind_(kind), action_(std::make_unique<QAction>()) {
    if (kind == MenuItemKind::Quit) {
        action_->setMenuRole(QAction::QuitRole);
    } else if (kind == MenuItemKind::Application) {
        action_->setMenuRole(QAction::AboutRole);
    } else {
        action_->setMenuRole(QAction::NoRole);
    }
}

MenuItem::~MenuItem() = default;

QString MenuItem::Text() const {
    return action_->isSeparator() ? QStringLiteral("-") : action_->text();
}

void MenuItem::SetText(const QString& text) {
    action_->setSeparator(text == QLatin1String("-"));
    action_->setText(action_->isSeparator() ? QString() : text);
}

QString MenuItem::KeyboardShortcut() const {
    return shortcut_;
}

void MenuItem::SetKeyboardShortcut(const QString& shortcut) {
    shortcut_ = shortcut;
    // Qt's Ctrl is the Cmd key on macOS.
    QString portable = shortcut;
    portable.replace(QLatin1String("Cmd+"), QLatin1String("Ctrl+"));
    action_->setShortcut(QKeySequence(portable, QKeySequence::PortableText));
}

bool MenuItem::Enabled() const {
    return action_->isEnabled();
}

void MenuItem::SetEnabled(bool enabled) {
    action_->setEnabled(enabled);
}

bool MenuItem::IsSeparator() const {
    return action_->isSeparator();
}

MenuItem* MenuItem::Child(const QString& name) const {
    for (const auto& item : items_) {
        if (item->Name == name) {
            return item.get();
        }
    }
    return nullptr;
}

void MenuItem::Append(std::unique_ptr<MenuItem> item) {
    if (bar_ != nullptr) {
        item->JoinBar(*bar_);
    }
    items_.push_back(std::move(item));
}

void MenuItem::JoinBar(MenuBar& bar) {
    bar_ = &bar;
    QObject::connect(action_.get(), &QAction::triggered, &bar, [this] { bar_->Choose(*this); });
    for (const auto& item : items_) {
        item->JoinBar(bar);
    }
}

// MenuBar --------------------------------------------------------------------------------

MenuBar::MenuBar() {
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateEnabling(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { UpdateEnabling(); });
}

MenuBar::~MenuBar() = default;

void MenuBar::Append(std::unique_ptr<MenuItem> menu) {
    menu->JoinBar(*this);
    menus_.push_back(std::move(menu));
}

MenuItem* MenuBar::Child(const QString& name) const {
    for (const auto& menu : menus_) {
        if (menu->Name == name) {
            return menu.get();
        }
    }
    return nullptr;
}

MenuItem* MenuBar::Find(const QString& name) const {
    MenuItem* found = nullptr;
    ForEachItem(menus_, [&](MenuItem& item) {
        if (found == nullptr && item.Name == name) {
            found = &item;
        }
    });
    return found;
}

void MenuBar::Populate(QMenuBar& view) {
    const auto addMenu = [&](const QString& title) {
        QMenu* menu = view.addMenu(title);
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateEnabling(); });
        return menu;
    };
#ifndef Q_OS_MACOS
    // Without an application menu of the platform's, one of our own holds its items.
    QMenu* applicationMenu = addMenu(QApplication::applicationName());
    ForEachItem(menus_, [&](MenuItem& item) {
        if (item.Kind() == MenuItemKind::Application) {
            applicationMenu->addAction(&item.Action());
        }
    });
#endif
    for (const auto& menu : menus_) {
        QMenu* viewMenu = addMenu(menu->Text());
        for (const auto& item : menu->Items()) {
#ifndef Q_OS_MACOS
            if (item->Kind() == MenuItemKind::Application) {
                continue;
            }
#endif
            viewMenu->addAction(&item->Action());
        }
    }
}

void MenuBar::AddShortcutsTo(QWidget& window) {
    ForEachItem(menus_, [&](MenuItem& item) {
        if (!item.Action().shortcut().isEmpty()) {
            window.addAction(&item.Action());
        }
    });
}

void MenuBar::UpdateEnabling() {
    ForEachItem(menus_, [](MenuItem& item) {
        if (item.Kind() != MenuItemKind::Menu) {
            item.SetEnabled(item.AutoEnable);
        }
    });
    Window* front = FrontmostWindow();
    if (front == nullptr) {
        return;
    }
    front->EnableMenuItems();
    ForEachItem(menus_, [front](MenuItem& item) {
        if (front->HasMenuHandler(item.Name)) {
            item.SetEnabled(true);
        }
    });
    if (EditField* field = FocusedEditField(front)) {
        ForEachItem(menus_, [field](MenuItem& item) {
            if (const EditCommand* command = FindEditCommand(item.Name)) {
                item.SetEnabled((field->*command->can)());
            }
        });
    }
}

void MenuBar::Choose(MenuItem& item) {
    if (item.Kind() == MenuItemKind::Quit) {
        Quit(0);
        return;
    }
    Window* front = FrontmostWindow();
    if (front == nullptr) {
        return;
    }
    if (front->HasMenuHandler(item.Name)) {
        front->RunMenuHandler(item.Name);
    } else if (EditField* field = FocusedEditField(front)) {
        if (const EditCommand* command = FindEditCommand(item.Name)) {
            (field->*command->run)();
        }
    }
    UpdateEnabling();
}

} // namespace tavrel::platform
