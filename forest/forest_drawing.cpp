#include "forest/forest_drawing.h"

#include "forest/axis.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tavrel::forest {

namespace {

// Columns, left to right: labels, the plot, the estimates as text, the weights.
constexpr double kMargin = 20;
constexpr double kLabelWidth = 220;
constexpr double kPlotLeft = 255;
constexpr double kPlotWidth = 300;
constexpr double kTextLeft = 575;
constexpr double kWeightRight = 780;
constexpr int kWidth = 800;
constexpr double kRowHeight = 20;
constexpr double kHeadingTop = 20;
constexpr double kFirstRowTop = 48;
constexpr double kLargestSquare = 14;

double RowsBottom(const ForestPlot& plot) {
    return kFirstRowTop + static_cast<double>(plot.studies.size()) * kRowHeight;
}

QFont TextFont(bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setBold(bold);
    return font;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

class Painter {
  public:
    Painter(const ForestPlot& plot, QPainter& painter)
        : plot_(plot), painter_(painter), axis_(RoundAxis(Low(), High())) {}

    void All() {
        Headings();
        double top = kFirstRowTop;
        for (const ForestRow& row : plot_.studies) {
            Study(row, top);
            top += kRowHeight;
        }
        const double rule = RowsBottom(plot_) + 4;
        painter_.setPen(QPen(Qt::gray, 0.75));
        painter_.drawLine(QPointF(kMargin, rule), QPointF(kWeightRight, rule));
        Pooled(rule + 8);
        Prediction(rule + 8 + kRowHeight);
        const double axisTop = rule + 8 + 2 * kRowHeight + 6;
        ZeroLine(kFirstRowTop - 4, axisTop);
        Scale(axisTop);
        painter_.setFont(TextFont());
        painter_.setPen(Qt::black);
        painter_.drawText(QPointF(kMargin, axisTop + 58), Text(plot_.heterogeneity));
    }

  private:
    double Low() const {
        double low = std::min(plot_.pooled.low, plot_.predictionLow);
        for (const ForestRow& row : plot_.studies) {
            low = std::min(low, row.low);
        }
        return low;
    }
    double High() const {
        double high = std::max(plot_.pooled.high, plot_.predictionHigh);
        for (const ForestRow& row : plot_.studies) {
            high = std::max(high, row.high);
        }
        return high;
    }
    double X(double value) const {
        return kPlotLeft + (value - axis_.low) / (axis_.high - axis_.low) * kPlotWidth;
    }

    // Text in a row, its baseline a little below the row's middle.
    void Cell(const QString& text, double left, double top, Qt::Alignment align = Qt::AlignLeft,
              double width = 0) {
        const QFontMetricsF metrics(painter_.font());
        const double baseline = top + kRowHeight / 2 + metrics.capHeight() / 2;
        const double x = align == Qt::AlignRight ? left - metrics.horizontalAdvance(text) : left;
        painter_.drawText(QPointF(x, baseline),
                          width > 0 ? metrics.elidedText(text, Qt::ElideRight, width) : text);
    }

    void Headings() {
        painter_.setFont(TextFont(true));
        painter_.setPen(Qt::black);
        Cell(QStringLiteral("Study"), kMargin, kHeadingTop);
        Cell(Text(plot_.intervalHeading), kTextLeft, kHeadingTop);
        Cell(QStringLiteral("Weight"), kWeightRight, kHeadingTop, Qt::AlignRight);
    }

    void Study(const ForestRow& row, double top) {
        painter_.setFont(TextFont());
        painter_.setPen(Qt::black);
        Cell(Text(row.label), kMargin, top, Qt::AlignLeft, kLabelWidth);
        Cell(Text(row.text), kTextLeft, top);
        Cell(QString::number(row.weight, 'f', 1) + QLatin1Char('%'), kWeightRight, top,
             Qt::AlignRight);
        const double middle = top + kRowHeight / 2;
        painter_.setPen(QPen(Qt::black, 1));
        painter_.drawLine(QPointF(X(row.low), middle), QPointF(X(row.high), middle));
        // The square's area follows the study's weight.
        double largest = 0;
        for (const ForestRow& study : plot_.studies) {
            largest = std::max(largest, study.weight);
        }
        const double side = std::max(3.0, kLargestSquare * std::sqrt(row.weight / largest));
        painter_.fillRect(QRectF(X(row.estimate) - side / 2, middle - side / 2, side, side),
                          QColor(40, 40, 40));
    }

    void Pooled(double top) {
        painter_.setFont(TextFont(true));
        painter_.setPen(Qt::black);
        Cell(Text(plot_.pooled.label), kMargin, top, Qt::AlignLeft, kLabelWidth);
        Cell(Text(plot_.pooled.text), kTextLeft, top);
        Cell(QStringLiteral("100%"), kWeightRight, top, Qt::AlignRight);
        const double middle = top + kRowHeight / 2;
        QPainterPath diamond;
        diamond.moveTo(X(plot_.pooled.low), middle);
        diamond.lineTo(X(plot_.pooled.estimate), middle - 7);
        diamond.lineTo(X(plot_.pooled.high), middle);
        diamond.lineTo(X(plot_.pooled.estimate), middle + 7);
        diamond.closeSubpath();
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.fillPath(diamond, QColor(0, 0, 0));
    }

    void Prediction(double top) {
        painter_.setFont(TextFont());
        painter_.setPen(Qt::black);
        Cell(QStringLiteral("Prediction interval"), kMargin, top, Qt::AlignLeft, kLabelWidth);
        Cell(Text(plot_.predictionText), kTextLeft, top);
        const double middle = top + kRowHeight / 2;
        painter_.setPen(QPen(Qt::black, 1.5));
        painter_.drawLine(QPointF(X(plot_.predictionLow), middle),
                          QPointF(X(plot_.predictionHigh), middle));
        for (const double end : {plot_.predictionLow, plot_.predictionHigh}) {
            painter_.drawLine(QPointF(X(end), middle - 4), QPointF(X(end), middle + 4));
        }
    }

    void ZeroLine(double top, double bottom) {
        painter_.setPen(QPen(QColor(120, 120, 120), 0.75, Qt::DashLine));
        painter_.drawLine(QPointF(X(0), top), QPointF(X(0), bottom));
    }

    void Scale(double top) {
        painter_.setPen(QPen(Qt::black, 1));
        painter_.drawLine(QPointF(kPlotLeft, top), QPointF(kPlotLeft + kPlotWidth, top));
        painter_.setFont(TextFont());
        const QFontMetricsF metrics(painter_.font());
        for (const double tick : axis_.ticks) {
            painter_.drawLine(QPointF(X(tick), top), QPointF(X(tick), top + 4));
            const QString label = QString::number(tick, 'g', 6);
            painter_.drawText(QPointF(X(tick) - metrics.horizontalAdvance(label) / 2, top + 17),
                              label);
        }
        const QString title = Text(plot_.axisLabel);
        painter_.drawText(
            QPointF(kPlotLeft + kPlotWidth / 2 - metrics.horizontalAdvance(title) / 2, top + 34),
            title);
    }

    const ForestPlot& plot_;
    QPainter& painter_;
    Axis axis_;
};

} // namespace

PlotSize SizeOf(const ForestPlot& plot) {
    return {kWidth, static_cast<int>(RowsBottom(plot) + 4 + 8 + 2 * kRowHeight + 6 + 70)};
}

void Draw(const ForestPlot& plot, QPainter& painter) {
    painter.fillRect(QRectF(0, 0, kWidth, SizeOf(plot).height), Qt::white);
    Painter(plot, painter).All();
}

} // namespace tavrel::forest
