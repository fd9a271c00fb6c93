#include "table/measure/measure_formulas.h"

#include "engine/bias_factor.h"

#include <cmath>
#include <numbers>

namespace tavrel::table {

namespace {

double Squared(double value) {
    return value * value;
}

double ChangeSd(const GroupSummary& pre, const GroupSummary& post, double r) {
    return std::sqrt(Squared(pre.sd) + Squared(post.sd) - 2 * r * pre.sd * post.sd);
}

} // namespace

meta::Study MeanDifference(const GroupSummary& control, const GroupSummary& experimental) {
    return {experimental.mean - control.mean,
            Squared(control.sd) / static_cast<double>(control.n) +
                Squared(experimental.sd) / static_cast<double>(experimental.n)};
}

meta::Study LogRatioOfMeans(const GroupSummary& control, const GroupSummary& experimental) {
    const auto part = [](const GroupSummary& group) {
        return Squared(group.sd) / (static_cast<double>(group.n) * Squared(group.mean));
    };
    return {std::log(experimental.mean / control.mean), part(control) + part(experimental)};
}

TwoByTwo Continuity(const TwoByTwo& table) {
    const bool zeroCell = table.experimentalEvents == 0 || table.experimentalNonEvents == 0 ||
                          table.controlEvents == 0 || table.controlNonEvents == 0;
    if (!zeroCell) {
        return table;
    }
    return {table.experimentalEvents + 0.5, table.experimentalNonEvents + 0.5,
            table.controlEvents + 0.5, table.controlNonEvents + 0.5};
}

meta::Study LogOddsRatio(const TwoByTwo& t) {
    return {std::log(t.experimentalEvents * t.controlNonEvents /
                     (t.experimentalNonEvents * t.controlEvents)),
            1 / t.experimentalEvents + 1 / t.experimentalNonEvents + 1 / t.controlEvents +
                1 / t.controlNonEvents};
}

meta::Study LogRiskRatio(const TwoByTwo& t) {
    const double n2 = t.experimentalEvents + t.experimentalNonEvents;
    const double n1 = t.controlEvents + t.controlNonEvents;
    return {std::log((t.experimentalEvents / n2) / (t.controlEvents / n1)),
            1 / t.experimentalEvents - 1 / n2 + 1 / t.controlEvents - 1 / n1};
}

meta::Study RiskDifference(const TwoByTwo& t) {
    const double n2 = t.experimentalEvents + t.experimentalNonEvents;
    const double n1 = t.controlEvents + t.controlNonEvents;
    const double p2 = t.experimentalEvents / n2;
    const double p1 = t.controlEvents / n1;
    return {p2 - p1, p2 * (1 - p2) / n2 + p1 * (1 - p1) / n1};
}

meta::Study LogOddsRatioAsD(const TwoByTwo& table) {
    const meta::Study logOdds = LogOddsRatio(table);
    constexpr double kPi = std::numbers::pi;
    return {logOdds.yi * std::numbers::sqrt3 / kPi, logOdds.vi * 3 / (kPi * kPi)};
}

meta::Study Correlation(double r, std::int64_t n) {
    return {r, Squared(1 - r * r) / static_cast<double>(n - 1)};
}

meta::Study FisherZ(double r, std::int64_t n) {
    return {std::atanh(r), 1 / static_cast<double>(n - 3)};
}

meta::Study MeanChange(const GroupSummary& pre, const GroupSummary& post, double r) {
    return {post.mean - pre.mean, Squared(ChangeSd(pre, post, r)) / static_cast<double>(post.n)};
}

meta::Study ChangeScoreStandardized(const GroupSummary& pre, const GroupSummary& post, double r) {
    const auto n = static_cast<double>(post.n);
    const double yi =
        engine::ExactBiasFactor(post.n - 1) * (post.mean - pre.mean) / ChangeSd(pre, post, r);
    return {yi, 1 / n + yi * yi / (2 * n)};
}

meta::Study RawScoreStandardized(const GroupSummary& pre, const GroupSummary& post, double r) {
    const auto n = static_cast<double>(post.n);
    const double yi = engine::ExactBiasFactor(post.n - 1) * (post.mean - pre.mean) / pre.sd;
    return {yi, 2 * (1 - r) / n + yi * yi / (2 * n)};
}

} // namespace tavrel::table
