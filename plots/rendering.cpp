#include "plots/rendering.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cstdio>

namespace tavrel::plots {

namespace {

// Qt's notes about its own environment (no XDG_RUNTIME_DIR, say) are not the user's business
// here; its errors are.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "tavrel-batch: %s\n", qPrintable(message));
    }
}

} // namespace

std::unique_ptr<QGuiApplication> StartApplication() {
    if (QGuiApplication::instance() != nullptr) {
        return nullptr; // a window's own: its messages are its own business
    }
    qInstallMessageHandler(&QuietMessages);
    // The application takes the platform option out of argc and argv (both must outlive it),
    // so they are set anew for each one: a second plot in the same run needs it again.
    static char name[] = "tavrel-batch";
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    static int argc;
    static char* argv[4];
    argc = 3;
    argv[0] = name;
    argv[1] = platformOption;
    argv[2] = offscreen;
    argv[3] = nullptr;
    return std::make_unique<QGuiApplication>(argc, argv);
}

bool Render(int width, int height, const QString& title, const QString& description, Format format,
            const std::function<void(QPainter&)>& draw, std::string* bytes, std::string* error) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case Format::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setResolution(72);
        svg.setTitle(title);
        // The generator writes title and description as they are: escaped here.
        svg.setDescription(description.toHtmlEscaped());
        QPainter painter(&svg);
        draw(painter);
        break;
    }
    case Format::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("tavrel-batch"));
        QPainter painter(&pdf);
        draw(painter);
        break;
    }
    case Format::Png: {
        QImage image(width * kPngScale, height * kPngScale, QImage::Format_RGB32);
        image.setDevicePixelRatio(kPngScale);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            draw(painter);
        }
        if (!image.save(&buffer, "PNG")) {
            *error = "the PNG encoder failed";
            return false;
        }
        break;
    }
    }
    bytes->assign(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
    return true;
}

} // namespace tavrel::plots
