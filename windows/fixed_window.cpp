#include "windows/fixed_window.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace tavrel::windows {

namespace {

// Where the Liberation fonts are missing, their metric-compatible twins and the classic names
// stand in, then whatever the platform matches.
void AddFontStandIns() {
    static const bool added = [] {
        QFont::insertSubstitutions(QStringLiteral("Liberation Sans"),
                                   {QStringLiteral("Arimo"), QStringLiteral("Helvetica")});
        QFont::insertSubstitutions(QStringLiteral("Liberation Mono"),
                                   {QStringLiteral("Cousine"), QStringLiteral("Courier")});
        QFont::insertSubstitutions(QStringLiteral("Liberation Serif"),
                                   {QStringLiteral("Tinos"), QStringLiteral("Times")});
        return true;
    }();
    Q_UNUSED(added);
}

void UsePointsAsPixels(QWidget& content) {
    for (QWidget* widget : content.findChildren<QWidget*>()) {
        if (widget->testAttribute(Qt::WA_SetFont)) {
            QFont font = widget->font();
            font.setPixelSize(font.pointSize());
            widget->setFont(font);
        }
    }
}

} // namespace

void FixToContent(QMainWindow& window, Frame frame) {
    if (frame == Frame::None) {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    } else {
        window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    }
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    AddFontStandIns();
    UsePointsAsPixels(*window.centralWidget());
}

QPixmap Picture(const QString& resource, qreal devicePixelRatio) {
    // Drawn by QSvgRenderer, from a library the windows link, rather than by QIcon's SVG
    // engine, a plugin looked up at run time: no installation can lose the pictures.
    QSvgRenderer renderer(resource);
    const QSize size = renderer.defaultSize();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    return pixmap;
}

void ShowPicture(QLabel& label, const QString& resource) {
    label.setPixmap(Picture(resource, label.devicePixelRatioF()));
}

void ShowInFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace tavrel::windows
