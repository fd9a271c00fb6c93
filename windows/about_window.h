#pragma once

#include <QMainWindow>
#include <memory>

namespace tavrel::windows {

namespace Ui {
class AboutWindow;
}

// The about box: a notice line and two pictures, without a title bar. Shown at start-up and
// by the About commands; a key or a click in it asks to put it away.
class AboutWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit AboutWindow(QWidget* parent = nullptr);
    ~AboutWindow() override;

  signals:
    void Dismissed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    std::unique_ptr<Ui::AboutWindow> ui_;
};

} // namespace tavrel::windows
