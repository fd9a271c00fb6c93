// The plots' layouts, without drawing them: where rows, columns and blocks go, whatever the
// labels and numbers hold.
#include "plots/forest_layout.h"
#include "plots/funnel_drawing.h"
#include "plots/rendering.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <string>

namespace tavrel::plots {
namespace {

ForestRow Row(const std::string& label, double estimate, const std::string& text) {
    return {label, estimate, estimate - 0.2, estimate + 0.2, 10, text, "-0.20", "0.60"};
}

ForestPlot ThreeStudies() {
    ForestPlot plot;
    plot.studies = {Row("A", 0.2, "0.20"), Row("B", -0.0005, "-0.00050"), Row("C", 1.5, "1.50")};
    plot.pooled = Row("Random-effects model (REML)", 0.3, "0.30");
    plot.overallTest = "Test for overall effect: z = 2.10, p = .036";
    plot.heterogeneity = "τ² = 0.031, I² = 62.3%, Q(2) = 5.30, p = .071";
    plot.intervalHeading = "Hedges's g [95% CI]";
    return plot;
}

class LayoutTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { application_ = StartApplication().release(); }
    static void TearDownTestSuite() { delete application_; }
    static inline QGuiApplication* application_ = nullptr;
};

// Left to right: labels, the plot, the estimates lined up on their decimal points (the
// longest fraction, "-0.00050", sets where the bracket goes), the weights.
TEST_F(LayoutTest, ForestColumnsFollowEachOther) {
    const ForestLayout layout = LayOut(ThreeStudies());
    EXPECT_LT(layout.labelLeft + layout.labelWidth, layout.plotLeft);
    EXPECT_LT(layout.plotLeft + layout.plotWidth, layout.textLeft);
    EXPECT_LT(layout.estimatePoint, layout.openBracket);
    EXPECT_LT(layout.openBracket, layout.lowPoint);
    EXPECT_LT(layout.lowPoint, layout.comma);
    EXPECT_LT(layout.comma, layout.highPoint);
    EXPECT_LT(layout.highPoint, layout.weightRight);
    EXPECT_LE(layout.weightRight, layout.width);
    const QFontMetricsF bold(PlotFont(true));
    EXPECT_GE(layout.openBracket - layout.estimatePoint,
              bold.horizontalAdvance(QStringLiteral(".00050")));
    ASSERT_EQ(layout.rowTops.size(), 3u);
    EXPECT_LT(layout.rowTops[0], layout.rowTops[1]);
    EXPECT_LT(layout.rowTops[2], layout.pooledTop);
    EXPECT_LT(layout.pooledTop, layout.axisTop);
    EXPECT_LT(layout.axisTop, layout.footerTop);
    EXPECT_LT(layout.footerTop, layout.height);
}

// A label too long for the widest column is shortened in the middle; two that would then
// read the same are wrapped onto two lines instead, and their rows grow by a line.
TEST_F(LayoutTest, LongLabelsAreShortenedOrWrapped) {
    ForestPlot plot = ThreeStudies();
    // Shortened in the middle, these two would differ only in what was cut out.
    const std::string stem(200, 'x');
    plot.studies[0].label = "Trial " + stem + " arm 1 " + stem;
    plot.studies[1].label = "Trial " + stem + " arm 2 " + stem;
    plot.studies[2].label = "Smith 2020 " + std::string(200, 'y');
    const ForestLayout layout = LayOut(plot);
    EXPECT_EQ(layout.labelLines[0].size(), 2);
    EXPECT_EQ(layout.labelLines[1].size(), 2);
    EXPECT_EQ(layout.labelLines[2].size(), 1);
    EXPECT_TRUE(layout.labelLines[2][0].contains(QChar(0x2026))); // the ellipsis
    EXPECT_DOUBLE_EQ(layout.rowHeights[0], kRowHeight + kLineHeight);
    EXPECT_DOUBLE_EQ(layout.rowHeights[2], kRowHeight);
}

// Subgroups: each block's heading above its studies, its diamond below them, and a line more
// where the block has its heterogeneity under the diamond.
TEST_F(LayoutTest, SubgroupBlocksStackInOrder) {
    ForestPlot plot = ThreeStudies();
    plot.groups = {{"b", 0, 2, Row("b: RE model, k = 2", 0.1, "0.10"), "τ² = 0.000, I² = 0.0%"},
                   {"a", 2, 1, Row("a: RE model, k = 1", 1.5, "1.50"), ""}};
    const ForestLayout layout = LayOut(plot);
    ASSERT_EQ(layout.groupHeadingTops.size(), 2u);
    EXPECT_LT(layout.groupHeadingTops[0], layout.rowTops[0]);
    EXPECT_LT(layout.rowTops[1], layout.groupPooledTops[0]);
    const double withLine = layout.groupHeadingTops[1] - layout.groupPooledTops[0];
    EXPECT_DOUBLE_EQ(withLine, kRowHeight + kLineHeight + 6);
    EXPECT_DOUBLE_EQ(layout.rowTops[2] - layout.groupHeadingTops[1], kRowHeight);
    EXPECT_LT(layout.groupPooledTops[1], layout.pooledTop);
}

// Clusters: each heading above its rows, and no diamond of its own: the next heading follows a
// small gap, not a diamond's row.
TEST_F(LayoutTest, ClusterBlocksHaveNoDiamond) {
    ForestPlot plot = ThreeStudies();
    plot.groups = {{"P1", 0, 2, {}, {}, false}, {"P2", 2, 1, {}, {}, false}};
    const ForestLayout layout = LayOut(plot);
    ASSERT_EQ(layout.groupHeadingTops.size(), 2u);
    EXPECT_DOUBLE_EQ(layout.groupHeadingTops[1] - (layout.rowTops[1] + layout.rowHeights[1]), 6);
    EXPECT_DOUBLE_EQ(layout.rowTops[2] - layout.groupHeadingTops[1], kRowHeight);
}

// The funnel's axes hold every study and 0 at the top; a legend widens the picture.
TEST_F(LayoutTest, FunnelAxesHoldEveryStudy) {
    FunnelPlot plot;
    plot.studies = {{-1.7, 0.1}, {0.4, 0.45}, {2.3, 0.2}};
    plot.estimate = 0.3;
    plot.regionZ = 1.96;
    const FunnelLayout plain = LayOut(plot);
    EXPECT_LE(plain.across.low, -1.7);
    EXPECT_GE(plain.across.high, 2.3);
    EXPECT_EQ(plain.down.low, 0);
    EXPECT_GE(plain.down.high, 0.45);
    EXPECT_FALSE(plain.legend);
    plot.filled = {{-1.1, 0.45}};
    plot.regionLabel = "95% pseudo-confidence region";
    const FunnelLayout legend = LayOut(plot);
    EXPECT_TRUE(legend.legend);
    EXPECT_GT(legend.width, plain.width);
    EXPECT_GE(legend.legendLeft, legend.plotLeft + legend.plotWidth);
}

} // namespace
} // namespace tavrel::plots
