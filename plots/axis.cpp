#include "plots/axis.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavrel::plots {

Axis RoundAxis(double low, double high) {
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (!(high > low)) {
        high = low + 1;
    }
    // About five intervals, each a round step.
    const double raw = (high - low) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
        if (factor * power >= raw) {
            step = factor * power;
            break;
        }
    }
    Axis axis{std::floor(low / step) * step, std::ceil(high / step) * step, {}};
    const auto count = static_cast<int>(std::lround((axis.high - axis.low) / step));
    for (int i = 0; i <= count; ++i) {
        const double tick = axis.low + i * step;
        axis.ticks.push_back(std::fabs(tick) < step / 1e6 ? 0.0 : tick);
    }
    return axis;
}

namespace {

// Ticks at log(ratio) for ratios from each decade's `steps` that fall within [low, high].
std::vector<double> RatioTicks(double low, double high, const std::vector<double>& steps) {
    std::vector<double> ticks;
    const int first = static_cast<int>(std::floor(low / std::log(10.0))) - 1;
    const int last = static_cast<int>(std::ceil(high / std::log(10.0))) + 1;
    for (int decade = first; decade <= last; ++decade) {
        for (const double step : steps) {
            const double tick = std::log(step) + decade * std::log(10.0);
            if (tick >= low - 1e-12 && tick <= high + 1e-12) {
                ticks.push_back(decade == 0 && step == 1 ? 0.0 : tick);
            }
        }
    }
    return ticks;
}

Axis RatioAxis(double low, double high) {
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (!std::isfinite(low) || !std::isfinite(high)) {
        return RoundAxis(low, high);
    }
    if (!(high > low)) {
        high = low + std::log(2.0);
    }
    // The axis ends at the round ratios just outside the data: 1, 2 and 5 times powers of
    // ten where that gives three to eight ticks, powers of ten where it gives more, and a finer
    // series where it gives fewer.
    const auto spanning = [&](const std::vector<double>& steps) {
        const double margin = std::log(10.0);
        std::vector<double> all = RatioTicks(low - margin, high + margin, steps);
        const auto first = std::upper_bound(all.begin(), all.end(), low + 1e-12) - 1;
        const auto last = std::lower_bound(all.begin(), all.end(), high - 1e-12);
        return std::vector<double>(first, last + 1);
    };
    std::vector<double> ticks = spanning({1, 2, 5});
    if (ticks.size() > 8) {
        ticks = spanning({1});
        if (ticks.size() > 8) { // every other decade, or every third, keeping 1
            const auto one = static_cast<std::size_t>(std::find(ticks.begin(), ticks.end(), 0.0) -
                                                      ticks.begin());
            const std::size_t every = (ticks.size() + 7) / 8;
            std::vector<double> kept;
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                if ((i + every - one % every) % every == 0 || i + 1 == ticks.size() || i == 0) {
                    kept.push_back(ticks[i]);
                }
            }
            ticks = kept;
        }
    } else if (ticks.size() < 3) {
        ticks = spanning({1, 1.25, 1.5, 2, 2.5, 3, 4, 5, 6, 8});
    }
    return {ticks.front(), ticks.back(), ticks};
}

Axis CorrelationAxis(double low, double high) {
    // Round steps of r, each tick at its z; an end at r = -1 or 1 (an infinite z) is left out
    // and the axis ends at the data.
    const Axis round = RoundAxis(std::tanh(low), std::tanh(high));
    Axis axis{std::min(low, 0.0), std::max(high, 0.0), {}};
    for (const double r : round.ticks) {
        if (std::fabs(r) < 1) {
            const double z = std::atanh(r);
            axis.ticks.push_back(z);
            axis.low = std::min(axis.low, z);
            axis.high = std::max(axis.high, z);
        }
    }
    if (!(axis.high > axis.low)) {
        axis.high = axis.low + 1;
    }
    return axis;
}

} // namespace

Axis ScaledAxis(AxisScale scale, double low, double high) {
    switch (scale) {
    case AxisScale::Ratio:
        return RatioAxis(low, high);
    case AxisScale::Correlation:
        return CorrelationAxis(low, high);
    case AxisScale::Linear:
        break;
    }
    return RoundAxis(low, high);
}

double ShownTick(AxisScale scale, double tick) {
    switch (scale) {
    case AxisScale::Ratio:
        return std::exp(tick);
    case AxisScale::Correlation:
        return std::tanh(tick);
    case AxisScale::Linear:
        break;
    }
    return tick;
}

} // namespace tavrel::plots
