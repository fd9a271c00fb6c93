#include "plots/forest_drawing.h"

#include "plots/axis.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tavrel::plots {

namespace {

constexpr double kLargestSquare = 14;
const QColor kSquareColour(110, 125, 150);

class Painter {
  public:
    Painter(const ForestPlot& plot, const ForestLayout& layout, QPainter& painter)
        : plot_(plot), layout_(layout), painter_(painter),
          axis_(ScaledAxis(plot.scale, Low(), High())), largestWeight_(LargestWeight()) {}

    void All() {
        Headings();
        for (std::size_t i = 0; i < plot_.studies.size(); ++i) {
            Study(i);
        }
        for (std::size_t g = 0; g < plot_.groups.size(); ++g) {
            Group(g);
        }
        const double rule = layout_.pooledTop - 8;
        painter_.setPen(QPen(Qt::gray, 0.75));
        painter_.drawLine(QPointF(layout_.labelLeft, rule), QPointF(layout_.weightRight, rule));
        Pooled();
        painter_.setFont(PlotFont());
        Text(DrawnText(plot_.overallTest), layout_.labelLeft, layout_.testTop);
        if (plot_.prediction) {
            Prediction();
        }
        ZeroLine(layout_.rowTops.empty() ? rule : layout_.rowTops.front() - 4, layout_.axisTop);
        Scale(layout_.axisTop);
        painter_.setFont(PlotFont());
        painter_.setPen(Qt::black);
        painter_.drawText(QPointF(layout_.labelLeft, layout_.footerTop),
                          DrawnText(plot_.heterogeneity));
        painter_.drawText(QPointF(layout_.labelLeft, layout_.footerTop + kLineHeight + 2),
                          DrawnText(plot_.subgroupTest));
    }

  private:
    double Low() const {
        double low = std::min(plot_.pooled.low, plot_.prediction ? plot_.predictionRow.low : 0);
        for (const ForestRow& row : plot_.studies) {
            low = std::min(low, row.low);
        }
        return low;
    }
    double LargestWeight() const {
        double largest = 0;
        for (const ForestRow& row : plot_.studies) {
            largest = std::max(largest, row.weight);
        }
        return largest;
    }
    double High() const {
        double high = std::max(plot_.pooled.high, plot_.prediction ? plot_.predictionRow.high : 0);
        for (const ForestRow& row : plot_.studies) {
            high = std::max(high, row.high);
        }
        return high;
    }
    double X(double value) const {
        const double x =
            layout_.plotLeft + (value - axis_.low) / (axis_.high - axis_.low) * layout_.plotWidth;
        // An end beyond the axis (an infinite one) is drawn at the axis's end.
        return std::clamp(std::isnan(x) ? layout_.plotLeft : x, layout_.plotLeft,
                          layout_.plotLeft + layout_.plotWidth);
    }
    // The baseline of a line of text in a row of kRowHeight from `top`.
    double Baseline(double top) const {
        return top + kRowHeight / 2 + QFontMetricsF(painter_.font()).capHeight() / 2;
    }
    void Text(const QString& text, double left, double top) {
        painter_.drawText(QPointF(left, Baseline(top)), text);
    }
    void RightAligned(const QString& text, double right, double top) {
        Text(text, right - QFontMetricsF(painter_.font()).horizontalAdvance(text), top);
    }
    // A number set so that its decimal point (or its end, where it has none) is at `point`.
    // Returns where it ends.
    double AtPoint(const std::string& number, double point, double top) {
        const QString text = DrawnText(number);
        const qsizetype at = text.indexOf(QLatin1Char('.'));
        const QFontMetricsF metrics(painter_.font());
        const double left = point - metrics.horizontalAdvance(at < 0 ? text : text.left(at));
        Text(text, left, top);
        return left + metrics.horizontalAdvance(text);
    }
    // "0.41 [0.27, 0.55]", each number on its decimal point.
    void Estimate(const ForestRow& row, double top) {
        AtPoint(row.estimateText, layout_.estimatePoint, top);
        Text(QStringLiteral("["), layout_.openBracket, top);
        AtPoint(row.lowText, layout_.lowPoint, top);
        Text(QStringLiteral(","), layout_.comma, top);
        Text(QStringLiteral("]"), AtPoint(row.highText, layout_.highPoint, top), top);
    }

    void Headings() {
        painter_.setFont(PlotFont(true));
        painter_.setPen(Qt::black);
        Text(QStringLiteral("Study"), layout_.labelLeft, kHeadingTop);
        Text(DrawnText(plot_.intervalHeading), layout_.textLeft, kHeadingTop);
        RightAligned(QStringLiteral("Weight"), layout_.weightRight, kHeadingTop);
    }

    void Study(std::size_t i) {
        const ForestRow& row = plot_.studies[i];
        const double top = layout_.rowTops[i];
        painter_.setFont(PlotFont());
        painter_.setPen(Qt::black);
        const QStringList& lines = layout_.labelLines[i];
        for (qsizetype line = 0; line < lines.size(); ++line) {
            Text(lines[line], layout_.labelLeft, top + static_cast<double>(line) * kLineHeight);
        }
        Estimate(row, top);
        RightAligned(QString::number(row.weight, 'f', 1) + QLatin1Char('%'), layout_.weightRight,
                     top);
        // The square's area follows the study's weight, but it never hides its interval: it is
        // no wider than the interval, and the interval is drawn over it.
        const double middle = top + kRowHeight / 2;
        const double span = X(row.high) - X(row.low);
        const double side = std::clamp(kLargestSquare * std::sqrt(row.weight / largestWeight_), 3.0,
                                       std::max(3.0, span));
        painter_.fillRect(QRectF(X(row.estimate) - side / 2, middle - side / 2, side, side),
                          kSquareColour);
        painter_.setPen(QPen(Qt::black, 1));
        painter_.drawLine(QPointF(X(row.low), middle), QPointF(X(row.high), middle));
    }

    // A model's row: its label, estimate and weight, and its diamond `height` high.
    void ModelRow(const ForestRow& row, double top, bool bold, double height, QColor colour) {
        painter_.setFont(PlotFont(bold));
        painter_.setPen(Qt::black);
        Text(QFontMetricsF(painter_.font())
                 .elidedText(DrawnText(row.label), Qt::ElideMiddle, layout_.labelWidth),
             layout_.labelLeft, top);
        Estimate(row, top);
        RightAligned(QString::number(row.weight, 'f', row.weight == 100 ? 0 : 1) + QLatin1Char('%'),
                     layout_.weightRight, top);
        const double middle = top + kRowHeight / 2;
        QPainterPath diamond;
        diamond.moveTo(X(row.low), middle);
        diamond.lineTo(X(row.estimate), middle - height / 2);
        diamond.lineTo(X(row.high), middle);
        diamond.lineTo(X(row.estimate), middle + height / 2);
        diamond.closeSubpath();
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.fillPath(diamond, colour);
    }

    void Pooled() { ModelRow(plot_.pooled, layout_.pooledTop, true, 14, Qt::black); }

    // A group: its name above its studies; a subgroup's diamond below them.
    void Group(std::size_t g) {
        painter_.setFont(PlotFont(true));
        painter_.setPen(Qt::black);
        Text(QFontMetricsF(painter_.font())
                 .elidedText(DrawnText(plot_.groups[g].label), Qt::ElideMiddle, layout_.labelWidth),
             layout_.labelLeft, layout_.groupHeadingTops[g]);
        if (!plot_.groups[g].pooledShown) {
            return;
        }
        ModelRow(plot_.groups[g].pooled, layout_.groupPooledTops[g], false, 10, kSquareColour);
        painter_.setFont(PlotFont());
        painter_.setPen(QColor(60, 60, 60));
        Text(QFontMetricsF(painter_.font())
                 .elidedText(DrawnText(plot_.groups[g].heterogeneity), Qt::ElideRight,
                             layout_.labelWidth),
             layout_.labelLeft, layout_.groupPooledTops[g] + kLineHeight);
    }

    void Prediction() {
        const ForestRow& row = plot_.predictionRow;
        const double top = layout_.predictionTop;
        painter_.setFont(PlotFont());
        painter_.setPen(Qt::black);
        Text(DrawnText(row.label), layout_.labelLeft, top);
        Estimate(row, top);
        const double middle = top + kRowHeight / 2;
        painter_.setPen(QPen(Qt::black, 1.5));
        painter_.drawLine(QPointF(X(row.low), middle), QPointF(X(row.high), middle));
        for (const double end : {row.low, row.high}) {
            painter_.drawLine(QPointF(X(end), middle - 4), QPointF(X(end), middle + 4));
        }
    }

    void ZeroLine(double top, double bottom) {
        painter_.setPen(QPen(QColor(120, 120, 120), 0.75, Qt::DashLine));
        painter_.drawLine(QPointF(X(0), top), QPointF(X(0), bottom));
    }

    void Scale(double top) {
        painter_.setPen(QPen(Qt::black, 1));
        painter_.drawLine(QPointF(layout_.plotLeft, top),
                          QPointF(layout_.plotLeft + layout_.plotWidth, top));
        painter_.setFont(PlotFont());
        const QFontMetricsF metrics(painter_.font());
        for (const double tick : axis_.ticks) {
            painter_.drawLine(QPointF(X(tick), top), QPointF(X(tick), top + 4));
            const QString label = QString::number(ShownTick(plot_.scale, tick), 'g', 6);
            painter_.drawText(QPointF(X(tick) - metrics.horizontalAdvance(label) / 2, top + 17),
                              label);
        }
        const QString title = DrawnText(plot_.axisLabel);
        const double centre = layout_.plotLeft + layout_.plotWidth / 2;
        painter_.drawText(QPointF(centre - metrics.horizontalAdvance(title) / 2, top + 34), title);
        // Which way is better, either side of no effect.
        const QString left = DrawnText(plot_.favoursLeft);
        const QString right = DrawnText(plot_.favoursRight);
        painter_.setPen(QColor(60, 60, 60));
        painter_.drawText(QPointF(X(0) - 6 - metrics.horizontalAdvance(left), top + 52), left);
        painter_.drawText(QPointF(X(0) + 6, top + 52), right);
    }

    const ForestPlot& plot_;
    const ForestLayout& layout_;
    QPainter& painter_;
    Axis axis_;
    double largestWeight_; // the heaviest study's, whose square is the largest
};

} // namespace

void Draw(const ForestPlot& plot, const ForestLayout& layout, QPainter& painter) {
    painter.fillRect(QRectF(0, 0, layout.width, layout.height), Qt::white);
    Painter(plot, layout, painter).All();
}

} // namespace tavrel::plots
