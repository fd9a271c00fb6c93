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
    EXPECT_EQ(Decimals(-0.0, 2), "0.00");
    EXPECT_EQ(Decimals(0, 3), "0.000");
    // Two significant digits at least: a slope of -0.0005 a day is not "0.00".
    EXPECT_EQ(Decimals(-0.0005, 2), "-0.00050");
    EXPECT_EQ(Decimals(0.0549, 2), "0.055");
    EXPECT_EQ(Decimals(0.099, 2), "0.099");
    EXPECT_EQ(Decimals(0.09999, 2), "0.10");
    EXPECT_EQ(Decimals(0.1, 2), "0.10");
    EXPECT_EQ(Decimals(0.0049, 3), "0.0049");
    EXPECT_EQ(Decimals(-0.0000523, 2), "-5.2e-05");
    EXPECT_EQ(Decimals(4.9e-324, 2), "4.9e-324");
    EXPECT_EQ(IntervalText(-0.0012, 0.00031), "[-0.0012, 0.00031]");
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
    EXPECT_EQ(PValue(0.001), "p = .001");
    EXPECT_EQ(PValue(0.0096), "p = .010");
    EXPECT_EQ(PValue(std::nan("")), "p = NaN");
}

} // namespace
} // namespace tavrel::report
