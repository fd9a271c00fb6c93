#pragma once

#include "platform/control_spec.h"
#include "platform/qt_text.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavrel::platform {

// A window of the program: a fixed-size content area holding named controls, with the
// window events the program handles. Subclasses build their layout in their constructor and
// override the events they handle.
class Window : public QMainWindow {
  public:
    explicit Window(const WindowSpec& spec);

    // The content area: the controls' parent, exactly the size of the layout.
    QWidget& Content() const { return *content_; }

    // Creates a control of the layout in the content area, registered under its name.
    QWidget& AddControl(const ControlSpec& spec);

    // The control registered under `name`. A name that is not there is a programming error:
    // throws std::logic_error rather than acting on nothing.
    template <class T = QWidget> T& Control(std::string_view name) const {
        T* control = FindControl<T>(name);
        if (control == nullptr) {
            throw std::logic_error("no control named " + std::string(name) + " in window " +
                                   objectName().toStdString());
        }
        return *control;
    }

    template <class T = QWidget> T* FindControl(std::string_view name) const {
        return content_->findChild<T*>(ToQString(name), Qt::FindDirectChildrenOnly);
    }

    // Shows the window and brings it to the front; on a visible window it only brings it
    // to the front.
    void Show();
    void Hide();

    // Called once the window and its controls exist: the window becomes visible when its
    // layout says so, then its Open event runs.
    void FinishCreation();

    // Menu commands this window answers while it is frontmost, by item name. A handler
    // returns whether it handled the command.
    void AddMenuHandler(const QString& itemName, std::function<bool()> handler);
    bool HasMenuHandler(const QString& itemName) const;
    bool RunMenuHandler(const QString& itemName);
    // Sets the enabled state of menu items while this window is frontmost.
    virtual void EnableMenuItems() {}

  protected:
    // Window events. A true result of KeyDown or MouseDown means "handled".
    virtual void Open() {}
    virtual void Activate() {}
    virtual void Close() {}
    virtual bool KeyDown(int /*keyCode*/) { return false; }
    virtual bool MouseDown(int /*x*/, int /*y*/) { return false; }
    virtual bool VisibleWhenCreated() const { return true; }

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QWidget* content_;
    std::map<QString, std::function<bool()>> menuHandlers_;
};

} // namespace tavrel::platform
