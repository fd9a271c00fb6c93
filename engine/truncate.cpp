#include "engine/truncate.h"

#include <cmath>
#include <limits>

namespace tavrel::engine {

std::int32_t TruncateToInt32(double value) {
    using Limits = std::numeric_limits<std::int32_t>;
    if (std::isnan(value)) {
        return 0;
    }
    // Both bounds are exact doubles; checking before the cast keeps it defined.
    if (value >= static_cast<double>(Limits::max())) {
        return Limits::max();
    }
    if (value <= static_cast<double>(Limits::min())) {
        return Limits::min();
    }
    return static_cast<std::int32_t>(value);
}

} // namespace tavrel::engine
