#include "platform/etched_rule.h"

#include <QPainter>

namespace tavrel::platform {

EtchedRule::EtchedRule(QWidget* parent, QColor fill, QColor topLeft, QColor bottomRight)
    : QWidget(parent), fill_(fill), topLeft_(topLeft), bottomRight_(bottomRight) {}

void EtchedRule::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, fill_);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft_);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft_);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight_);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight_);
}

} // namespace tavrel::platform
