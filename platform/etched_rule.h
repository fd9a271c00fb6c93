#pragma once

#include <QColor>
#include <QWidget>

namespace tavrel::platform {

// A filled rectangle with a two-tone border, dark along the top and left and light along the
// bottom and right: an etched rule between groups of controls.
class EtchedRule : public QWidget {
  public:
    EtchedRule(QWidget* parent, QColor fill, QColor topLeft, QColor bottomRight);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor fill_;
    QColor topLeft_;
    QColor bottomRight_;
};

} // namespace tavrel::platform
