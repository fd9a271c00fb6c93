#include "table/row/source_range.h"

#include "meta/study/conversions.h"
#include "table/row/source_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tavrel::table {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The smallest and largest of f over the corners of a box: enough for every function here,
// each monotone in every argument but for a sign the box may straddle, where the corners still
// hold its extremes.
template <std::size_t N, class F> Range OverCorners(const std::array<Range, N>& box, F f) {
    Range range{kInfinity, -kInfinity};
    for (unsigned corner = 0; corner < (1U << N); ++corner) {
        std::array<double, N> at{};
        for (std::size_t i = 0; i < N; ++i) {
            at[i] = corner & (1U << i) ? box[i].high : box[i].low;
        }
        const double value = f(at);
        if (!std::isnan(value)) {
            range = {std::min(range.low, value), std::max(range.high, value)};
        }
    }
    return range;
}

std::optional<WrittenNumber> Written(const RowFields& row, Column column) {
    return ReadWrittenNumber(row.Text(column));
}

// A group's SD as the means source read it, over the rounding of what it was read from.
Range SdRange(const RowFields& row, const Group& group, double sd, double n) {
    if (const auto written = Written(row, group.sd)) {
        return {std::max(0.0, written->Low()), written->High()};
    }
    if (const auto error = Written(row, group.se)) {
        return {std::max(0.0, error->Low()) * std::sqrt(n), error->High() * std::sqrt(n)};
    }
    const auto a = Written(row, group.low);
    const auto b = Written(row, group.high);
    const double width = a && b ? b->value - a->value : 0;
    if (!(width > 0)) {
        return {sd, sd};
    }
    // The SD is the interval's width times a factor of the size and level alone.
    const double factor = sd / width;
    return {std::max(0.0, b->Low() - a->High()) * factor, (b->High() - a->Low()) * factor};
}

} // namespace

// Whether two ranges share a value, give or take the last digits of a double.
bool Overlap(Range a, Range b) {
    const double scale =
        std::max({std::fabs(a.low), std::fabs(a.high), std::fabs(b.low), std::fabs(b.high)});
    const double slack = std::isfinite(scale) ? 1e-9 * scale : 0;
    return a.low <= b.high + slack && b.low <= a.high + slack;
}

// The two-sample t that the row's source allows, over the rounding of its own numbers, with
// the sizes it was computed with; nothing for an es row, which has no sizes.
std::optional<Range> SourceT(const RowFields& row, const StudyRow& study) {
    const double n1 = study.stats.N1;
    const double n2 = study.stats.N2;
    const double scale = std::sqrt(1 / n1 + 1 / n2);
    const auto written = [&](Column column) { return Written(row, column); };
    const auto signOf = [&]() { return ReadSign(row.Text(Column::Sign)).value_or(0); };
    // |t| over a range of magnitudes, signed by the row's direction (both ways where it has
    // none: an F of 0 or a p of 1 needs none).
    const auto signedMagnitude = [&](Range magnitude) {
        const int sign = signOf();
        return sign > 0   ? magnitude
               : sign < 0 ? Range{-magnitude.high, -magnitude.low}
                          : Range{-magnitude.high, magnitude.high};
    };
    const double df = n1 + n2 - 2;
    switch (study.source) {
    case EffectSource::Means: {
        const auto m1 = written(Column::M1);
        const auto m2 = written(Column::M2);
        if (!m1 || !m2) {
            return std::nullopt;
        }
        const std::array<Range, 4> box = {Of(*m1), Of(*m2),
                                          SdRange(row, kControl, study.stats.SD1, n1),
                                          SdRange(row, kExperimental, study.stats.SD2, n2)};
        return OverCorners(box, [&](const std::array<double, 4>& x) {
            const double pooled = std::sqrt(((n1 - 1) * x[2] * x[2] + (n2 - 1) * x[3] * x[3]) / df);
            return (x[1] - x[0]) / (pooled * scale);
        });
    }
    case EffectSource::T:
        return Of(*written(Column::T));
    case EffectSource::F: {
        const auto f = written(Column::F);
        return signedMagnitude({std::sqrt(std::max(0.0, f->Low())), std::sqrt(f->High())});
    }
    case EffectSource::P: {
        const auto p = written(Column::P);
        const double smallest =
            p->Low() > 0 ? meta::AbsoluteTFromP(std::min(1.0, p->High()), df) : 0;
        return signedMagnitude(
            {smallest, p->Low() > 0 ? meta::AbsoluteTFromP(p->Low(), df) : kInfinity});
    }
    case EffectSource::D: {
        const auto d = written(Column::D);
        return Range{d->Low() / scale, d->High() / scale};
    }
    case EffectSource::G: {
        const auto g = written(Column::G);
        const double j = study.values.BiasFactor;
        return Range{g->Low() / j / scale, g->High() / j / scale};
    }
    case EffectSource::Es:
    case EffectSource::Counts: // no sizes of the t-test, and no t of their own
        break;
    }
    return std::nullopt;
}

} // namespace tavrel::table
