#include "studies/plot_export.h"

#include "outputs/output_error.h"
#include "outputs/output_file.h"
#include "plots/rendering.h"
#include "studies/plot_view.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPainter>
#include <QSpinBox>
#include <cerrno>
#include <cstring>
#include <tuple>

namespace tavrel::studies {

std::optional<QSize> AskPlotSize(QWidget* parent, QSize own) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Export Plot"));
    auto* width = new QSpinBox;
    auto* height = new QSpinBox;
    for (auto [box, value, name] : {std::tuple{width, own.width(), QObject::tr("Width")},
                                    std::tuple{height, own.height(), QObject::tr("Height")}}) {
        box->setRange(50, 20000);
        box->setValue(value);
        box->setSuffix(QObject::tr(" pt"));
        box->setAccessibleName(name);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QObject::tr("&Width:"), width);
    form->addRow(QObject::tr("&Height:"), height);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return QSize(width->value(), height->value());
}

bool ExportPlot(const PlotView& view, const QString& path, QSize size, QString* why) {
    if (!view.HasPlot()) {
        *why = QObject::tr("There is no plot to export.");
        return false;
    }
    plots::Format format = plots::Format::Svg;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        format = plots::Format::Pdf;
    } else if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        format = plots::Format::Png;
    } else if (!path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        *why = QObject::tr("A plot is written as .svg, .pdf or .png.");
        return false;
    }
    const QSize own = view.PlotSize();
    const double scale =
        std::min(size.width() / double(own.width()), size.height() / double(own.height()));
    std::string bytes;
    std::string error;
    const bool drawn = plots::Render(
        size.width(), size.height(), view.accessibleName(), view.accessibleDescription(), format,
        [&](QPainter& painter) {
            painter.translate((size.width() - own.width() * scale) / 2,
                              (size.height() - own.height() * scale) / 2);
            painter.scale(scale, scale);
            view.PaintPlot(painter);
        },
        &bytes, &error);
    if (!drawn) {
        *why = QString::fromStdString(error);
        return false;
    }
    try {
        outputs::OutputFile file(path.toStdString(), stderr);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.File()) != bytes.size()) {
            throw outputs::OutputError("cannot write " + path.toStdString() + ": " +
                                       std::strerror(errno));
        }
        file.Commit();
    } catch (const outputs::OutputError& e) {
        *why = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

} // namespace tavrel::studies
