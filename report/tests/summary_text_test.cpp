// Numbers as the summary and the plot write them: never cut, never "-0.00" or "inf".
#include "report/summary_text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tavrel::report {
namespace {

TEST(SummaryText, NumbersAreNeverCut) {
    EXPECT_EQ(Decimals(1.87e70, 2), "1.87e+70");
    EXPECT_EQ(Decimals(-123456.789, 2), "-123456.79");
    EXPECT_EQ(Decimals(1e6, 3), "1.000e+06");
    EXPECT_EQ(Decimals(-0.001, 2), "0.00");
    EXPECT_EQ(Decimals(-0.0049, 3), "-0.005");
    EXPECT_EQ(Decimals(std::numeric_limits<double>::infinity(), 2), "Inf");
    EXPECT_EQ(Decimals(-std::numeric_limits<double>::infinity(), 2), "-Inf");
    EXPECT_EQ(Decimals(std::nan(""), 2), "NaN");
    EXPECT_EQ(IntervalText(-1e300, 0.5), "[-1.00e+300, 0.50]");
}

TEST(SummaryText, LevelsKeepEveryDigit) {
    EXPECT_EQ(Percent(0.95), "95");
    EXPECT_EQ(Percent(0.9), "90");
    EXPECT_EQ(Percent(0.999), "99.9");
    EXPECT_EQ(Percent(0.9999999), "99.99999");
    EXPECT_EQ(Percent(0.005), "0.5");
}

TEST(SummaryText, PValuesAsPapersWriteThem) {
    EXPECT_EQ(PValue(0.0004), "p < .001");
    EXPECT_EQ(PValue(0.0345), "p = .035");
    EXPECT_EQ(PValue(1), "p = 1.000");
    EXPECT_EQ(PValue(std::nan("")), "p = NaN");
}

} // namespace
} // namespace tavrel::report
