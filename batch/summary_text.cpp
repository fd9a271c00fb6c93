#include "batch/summary_text.h"

#include <cmath>
#include <cstdio>

namespace tavrel::batch {

namespace {

std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Statistic(const meta::Pooled& pooled) {
    if (pooled.test == meta::Test::Z) {
        return "z = " + TwoDecimals(pooled.statistic);
    }
    return "t(" + Printed("%.0f", pooled.qDf) + ") = " + TwoDecimals(pooled.statistic);
}

} // namespace

std::string TwoDecimals(double value) {
    // No "-0.00": a value that rounds to zero is zero.
    return Printed("%.2f", std::fabs(value) < 0.005 ? 0.0 : value);
}

std::string PValue(double p) {
    if (std::isnan(p)) {
        return "p = NaN";
    }
    if (p < 0.001) {
        return "p < .001";
    }
    const std::string text = Printed("%.3f", p);
    return "p = " + (text.starts_with("0") ? text.substr(1) : text);
}

std::string Interval(double low, double high) {
    return "[" + TwoDecimals(low) + ", " + TwoDecimals(high) + "]";
}

std::string ModelName(const meta::Pooled& pooled) {
    switch (pooled.method) {
    case meta::Method::FE:
        return "Fixed-effect model";
    case meta::Method::DL:
        return "Random-effects model (DerSimonian-Laird)";
    case meta::Method::REML:
        break;
    }
    return "Random-effects model (REML)";
}

std::string HeterogeneityLine(const meta::Pooled& pooled) {
    return "\u03c4\u00b2 = " + Printed("%.3f", pooled.tau2) +
           ", I\u00b2 = " + Printed("%.1f", pooled.i2) + "%, Q(" + Printed("%.0f", pooled.qDf) +
           ") = " + TwoDecimals(pooled.q) + ", " + PValue(pooled.qP);
}

std::string SummaryText(const meta::Pooled& pooled) {
    const std::string method = pooled.test == meta::Test::Z ? "" : ", Knapp-Hartung";
    return ModelName(pooled) + method + ", k = " + std::to_string(pooled.k) +
           "\n  g = " + TwoDecimals(pooled.estimate) + " " + Interval(pooled.ciLow, pooled.ciHigh) +
           ", " + Statistic(pooled) + ", " + PValue(pooled.p) + "\n  " +
           Printed("%g", 100 * pooled.level) + "% prediction interval " +
           Interval(pooled.piLow, pooled.piHigh) + "\n  " + HeterogeneityLine(pooled) + "\n";
}

} // namespace tavrel::batch
