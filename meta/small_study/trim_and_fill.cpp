#include "meta/small_study/trim_and_fill.h"

#include "meta/model/model.h"
#include "meta/small_study/publication_bias.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

namespace tavrel::meta {

namespace {

// The side whose studies seem missing: the one Egger's slope (fitted by the pooled model's
// method) points away from.
Side MissingSide(std::span<const Study> studies, Method method, double level) {
    const std::size_t fewest = IsCommonEffect(method) ? 2 : 3;
    if (studies.size() < fewest) {
        throw TooFewStudies("it needs at least " + std::to_string(fewest) +
                            " studies, and there are " + std::to_string(studies.size()));
    }
    const Design x = AsymmetryDesign(studies, AsymmetryPredictor::StandardError);
    const std::array<std::string, 2> names = {"intercept", "sei"};
    const Model fit = FitModel(studies, x, names, {method, Test::Z, level}, ModelExtras::None);
    return fit.beta(1) < 0 ? Side::Right : Side::Left;
}

// The L0 estimate of the missing count, from the signed ranks of the studies' distances from
// `estimate` (ties ranked in order, as R's rank(ties.method = "first")).
std::size_t EstimateMissing(std::span<const Study> sorted, double estimate,
                            std::vector<std::size_t>& order) {
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::fabs(sorted[a].yi - estimate) < std::fabs(sorted[b].yi - estimate);
    });
    // A study that the estimate equals but for its rounding (every study the same g) lies on
    // neither side: counted by its last bit, the count would swing from round to round.
    double largest = std::fabs(estimate);
    for (const Study& study : sorted) {
        largest = std::max(largest, std::fabs(study.yi));
    }
    const double rounding =
        8 * static_cast<double>(sorted.size()) * std::numeric_limits<double>::epsilon() * largest;
    double positiveRanks = 0;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        if (sorted[order[rank]].yi - estimate > rounding) {
            positiveRanks += static_cast<double>(rank + 1);
        }
    }
    const auto k = static_cast<double>(sorted.size());
    const double l0 = (4 * positiveRanks - k * (k + 1)) / (2 * k - 1);
    // R's round() takes a half to the even neighbour, as nearbyint does by default.
    return static_cast<std::size_t>(std::max(0.0, std::nearbyint(l0)));
}

} // namespace

TrimAndFill FillMissingStudies(std::span<const Study> studies, const Model& pooled) {
    const auto& [method, test, level] = pooled.settings;
    const Side side = MissingSide(studies, method, level);
    // Worked on with the missing side on the left: for the right, the effects change sign.
    const double sign = side == Side::Right ? -1 : 1;
    std::vector<Study> sorted(studies.begin(), studies.end());
    for (Study& study : sorted) {
        study.yi *= sign;
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Study& a, const Study& b) { return a.yi < b.yi; });
    const std::size_t k = sorted.size();
    std::vector<std::size_t> order(k);
    std::size_t k0 = 0;
    double estimate = 0;
    for (int round = 0;; ++round) {
        if (round == kMostTrimRounds) {
            throw NotConverged("the count of missing studies did not settle in " +
                               std::to_string(kMostTrimRounds) + " rounds");
        }
        const std::size_t kept = k - k0;
        if (kept == 0) {
            throw NotConverged("every study would be trimmed");
        }
        // One study is its own estimate, under any method.
        estimate = kept == 1 ? sorted[0].yi
                             : FitModel(std::span(sorted).first(kept), {method, Test::Z, level},
                                        ModelExtras::None)
                                   .Pooled()
                                   .estimate;
        const std::size_t next = EstimateMissing(sorted, estimate, order);
        if (next == k0) {
            break;
        }
        k0 = next;
    }
    TrimAndFill result{k0, side, {}, pooled};
    if (k0 == 0) {
        return result;
    }
    std::vector<Study> all(studies.begin(), studies.end());
    for (std::size_t i = k - k0; i < k; ++i) {
        const Study mirrored{sign * (2 * estimate - sorted[i].yi), sorted[i].vi};
        result.filled.push_back(mirrored);
        all.push_back(mirrored);
    }
    result.model = FitModel(all, {method, Test::Z, level}, ModelExtras::None);
    return result;
}

} // namespace tavrel::meta
