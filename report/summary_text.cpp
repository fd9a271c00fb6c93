#include "report/summary_text.h"

#include "analysis/analysis.h"
#include "report/levels_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

namespace tavrel::report {

namespace {

// The degrees of freedom of Knapp and Hartung's t: k - p.
std::string Df(const meta::Model& model) {
    return std::to_string(model.k - model.coefficients.size());
}

} // namespace

std::string Decimals(double value, int decimals) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Inf" : "-Inf";
    }
    // Fixed notation below a million holds at most 7 digits before the point; scientific
    // notation at most 3 in its exponent: the buffer always holds the whole text.
    char text[48];
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e6) {
        std::snprintf(text, sizeof text, "%.*e", decimals, value);
        return text;
    }
    // Small values keep two significant digits (a slope of -0.0005 a day is no 0.00), in
    // scientific notation once fixed notation would need more than five decimals.
    if (magnitude > 0 && magnitude < 1e-4) {
        std::snprintf(text, sizeof text, "%.1e", value);
        return text;
    }
    if (magnitude > 0 && magnitude < 1) {
        // The leading digit's place once rounded to two digits: 0.0999 is 0.10, not 0.100.
        std::snprintf(text, sizeof text, "%.1e", magnitude);
        decimals = std::max(decimals, 1 - std::atoi(std::strchr(text, 'e') + 1));
    }
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    const std::string fixed = text;
    // No "-0.00": a value that rounds to zero is zero.
    return fixed.find_first_not_of("-0.") == std::string::npos && fixed[0] == '-' ? fixed.substr(1)
                                                                                  : fixed;
}

std::string TwoDecimals(double value) {
    return Decimals(value, 2);
}

std::string PValue(double p) {
    if (std::isnan(p)) {
        return "p = NaN";
    }
    if (p < 0.001) {
        return "p < .001";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", p); // APA's three decimals: p is at least .001
    return "p = " + std::string(text[0] == '0' ? text + 1 : text);
}

std::string IntervalText(double low, double high) {
    return "[" + TwoDecimals(low) + ", " + TwoDecimals(high) + "]";
}

std::string Percent(double level) {
    // The shortest fixed text that reads back as the level, with its point moved two places.
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, level, std::chars_format::fixed).ptr;
    const std::string written(text, end);
    const std::size_t point = written.find('.');
    std::string whole = written.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : written.substr(point + 1);
    fraction.resize(std::max<std::size_t>(fraction.size(), 2), '0');
    whole += fraction.substr(0, 2);
    fraction.erase(0, 2);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    return fraction.empty() ? whole : whole + "." + fraction;
}

std::string ModelName(const meta::Model& pooled) {
    if (pooled.levels) {
        return "Three-level model (" + std::string(meta::Name(pooled.settings.method)) + ")";
    }
    return ModelName(pooled.settings.method);
}

std::string ModelName(meta::Method method) {
    switch (method) {
    case meta::Method::FE:
        return "Fixed-effect model";
    case meta::Method::EE:
        return "Equal-effects model";
    case meta::Method::CE:
        return "Common-effect model";
    case meta::Method::DL:
        return "Random-effects model (DerSimonian-Laird)";
    case meta::Method::ML:
        return "Random-effects model (ML)";
    case meta::Method::PM:
        return "Random-effects model (Paule-Mandel)";
    case meta::Method::SJ:
        return "Random-effects model (Sidik-Jonkman)";
    case meta::Method::HE:
        return "Random-effects model (Hedges)";
    case meta::Method::HS:
        return "Random-effects model (Hunter-Schmidt)";
    case meta::Method::EB:
        return "Random-effects model (empirical Bayes)";
    case meta::Method::REML:
        break;
    }
    return "Random-effects model (REML)";
}

std::string OverallTest(const meta::Model& pooled) {
    const std::string statistic =
        pooled.settings.test == meta::Test::Z ? "z = " : "t(" + Df(pooled) + ") = ";
    return statistic + TwoDecimals(pooled.Pooled().statistic) + ", " + PValue(pooled.Pooled().p);
}

namespace {

// tau^2 and I^2, with a random-effects model their Q-profile intervals (a bound beyond the
// search is "not found"), and the Q test named `q`.
template <class Model>
std::string Heterogeneity(const Model& model, const std::string& q, double df, double qValue,
                          double qP, bool withIntervals = true) {
    const bool intervals = withIntervals && !meta::IsCommonEffect(model.settings.method);
    const auto bound = [](double value, int decimals, const char* unit) {
        return std::isnan(value) ? std::string("not found") : Decimals(value, decimals) + unit;
    };
    const auto interval = [&](double low, double high, int decimals, const char* unit) {
        return intervals
                   ? " [" + bound(low, decimals, unit) + ", " + bound(high, decimals, unit) + "]"
                   : std::string();
    };
    return "\u03c4\u00b2 = " + Decimals(model.tau2, 3) +
           interval(model.tau2CiLow, model.tau2CiHigh, 3, "") +
           ", I\u00b2 = " + Decimals(model.i2, 1) + "%" +
           interval(model.i2CiLow, model.i2CiHigh, 1, "%") + ", " + q + "(" + Decimals(df, 0) +
           ") = " + TwoDecimals(qValue) + ", " + PValue(qP);
}

} // namespace

std::string HeterogeneityLine(const meta::Model& pooled, bool withIntervals) {
    if (pooled.levels) {
        return LevelsHeterogeneity(pooled, "Q", withIntervals);
    }
    return Heterogeneity(pooled, "Q", pooled.qeDf, pooled.qe, pooled.qeP, withIntervals);
}

std::string ModeratorTest(const meta::Model& model) {
    if (std::isnan(model.qm)) {
        return "not computed: the moderators fit the studies exactly, which leaves Knapp and "
               "Hartung's test no variance";
    }
    if (model.settings.test == meta::Test::KnappHartung) {
        return "F(" + Decimals(model.qmDf, 0) + ", " + Decimals(model.qmDf2, 0) +
               ") = " + TwoDecimals(model.qm) + ", " + PValue(model.qmP);
    }
    return "QM(" + Decimals(model.qmDf, 0) + ") = " + TwoDecimals(model.qm) + ", " +
           PValue(model.qmP);
}

std::string RegressionText(const table::PooledRows& rows, const meta::Model& model,
                           std::span<const std::string> notes) {
    std::string text = "tavrel-batch: meta-regression on " + std::to_string(model.k) + " of " +
                       std::to_string(model.k + rows.LeftOut()) + " rows";
    if (rows.LeftOut() > 0) {
        text += "; left out: " + analysis::LeftOutText(rows);
    }
    text += "\n";
    for (const std::string& note : notes) {
        text += "  " + note + "\n";
    }
    const std::string method = model.settings.test == meta::Test::Z ? "" : ", Knapp-Hartung";
    text +=
        ModelName(model) + " with moderators" + method + ", k = " + std::to_string(model.k) + "\n";
    const std::string statistic =
        model.settings.test == meta::Test::Z ? "z = " : "t(" + Decimals(model.qeDf, 0) + ") = ";
    for (const meta::Coefficient& c : model.coefficients) {
        text += "  " + c.name + ": b = " + TwoDecimals(c.estimate) + " " +
                IntervalText(c.ciLow, c.ciHigh) + ", " + statistic + TwoDecimals(c.statistic) +
                ", " + PValue(c.p) + "\n";
    }
    text += "  Test of moderators: " + ModeratorTest(model) + "\n";
    text += "  Residual heterogeneity: " +
            (model.levels ? LevelsHeterogeneity(model, "QE", true)
                          : Heterogeneity(model, "QE", model.qeDf, model.qe, model.qeP)) +
            "\n";
    text += RobustText(model, rows.EffectMeasure());
    return model.levels ? text : text + "  R\u00b2 = " + Decimals(model.r2, 1) + "%\n";
}

std::string EstimateText(table::Measure measure, double estimate, double low, double high) {
    const table::MeasureInfo& info = table::Info(measure);
    std::string text =
        std::string(info.symbol) + " = " + TwoDecimals(estimate) + " " + IntervalText(low, high);
    if (info.transform != table::Transform::None) {
        const auto shown = [&](double value) { return table::Shown(info.transform, value); };
        text += " (" + std::string(info.shownName) + " " + TwoDecimals(shown(estimate)) + " " +
                IntervalText(shown(low), shown(high)) + ")";
    }
    return text;
}

std::string SummaryText(const meta::Model& pooled, table::Measure measure) {
    const std::string method = pooled.settings.test == meta::Test::Z ? "" : ", Knapp-Hartung";
    const meta::Coefficient& estimate = pooled.Pooled();
    const std::string clusters =
        pooled.levels ? " in " + std::to_string(pooled.levels->clusters) + " clusters" : "";
    std::string text = ModelName(pooled) + method + ", k = " + std::to_string(pooled.k) + clusters +
                       "\n  " +
                       EstimateText(measure, estimate.estimate, estimate.ciLow, estimate.ciHigh) +
                       ", " + OverallTest(pooled) + "\n";
    if (!meta::IsCommonEffect(pooled.settings.method)) {
        text += "  " + Percent(pooled.settings.level) + "% prediction interval " +
                IntervalText(pooled.piLow, pooled.piHigh);
        if (const table::MeasureInfo& info = table::Info(measure);
            info.transform != table::Transform::None) {
            text += " (" + std::string(info.shownName) + " " +
                    IntervalText(table::Shown(info.transform, pooled.piLow),
                                 table::Shown(info.transform, pooled.piHigh)) +
                    ")";
        }
        text += "\n";
    }
    return text + "  " + HeterogeneityLine(pooled) + "\n" + RobustText(pooled, measure);
}

std::string PooledText(const table::PooledRows& rows, const meta::Model& pooled) {
    std::string text = "tavrel-batch: pooled " + std::to_string(pooled.k) + " of " +
                       std::to_string(pooled.k + rows.LeftOut()) + " rows";
    if (rows.LeftOut() > 0) {
        text += "; left out: " + analysis::LeftOutText(rows);
    }
    return text + "\n" + SummaryText(pooled, rows.EffectMeasure());
}

std::string SubgroupTestText(const meta::SubgroupTest& differences) {
    if (!differences.note.empty()) {
        return "Test for subgroup differences: " + differences.note;
    }
    return "Test for subgroup differences: Q(" + Decimals(differences.df, 0) +
           ") = " + TwoDecimals(differences.q) + ", " + PValue(differences.p);
}

std::string SubgroupText(std::span<const meta::Subgroup> subgroups,
                         const meta::SubgroupTest& differences, const meta::Model* moderatorTest,
                         table::Measure measure) {
    std::string text = "Subgroups:\n";
    for (const meta::Subgroup& subgroup : subgroups) {
        const meta::Model& pooled = subgroup.model;
        text += "  " + subgroup.name + " (k = " + std::to_string(pooled.k) + "): " +
                EstimateText(measure, pooled.Pooled().estimate, pooled.Pooled().ciLow,
                             pooled.Pooled().ciHigh) +
                (subgroup.note.empty() ? ", " + HeterogeneityLine(pooled) : "; " + subgroup.note) +
                "\n";
    }
    text += "  " + SubgroupTestText(differences) + "\n";
    if (moderatorTest != nullptr) {
        text += "  Test of the groups as a moderator (common \u03c4\u00b2): " +
                ModeratorTest(*moderatorTest) + "\n";
    }
    return text;
}

} // namespace tavrel::report
