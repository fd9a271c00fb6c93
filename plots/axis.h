#pragma once

#include <vector>

namespace tavrel::plots {

// A horizontal axis over [low, high] that includes 0, with round ticks (1, 2, 2.5 or 5 times a
// power of ten) at both ends and between.
struct Axis {
    double low;
    double high;
    std::vector<double> ticks;
};
Axis RoundAxis(double low, double high);

} // namespace tavrel::plots
