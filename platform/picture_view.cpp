#include "platform/picture_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace tavrel::platform {

namespace {

class AccessiblePictureView : public QAccessibleWidget {
  public:
    explicit AccessiblePictureView(PictureView* view) : QAccessibleWidget(view) {}

    QAccessible::Role role() const override {
        return view()->Pressable() ? QAccessible::Button : QAccessible::Graphic;
    }
    QStringList actionNames() const override {
        return view()->Pressable() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && view()->Pressable()) {
            emit view()->Pressed();
        }
    }

  private:
    PictureView* view() const { return static_cast<PictureView*>(widget()); }
};

QAccessibleInterface* AccessiblePictureViewFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("tavrel::platform::PictureView") && object->isWidgetType()) {
        return new AccessiblePictureView(static_cast<PictureView*>(object));
    }
    return nullptr;
}

} // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&AccessiblePictureViewFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::NoFocus);
}

void PictureView::SetPicture(PictureRef picture) {
    picture_ = std::move(picture);
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    if (picture_) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        picture_->Draw(painter);
    }
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    if (!pressable_) {
        event->ignore(); // the window sees the press
        return;
    }
    emit Pressed();
    event->accept();
}

} // namespace tavrel::platform
