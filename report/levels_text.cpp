#include "report/levels_text.h"

#include "report/summary_text.h"

#include <cmath>

namespace tavrel::report {

std::string LevelsHeterogeneity(const meta::Model& model, const std::string& q,
                                bool withIntervals) {
    const meta::LevelComponents& levels = *model.levels;
    const auto component = [&](const char* name, double value, double low, double high) {
        std::string text = std::string("\u03c3\u00b2 ") + name + " = " + Decimals(value, 3);
        if (withIntervals) {
            const auto bound = [](double b) {
                return std::isnan(b) ? std::string("not found") : Decimals(b, 3);
            };
            text += " [" + bound(low) + ", " + bound(high) + "]";
        }
        return text;
    };
    return component("between clusters", levels.sigma2Between, levels.sigma2BetweenCiLow,
                     levels.sigma2BetweenCiHigh) +
           ", " +
           component("within", levels.sigma2Within, levels.sigma2WithinCiLow,
                     levels.sigma2WithinCiHigh) +
           ", I\u00b2 = " + Decimals(model.i2, 1) + "% (" + Decimals(levels.i2Between, 1) +
           "% between, " + Decimals(levels.i2Within, 1) + "% within), " + q + "(" +
           Decimals(model.qeDf, 0) + ") = " + TwoDecimals(model.qe) + ", " + PValue(model.qeP);
}

std::string RobustText(const meta::Model& model, table::Measure measure) {
    if (!model.robust) {
        return {};
    }
    const meta::RobustInference& robust = *model.robust;
    std::string text =
        "  Cluster-robust (CR2), " + std::to_string(robust.clusters) + " clusters:\n";
    for (std::size_t i = 0; i < robust.coefficients.size(); ++i) {
        const meta::Coefficient& c = robust.coefficients[i];
        const std::string estimate = model.HasModerators()
                                         ? c.name + ": b = " + TwoDecimals(c.estimate) + " " +
                                               IntervalText(c.ciLow, c.ciHigh)
                                         : EstimateText(measure, c.estimate, c.ciLow, c.ciHigh);
        text += "    " + estimate + ", se = " + Decimals(c.se, 3) + ", t(" +
                TwoDecimals(robust.df[i]) + ") = " + TwoDecimals(c.statistic) + ", " + PValue(c.p) +
                "\n";
    }
    if (model.HasModerators()) {
        const std::string test = "F(" + Decimals(robust.qmDf, 0) + ", " +
                                 TwoDecimals(robust.qmDf2) + ") = " + TwoDecimals(robust.qm) +
                                 ", " + PValue(robust.qmP);
        text += "    Test of moderators (HTZ): " +
                (std::isnan(robust.qmP) ? std::string("not computed") : test) + "\n";
    }
    return text;
}

} // namespace tavrel::report
