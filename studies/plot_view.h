#pragma once

#include "plots/forest_layout.h"
#include "plots/forest_plot.h"
#include "plots/funnel_drawing.h"
#include "plots/funnel_plot.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace tavrel::studies {

// A forest or funnel plot in the window, drawn by the code that writes the plot files, scaled
// to the widget and painted as vectors, so that it is sharp at any device pixel ratio. Where
// there is no plot it says why.
class PlotView : public QWidget {
    Q_OBJECT

  public:
    explicit PlotView(const QString& name, QWidget* parent = nullptr);

    void ShowForest(const plots::ForestPlot& plot);
    void ShowFunnel(const plots::FunnelPlot& plot);
    void ShowNone(const QString& why);
    // The plot's own size, in points; empty where there is none.
    QSize PlotSize() const { return size_; }
    // Paints the plot at its own size, one unit a point.
    void PaintPlot(QPainter& painter) const;
    bool HasPlot() const { return static_cast<bool>(draw_); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    template <class Plot> void Show(const Plot& plot, const QString& description);

    std::function<void(QPainter&)> draw_;
    QSize size_;
    QString why_;
};

} // namespace tavrel::studies
