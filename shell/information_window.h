#pragma once

#include <QMainWindow>

namespace tavrel::shell {

// The information window: the equations, two notes, the references and the program's notice.
// Any key, any click in it or closing it puts it away; it is hidden, never destroyed.
class InformationWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit InformationWindow(QWidget* parent = nullptr);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace tavrel::shell
