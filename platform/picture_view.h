#pragma once

#include "platform/picture.h"

#include <QWidget>

namespace tavrel::platform {

// Shows a picture unscaled from its top-left corner; the rest stays transparent, so
// overlapping controls remain visible. A pressable view is a button to the mouse and to
// screen readers; any other is a picture, and a press on it goes to the window.
class PictureView : public QWidget {
    Q_OBJECT

  public:
    explicit PictureView(QWidget* parent);

    void SetPicture(PictureRef picture);

    void SetPressable(bool pressable) { pressable_ = pressable; }
    bool Pressable() const { return pressable_; }

  signals:
    void Pressed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    PictureRef picture_;
    bool pressable_ = false;
};

} // namespace tavrel::platform
