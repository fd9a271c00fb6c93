#include "plots/funnel_drawing.h"

#include "plots/plot_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavrel::plots {

namespace {

constexpr double kMargin = 16;
constexpr double kPlotLeft = 64; // room for the standard errors and their title
constexpr double kPlotWidth = 360;
constexpr double kPlotHeight = 280;
constexpr double kBelowPlot = 48; // the effects and their title
constexpr double kLegendRow = 18;
constexpr double kSwatch = 22; // a legend entry's sign, before its text
constexpr double kRadius = 3.5;
// Up to this many studies each is a circle of its own; beyond, they are drawn as one path.
constexpr std::size_t kMostCircles = 5000;
// The shades of the contours, from p < .10 to p < .01: darker where p is smaller.
const QColor kShades[] = {QColor(236, 236, 236), QColor(212, 212, 212), QColor(186, 186, 186)};
const QColor kRegionColour(90, 90, 90);

// One line of the legend: what it shows, and how its sign is drawn.
enum class Sign { Study, Filled, Estimate, Adjusted, Region, Shade };
struct LegendEntry {
    Sign sign;
    QString text;
    QColor shade;
};

std::vector<LegendEntry> Legend(const FunnelPlot& plot) {
    std::vector<LegendEntry> entries;
    if (plot.contours.empty() && plot.filled.empty()) {
        return entries;
    }
    entries.push_back({Sign::Study, QStringLiteral("Studies"), {}});
    if (!plot.filled.empty()) {
        entries.push_back({Sign::Filled, QStringLiteral("Filled studies"), {}});
    }
    entries.push_back({Sign::Estimate, DrawnText(plot.estimateLabel), {}});
    if (plot.adjusted) {
        entries.push_back({Sign::Adjusted, DrawnText(plot.adjustedLabel), {}});
    }
    entries.push_back({Sign::Region, DrawnText(plot.regionLabel), {}});
    for (std::size_t i = 0; i < plot.contours.size() && i < std::size(kShades); ++i) {
        entries.push_back({Sign::Shade, DrawnText(plot.contours[i].label), kShades[i]});
    }
    return entries;
}

class Painter {
  public:
    Painter(const FunnelPlot& plot, const FunnelLayout& layout, QPainter& painter)
        : plot_(plot), layout_(layout), painter_(painter) {}

    void All() {
        const QRectF frame(layout_.plotLeft, layout_.plotTop, layout_.plotWidth,
                           layout_.plotHeight);
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.save();
        painter_.setClipRect(frame);
        Contours();
        Region();
        EstimateLine(plot_.estimate, Qt::SolidLine);
        if (plot_.adjusted) {
            EstimateLine(plot_.adjustedEstimate, Qt::DashLine);
        }
        Points(plot_.studies, false);
        Points(plot_.filled, true);
        painter_.restore();
        painter_.setPen(QPen(Qt::black, 1));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(frame);
        Axes();
        if (layout_.legend) {
            LegendBox();
        }
    }

  private:
    double X(double value) const {
        const Axis& axis = layout_.across;
        return layout_.plotLeft + (value - axis.low) / (axis.high - axis.low) * layout_.plotWidth;
    }
    double Y(double se) const {
        const Axis& axis = layout_.down;
        return layout_.plotTop + (se - axis.low) / (axis.high - axis.low) * layout_.plotHeight;
    }
    // The triangle from `centre` at standard error 0 out to +- z standard errors at the bottom.
    QPolygonF Triangle(double centre, double z) const {
        const double bottom = layout_.down.high;
        return QPolygonF({QPointF(X(centre), Y(0)), QPointF(X(centre - z * bottom), Y(bottom)),
                          QPointF(X(centre + z * bottom), Y(bottom))});
    }

    // Shaded outside each contour's triangle around 0, the darkest (smallest p) outermost:
    // each shade is painted over the frame, then the next contour's inside takes the lighter.
    void Contours() {
        if (plot_.contours.empty()) {
            return;
        }
        painter_.setPen(Qt::NoPen);
        const QRectF frame(layout_.plotLeft, layout_.plotTop, layout_.plotWidth,
                           layout_.plotHeight);
        const std::size_t count = std::min(plot_.contours.size(), std::size(kShades));
        painter_.fillRect(frame, kShades[count - 1]);
        for (std::size_t i = count; i-- > 0;) {
            painter_.setBrush(i == 0 ? QColor(Qt::white) : kShades[i - 1]);
            painter_.drawPolygon(Triangle(0, plot_.contours[i].z));
        }
    }

    void Region() {
        painter_.setPen(QPen(kRegionColour, 1, Qt::DotLine));
        const QPolygonF triangle = Triangle(plot_.estimate, plot_.regionZ);
        painter_.drawLine(triangle[0], triangle[1]);
        painter_.drawLine(triangle[0], triangle[2]);
    }

    void EstimateLine(double value, Qt::PenStyle style) {
        painter_.setPen(QPen(Qt::black, 1, style));
        painter_.drawLine(QPointF(X(value), layout_.plotTop),
                          QPointF(X(value), layout_.plotTop + layout_.plotHeight));
    }

    // A study as a filled circle; a filled-in one as an open circle.
    // Each study as a circle; many of them as one path of dots, each place drawn once (points
    // closer than a tenth of a point look the same), so a million studies make a file of a
    // few megabytes rather than hundreds.
    void Points(const std::vector<FunnelPoint>& points, bool open) {
        if (points.size() <= kMostCircles) {
            for (const FunnelPoint& point : points) {
                Point(QPointF(X(point.estimate), Y(point.se)), open);
            }
            return;
        }
        std::vector<std::pair<std::int32_t, std::int32_t>> places;
        places.reserve(points.size());
        for (const FunnelPoint& point : points) {
            const auto tenths = [](double at) {
                return static_cast<std::int32_t>(std::lround(std::clamp(at, -1e6, 1e6) * 10));
            };
            places.emplace_back(tenths(X(point.estimate)), tenths(Y(point.se)));
        }
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        QPainterPath dots;
        for (const auto& [x, y] : places) {
            const QPointF centre(x / 10.0, y / 10.0);
            dots.moveTo(centre);
            dots.lineTo(centre + QPointF(0.01, 0)); // Qt drops a line of no length
        }
        // A line this short with round caps is a dot as wide as the pen.
        painter_.setBrush(Qt::NoBrush);
        if (open) {
            painter_.setPen(QPen(Qt::black, 2 * kRadius + 1, Qt::SolidLine, Qt::RoundCap));
            painter_.drawPath(dots);
            painter_.setPen(QPen(Qt::white, 2 * kRadius - 1, Qt::SolidLine, Qt::RoundCap));
        } else {
            painter_.setPen(QPen(Qt::black, 2 * kRadius + 0.5, Qt::SolidLine, Qt::RoundCap));
        }
        painter_.drawPath(dots);
    }

    void Point(QPointF centre, bool open) {
        painter_.setPen(QPen(Qt::black, open ? 1 : 0.5));
        painter_.setBrush(open ? QColor(Qt::white) : QColor(Qt::black));
        painter_.drawEllipse(centre, kRadius, kRadius);
    }

    void Axes() {
        painter_.setFont(PlotFont());
        const QFontMetricsF metrics(painter_.font());
        const double bottom = layout_.plotTop + layout_.plotHeight;
        for (const double tick : layout_.across.ticks) {
            painter_.drawLine(QPointF(X(tick), bottom), QPointF(X(tick), bottom + 4));
            const QString label = QString::number(ShownTick(plot_.scale, tick), 'g', 6);
            painter_.drawText(QPointF(X(tick) - metrics.horizontalAdvance(label) / 2, bottom + 17),
                              label);
        }
        for (const double tick : layout_.down.ticks) {
            painter_.drawLine(QPointF(layout_.plotLeft - 4, Y(tick)),
                              QPointF(layout_.plotLeft, Y(tick)));
            const QString label = QString::number(tick, 'g', 6);
            painter_.drawText(QPointF(layout_.plotLeft - 7 - metrics.horizontalAdvance(label),
                                      Y(tick) + metrics.capHeight() / 2),
                              label);
        }
        const QString across = DrawnText(plot_.axisLabel);
        painter_.drawText(QPointF(X((layout_.across.low + layout_.across.high) / 2) -
                                      metrics.horizontalAdvance(across) / 2,
                                  bottom + 36),
                          across);
        // The standard error's title reads upward, beside its axis.
        const QString down = DrawnText(plot_.seLabel);
        painter_.save();
        painter_.translate(kMargin + metrics.ascent(), layout_.plotTop + layout_.plotHeight / 2 +
                                                           metrics.horizontalAdvance(down) / 2);
        painter_.rotate(-90);
        painter_.drawText(QPointF(0, 0), down);
        painter_.restore();
    }

    void LegendBox() {
        painter_.setFont(PlotFont());
        const QFontMetricsF metrics(painter_.font());
        double top = layout_.plotTop + 6;
        for (const LegendEntry& entry : Legend(plot_)) {
            const double middle = top + kLegendRow / 2;
            const double left = layout_.legendLeft;
            switch (entry.sign) {
            case Sign::Study:
            case Sign::Filled:
                Point(QPointF(left + kSwatch / 2 - 3, middle), entry.sign == Sign::Filled);
                break;
            case Sign::Estimate:
            case Sign::Adjusted:
                painter_.setPen(QPen(Qt::black, 1,
                                     entry.sign == Sign::Estimate ? Qt::SolidLine : Qt::DashLine));
                painter_.drawLine(QPointF(left, middle), QPointF(left + kSwatch - 6, middle));
                break;
            case Sign::Region:
                painter_.setPen(QPen(kRegionColour, 1, Qt::DotLine));
                painter_.drawLine(QPointF(left, middle + 5),
                                  QPointF(left + kSwatch - 6, middle - 5));
                break;
            case Sign::Shade:
                painter_.setPen(QPen(Qt::gray, 0.5));
                painter_.setBrush(entry.shade);
                painter_.drawRect(QRectF(left, middle - 5, kSwatch - 6, 10));
                break;
            }
            painter_.setPen(Qt::black);
            painter_.drawText(QPointF(left + kSwatch, middle + metrics.capHeight() / 2),
                              entry.text);
            top += kLegendRow;
        }
    }

    const FunnelPlot& plot_;
    const FunnelLayout& layout_;
    QPainter& painter_;
};

} // namespace

FunnelLayout LayOut(const FunnelPlot& plot) {
    double largestSe = 0;
    double low = plot.estimate;
    double high = plot.estimate;
    for (const auto* points : {&plot.studies, &plot.filled}) {
        for (const FunnelPoint& point : *points) {
            largestSe = std::max(largestSe, point.se);
            low = std::min(low, point.estimate);
            high = std::max(high, point.estimate);
        }
    }
    FunnelLayout layout{};
    layout.down = RoundAxis(0, largestSe);
    // The funnel's region at its widest, and the contours' bands about 0.
    const double bottom = layout.down.high;
    low = std::min(low, plot.estimate - plot.regionZ * bottom);
    high = std::max(high, plot.estimate + plot.regionZ * bottom);
    for (const FunnelContour& contour : plot.contours) {
        low = std::min(low, -contour.z * bottom);
        high = std::max(high, contour.z * bottom);
    }
    layout.across = ScaledAxis(plot.scale, low, high);
    layout.plotLeft = kPlotLeft;
    layout.plotTop = kMargin;
    layout.plotWidth = kPlotWidth;
    layout.plotHeight = kPlotHeight;
    double right = layout.plotLeft + layout.plotWidth + kMargin;
    const std::vector<LegendEntry> legend = Legend(plot);
    layout.legend = !legend.empty();
    if (layout.legend) {
        const QFontMetricsF metrics(PlotFont());
        double widest = 0;
        for (const LegendEntry& entry : legend) {
            widest = std::max(widest, metrics.horizontalAdvance(entry.text));
        }
        layout.legendLeft = right;
        right += kSwatch + widest + kMargin;
    }
    layout.width = static_cast<int>(std::ceil(right));
    layout.height = static_cast<int>(std::ceil(layout.plotTop + layout.plotHeight + kBelowPlot));
    return layout;
}

void Draw(const FunnelPlot& plot, const FunnelLayout& layout, QPainter& painter) {
    painter.fillRect(QRectF(0, 0, layout.width, layout.height), Qt::white);
    Painter(plot, layout, painter).All();
}

} // namespace tavrel::plots
