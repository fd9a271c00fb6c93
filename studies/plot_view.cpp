#include "studies/plot_view.h"

#include "plots/forest_drawing.h"
#include "plots/plot_text.h"

#include <QPainter>
#include <memory>

namespace tavrel::studies {

PlotView::PlotView(const QString& name, QWidget* parent) : QWidget(parent) {
    setAccessibleName(name);
    setMinimumSize(200, 150);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void PlotView::ShowForest(const plots::ForestPlot& plot) {
    Show(plot, plots::DrawnText(plot.heterogeneity));
}

void PlotView::ShowFunnel(const plots::FunnelPlot& plot) {
    Show(plot, plots::DrawnText(plot.regionLabel));
}

template <class Plot> void PlotView::Show(const Plot& plot, const QString& description) {
    // Laid out once, here; painted at every size from the same layout.
    auto shown = std::make_shared<const std::pair<Plot, decltype(plots::LayOut(plot))>>(
        plot, plots::LayOut(plot));
    size_ = QSize(shown->second.width, shown->second.height);
    draw_ = [shown](QPainter& painter) { plots::Draw(shown->first, shown->second, painter); };
    setAccessibleDescription(description);
    update();
}

void PlotView::ShowNone(const QString& why) {
    draw_ = nullptr;
    size_ = {};
    why_ = why;
    setAccessibleDescription(why);
    update();
}

void PlotView::PaintPlot(QPainter& painter) const {
    if (draw_) {
        draw_(painter);
    }
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!draw_ || size_.isEmpty()) {
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                         why_);
        return;
    }
    // The whole plot, as large as fits, centred.
    const double scale =
        std::min(width() / double(size_.width()), height() / double(size_.height()));
    painter.translate((width() - size_.width() * scale) / 2,
                      (height() - size_.height() * scale) / 2);
    painter.scale(scale, scale);
    painter.fillRect(QRectF(0, 0, size_.width(), size_.height()), Qt::white);
    draw_(painter);
}

} // namespace tavrel::studies
