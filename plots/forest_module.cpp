// The plot module's entry point: a private Qt application on the offscreen platform (no
// display is needed), and the painter's target by format.
#include "plots/forest_drawing.h"
#include "plots/forest_layout.h"
#include "plots/forest_plot.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cstdio>
#include <memory>

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

extern "C" bool TavrelDrawForestPlot(const ForestPlot& plot, Format format, std::string* bytes,
                                     std::string* error) {
    qInstallMessageHandler(&QuietMessages);
    std::unique_ptr<QGuiApplication> application;
    if (QGuiApplication::instance() == nullptr) {
        static int argc = 3;
        static char name[] = "tavrel-batch";
        static char platformOption[] = "-platform";
        static char offscreen[] = "offscreen";
        static char* argv[] = {name, platformOption, offscreen, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const ForestLayout layout = LayOut(plot);
    switch (format) {
    case Format::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(layout.width, layout.height));
        svg.setViewBox(QRect(0, 0, layout.width, layout.height));
        svg.setResolution(72);
        svg.setTitle(QStringLiteral("Forest plot"));
        // The generator writes title and description as they are: escaped here.
        svg.setDescription(DrawnText(plot.heterogeneity).toHtmlEscaped());
        QPainter painter(&svg);
        Draw(plot, layout, painter);
        break;
    }
    case Format::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(layout.width, layout.height), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QStringLiteral("Forest plot"));
        pdf.setCreator(QStringLiteral("tavrel-batch"));
        QPainter painter(&pdf);
        Draw(plot, layout, painter);
        break;
    }
    case Format::Png: {
        QImage image(layout.width * kPngScale, layout.height * kPngScale, QImage::Format_RGB32);
        image.setDevicePixelRatio(kPngScale);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            Draw(plot, layout, painter);
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
