#pragma once

#include "plots/forest_plot.h"
#include "plots/plot_text.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <vector>

namespace tavrel::plots {

// Where everything of a forest plot goes, in points from the top-left corner. Columns, left
// to right: labels, the plot, the estimates with their intervals, the weights. The label
// column widens to its longest label up to a limit; a label still too long is shortened in
// the middle, and where two shortened labels would read the same, both are wrapped onto two
// lines instead.
struct ForestLayout {
    double labelLeft;
    double labelWidth;
    double plotLeft;
    double plotWidth;
    // The text column: the decimal points of the estimates, the lows and the highs.
    double estimatePoint;
    double openBracket;
    double lowPoint;
    double comma;
    double highPoint;
    double textLeft;
    double weightRight;
    int width;
    int height;

    std::vector<QStringList> labelLines; // each study's label as drawn, one or two lines
    std::vector<double> rowTops;         // each study's row
    std::vector<double> rowHeights;
    std::vector<double> groupHeadingTops; // each subgroup's name, above its studies
    std::vector<double> groupPooledTops;  // and its diamond, below them, its heterogeneity under it
    double pooledTop;
    double testTop;       // the overall test, below the pooled row
    double predictionTop; // below that, for a random-effects model
    double axisTop;
    double footerTop; // the heterogeneity, and under it the test for subgroup differences
};

inline constexpr double kHeadingTop = 20;
inline constexpr double kRowHeight = 20;
inline constexpr double kLineHeight = 14; // the second line of a wrapped label

// Needs a QGuiApplication, for the fonts' metrics.
ForestLayout LayOut(const ForestPlot& plot);

} // namespace tavrel::plots
