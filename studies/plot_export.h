#pragma once

#include <QSize>
#include <QString>
#include <optional>

class QWidget;

namespace tavrel::studies {

class PlotView;

// Asks for the size a plot is exported at, in points, offering its own; nullopt where the
// user cancels.
std::optional<QSize> AskPlotSize(QWidget* parent, QSize own);

// Writes the plot `view` shows to `path`, as SVG, PDF or PNG by its extension, `size` points
// large: the plot scaled to fit, centred, its proportions kept. The file is written as every
// output is, whole or not at all. False, with why in `why`, where it cannot be.
bool ExportPlot(const PlotView& view, const QString& path, QSize size, QString* why);

} // namespace tavrel::studies
