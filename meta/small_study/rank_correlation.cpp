#include "meta/small_study/rank_correlation.h"

#include "meta/model/quiet_policy.h"

#include <algorithm>
#include <bit>
#include <boost/math/distributions/normal.hpp>
#include <boost/sort/spreadsort/integer_sort.hpp>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace tavrel::meta {

namespace {

// Sums over the runs of equal values of a sorted sequence, each run of length t: the pairs
// within them, t(t - 1)(2t + 5) and t(t - 1)(t - 2), for the variance of the statistic.
struct Ties {
    double pairs = 0; // sum of t(t - 1) / 2
    double v = 0;     // sum of t(t - 1)(2t + 5)
    double t2 = 0;    // sum of t(t - 1)
    double t3 = 0;    // sum of t(t - 1)(t - 2)

    template <class Equal> static Ties Of(std::size_t n, Equal equal) {
        Ties ties;
        for (std::size_t start = 0; start < n;) {
            std::size_t end = start + 1;
            while (end < n && equal(start, end)) {
                ++end;
            }
            const auto t = static_cast<double>(end - start);
            ties.pairs += t * (t - 1) / 2;
            ties.v += t * (t - 1) * (2 * t + 5);
            ties.t2 += t * (t - 1);
            ties.t3 += t * (t - 1) * (t - 2);
            start = end;
        }
        return ties;
    }
};

// Sorts `values` stably, counting the pairs out of order (strictly greater before smaller):
// a bottom-up merge sort whose runs pass between `values` and `buffer`, not copied back.
std::int64_t SortCountingInversions(std::vector<double>& values, std::vector<double>& buffer) {
    std::int64_t inversions = 0;
    const std::size_t n = values.size();
    buffer.resize(n);
    double* from = values.data();
    double* to = buffer.data();
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t low = 0; low < n; low += 2 * width) {
            const std::size_t middle = std::min(low + width, n);
            const std::size_t high = std::min(low + 2 * width, n);
            std::size_t left = low, right = middle, out = low;
            while (left < middle && right < high) {
                if (from[right] < from[left]) {
                    inversions += static_cast<std::int64_t>(middle - left);
                    to[out++] = from[right++];
                } else {
                    to[out++] = from[left++];
                }
            }
            std::copy(from + left, from + middle, to + out);
            std::copy(from + right, from + high, to + out + (middle - left));
        }
        std::swap(from, to);
    }
    if (from != values.data()) {
        values.swap(buffer);
    }
    return inversions;
}

// P(T <= q) for the number T of concordant pairs among n values in random order: the
// distribution of inversions of a random permutation, built one element at a time (each new
// element adds 0 to m - 1 inversions with equal chance).
double ExactLowerTail(std::int64_t q, std::size_t n) {
    std::vector<double> probability{1.0};
    for (std::size_t m = 2; m <= n; ++m) {
        std::vector<double> next(probability.size() + m - 1, 0.0);
        double window = 0;
        for (std::size_t k = 0; k < next.size(); ++k) {
            if (k < probability.size()) {
                window += probability[k];
            }
            if (k >= m && k - m < probability.size()) {
                window -= probability[k - m];
            }
            next[k] = window / static_cast<double>(m);
        }
        probability = std::move(next);
    }
    double sum = 0;
    for (std::int64_t k = 0; k <= q && k < static_cast<std::int64_t>(probability.size()); ++k) {
        sum += probability[static_cast<std::size_t>(k)];
    }
    return std::min(sum, 1.0);
}

// A point's x as the unsigned integer whose order is x's (the sign bit set for x >= 0, every
// bit flipped for x < 0), shifted right: spreadsort's bucket key.
struct ShiftedX {
    std::uint64_t operator()(const std::pair<double, double>& point, unsigned shift) const {
        const auto bits = std::bit_cast<std::uint64_t>(point.first);
        constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
        return ((bits & kSign) != 0 ? ~bits : bits | kSign) >> shift;
    }
};

// Kendall's tau of the points (x, y).
RankCorrelation KendallTauOf(std::vector<std::pair<double, double>> points) {
    const std::size_t n = points.size();
    for (auto& point : points) {
        point.first += 0.0; // -0 + 0 is 0: the buckets would tell apart what the order ties
    }
    // Sorted by x, ties by y: the points themselves, not indices, so that the sort reads
    // memory in order; by x's bits into buckets first (spreadsort), which on a million points
    // takes a third of the time of comparisons alone.
    boost::sort::spreadsort::integer_sort(points.begin(), points.end(), ShiftedX(),
                                          std::less<std::pair<double, double>>());
    const Ties xTies = Ties::Of(
        n, [&](std::size_t a, std::size_t b) { return points[a].first == points[b].first; });
    const Ties jointTies =
        Ties::Of(n, [&](std::size_t a, std::size_t b) { return points[a] == points[b]; });
    std::vector<double> ys(n);
    std::transform(points.begin(), points.end(), ys.begin(),
                   [](const auto& pair) { return pair.second; });
    points = {};
    std::vector<double> buffer;
    const std::int64_t discordant = SortCountingInversions(ys, buffer);
    const Ties yTies = Ties::Of(n, [&](std::size_t a, std::size_t b) { return ys[a] == ys[b]; });

    const double nd = static_cast<double>(n);
    const double pairs = nd * (nd - 1) / 2;
    // Concordant less discordant pairs, those tied in either variable counting in neither.
    const double s =
        pairs - xTies.pairs - yTies.pairs + jointTies.pairs - 2 * static_cast<double>(discordant);
    const double denominator = std::sqrt((pairs - xTies.pairs) * (pairs - yTies.pairs));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (!(denominator > 0)) {
        return {nan, nan, false};
    }
    RankCorrelation result{s / denominator, nan, false};
    const bool tied = xTies.pairs > 0 || yTies.pairs > 0;
    if (n < kFewestForNormalRankTest && !tied) {
        const auto total = static_cast<std::int64_t>(pairs);
        const auto concordant = (total + static_cast<std::int64_t>(s)) / 2;
        // The distribution is symmetric: the upper tail is the lower one seen from the end.
        const double tail = 2 * concordant > total ? ExactLowerTail(total - concordant, n)
                                                   : ExactLowerTail(concordant, n);
        result.p = std::min(2 * tail, 1.0);
        result.exact = true;
        return result;
    }
    double variance = (nd * (nd - 1) * (2 * nd + 5) - xTies.v - yTies.v) / 18 +
                      xTies.t2 * yTies.t2 / (2 * nd * (nd - 1));
    if (n > 2) {
        variance += xTies.t3 * yTies.t3 / (9 * nd * (nd - 1) * (nd - 2));
    }
    const boost::math::normal_distribution<double, QuietPolicy> normal;
    result.p = 2 * boost::math::cdf(normal, -std::fabs(s / std::sqrt(variance)));
    return result;
}

} // namespace

RankCorrelation KendallTau(std::span<const double> x, std::span<const double> y) {
    std::vector<std::pair<double, double>> points;
    points.reserve(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        points.emplace_back(x[i], y[i]);
    }
    return KendallTauOf(std::move(points));
}

RankCorrelation RankTest(std::span<const Study> studies) {
    double weightSum = 0;
    double weighted = 0;
    for (const Study& study : studies) {
        weightSum += 1 / study.vi;
        weighted += study.yi / study.vi;
    }
    const double estimate = weighted / weightSum;
    const double estimateVariance = 1 / weightSum;
    std::vector<std::pair<double, double>> points; // (standardized effect, variance)
    points.reserve(studies.size());
    for (const Study& study : studies) {
        points.emplace_back((study.yi - estimate) / std::sqrt(study.vi - estimateVariance),
                            study.vi);
    }
    return KendallTauOf(std::move(points));
}

} // namespace tavrel::meta
