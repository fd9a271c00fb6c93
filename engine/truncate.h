#pragma once

#include <cstdint>

namespace tavrel::engine {

// Converts a double to a 32-bit signed integer by truncation toward zero (3.9 -> 3,
// -2.5 -> -2). Values beyond the 32-bit range saturate at its bounds; NaN gives 0.
std::int32_t TruncateToInt32(double value);

} // namespace tavrel::engine
