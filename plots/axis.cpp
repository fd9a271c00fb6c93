#include "plots/axis.h"

#include <algorithm>
#include <cmath>

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

} // namespace tavrel::plots
