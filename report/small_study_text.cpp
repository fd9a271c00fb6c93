#include "report/small_study_text.h"

#include "report/summary_text.h"

#include <cmath>
#include <cstdio>

namespace tavrel::report {

namespace {

std::string AsymmetryLine(const char* name, const meta::AsymmetryTest& test) {
    const std::string statistic =
        std::isnan(test.df) ? "z = " : "t(" + Decimals(test.df, 0) + ") = ";
    return std::string("  ") + name + ": " + statistic + TwoDecimals(test.statistic) + ", " +
           PValue(test.p) + "; limit estimate " + TwoDecimals(test.limit) + " " +
           IntervalText(test.limitCiLow, test.limitCiHigh) + "\n";
}

} // namespace

std::string SmallStudyText(const meta::SmallStudyEffects& effects, table::Measure measure) {
    std::string text = "Small-study effects:\n";
    if (effects.egger) {
        text += AsymmetryLine("Egger's test", *effects.egger);
    }
    if (effects.peese) {
        text += AsymmetryLine("PEESE", *effects.peese);
    }
    if (effects.rank) {
        text += "  Begg's test: Kendall's \u03c4 = " + TwoDecimals(effects.rank->tau) + ", " +
                PValue(effects.rank->p) + "\n";
    }
    if (effects.trimFill) {
        const meta::TrimAndFill& fill = *effects.trimFill;
        const meta::Model& model = fill.model;
        const char* side = fill.side == meta::Side::Left ? "left" : "right";
        text += "  Trim-and-fill: " + std::to_string(fill.k0) +
                (fill.k0 == 1 ? " study" : " studies") + " filled on the " + side + "; " +
                EstimateText(measure, model.Pooled().estimate, model.Pooled().ciLow,
                             model.Pooled().ciHigh) +
                ", " + OverallTest(model) + ", \u03c4\u00b2 = " + Decimals(model.tau2, 3) + "\n";
    }
    // A count, every digit of it however large.
    char count[400];
    std::snprintf(count, sizeof count, "%.0f", effects.failSafeN);
    text += std::string("  Fail-safe N (Rosenthal): ") + count + "\n";
    for (const std::string& note : effects.notes) {
        text += "  " + note + "\n";
    }
    return text;
}

} // namespace tavrel::report
