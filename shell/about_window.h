#pragma once

#include <QMainWindow>

namespace tavrel::shell {

// The about box: a notice line and two pictures, without a title bar. Shown at start-up and
// by the About commands; a key or a click in it asks to put it away.
class AboutWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit AboutWindow(QWidget* parent = nullptr);

  signals:
    void Dismissed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace tavrel::shell
