// The plot module's entry point: a private Qt application on the offscreen platform (no
// display is needed), and the painter's target by format.
#include "forest/forest_drawing.h"
#include "forest/forest_plot.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cstdio>
#include <memory>

namespace tavrel::forest {

namespace {

// Qt's notes about its own environment (no XDG_RUNTIME_DIR, say) are not the user's business
// here; its errors are.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "tavrel-batch: %s\n", qPrintable(message));
    }
}

} // namespace

extern "C" bool TavrelDrawForestPlot(const ForestPlot& plot, Format format, int descriptor,
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
    QFile file;
    if (!file.open(descriptor, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        *error = file.errorString().toStdString();
        return false;
    }
    const PlotSize size = SizeOf(plot);
    switch (format) {
    case Format::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(QSize(size.width, size.height));
        svg.setViewBox(QRect(0, 0, size.width, size.height));
        svg.setResolution(72);
        svg.setTitle(QStringLiteral("Forest plot"));
        svg.setDescription(QString::fromStdString(plot.heterogeneity));
        QPainter painter(&svg);
        Draw(plot, painter);
        break;
    }
    case Format::Pdf: {
        QPdfWriter pdf(&file);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(size.width, size.height), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QStringLiteral("Forest plot"));
        pdf.setCreator(QStringLiteral("tavrel-batch"));
        QPainter painter(&pdf);
        Draw(plot, painter);
        break;
    }
    case Format::Png: {
        QImage image(size.width * kPngScale, size.height * kPngScale, QImage::Format_RGB32);
        image.setDevicePixelRatio(kPngScale);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            Draw(plot, painter);
        }
        if (!image.save(&file, "PNG")) {
            *error = "the PNG encoder failed";
            return false;
        }
        break;
    }
    }
    file.close();
    return true;
}

} // namespace tavrel::forest
