#include "platform/window.h"

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/menu.h"
#include "platform/qt_text.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>

namespace tavrel::platform {

namespace {

Qt::WindowFlags FlagsFor(const WindowSpec& spec) {
    if (spec.frame == FrameKind::PlainBox) {
        return Qt::Window | Qt::FramelessWindowHint;
    }
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (spec.closeButton) {
        flags |= Qt::WindowCloseButtonHint;
    }
    if (spec.minimizeButton) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    return flags;
}

} // namespace

Window::Window(const WindowSpec& spec) : content_(new QWidget(this)) {
    // Every window shows the application's menu bar; one without a title bar has no room
    // for it, but still answers its shortcuts.
    if (Application* app = CurrentApplication(); app != nullptr && app->MenuBar() != nullptr) {
        if (spec.frame == FrameKind::Document) {
            app->MenuBar()->Populate(*menuBar());
        } else {
            app->MenuBar()->AddShortcutsTo(*this);
        }
    }
    setObjectName(ToQString(spec.name));
    setWindowFlags(FlagsFor(spec));
    setWindowTitle(ToQString(spec.title));
    setAccessibleName(ToQString(spec.accessibleName.empty() ? spec.title : spec.accessibleName));

    content_->setObjectName(QStringLiteral("content"));
    content_->setFixedSize(spec.width, spec.height);
    content_->setAutoFillBackground(true);
    QPalette palette = content_->palette();
    palette.setColor(QPalette::Window,
                     QColor(spec.background.red, spec.background.green, spec.background.blue));
    content_->setPalette(palette);
    setCentralWidget(content_);
    // Not resizable: the window is exactly its content (and a menu bar, where it has one).
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget& Window::AddControl(const ControlSpec& spec) {
    return *CreateControl(content_, spec);
}

void Window::Show() {
    show();
    raise();
    activateWindow();
}

void Window::Hide() {
    hide();
}

void Window::FinishCreation() {
    if (VisibleWhenCreated()) {
        Show();
    }
    Open();
}

void Window::AddMenuHandler(const QString& itemName, std::function<bool()> handler) {
    menuHandlers_[itemName] = std::move(handler);
}

bool Window::HasMenuHandler(const QString& itemName) const {
    return menuHandlers_.count(itemName) != 0;
}

bool Window::RunMenuHandler(const QString& itemName) {
    const auto handler = menuHandlers_.find(itemName);
    return handler != menuHandlers_.end() && handler->second();
}

bool Window::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        Activate();
    }
    return QMainWindow::event(event);
}

void Window::closeEvent(QCloseEvent* event) {
    Close();
    event->accept();
}

void Window::keyPressEvent(QKeyEvent* event) {
    const std::optional<int> code = KeyCode(*event);
    if (code && KeyDown(*code)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Window::mousePressEvent(QMouseEvent* event) {
    const QPoint at = content_->mapFrom(this, event->position().toPoint());
    if (MouseDown(at.x(), at.y())) {
        event->accept();
        return;
    }
    QMainWindow::mousePressEvent(event);
}

} // namespace tavrel::platform
