#pragma once

#include <QMainWindow>
#include <memory>

namespace tavrel::windows {

namespace Ui {
class InformationWindow;
}

// The information window: the equations, two notes, the references and the program's notice.
// Any key, any click in it or closing it puts it away; it is hidden, never destroyed.
class InformationWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit InformationWindow(QWidget* parent = nullptr);
    ~InformationWindow() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    std::unique_ptr<Ui::InformationWindow> ui_;
};

} // namespace tavrel::windows
