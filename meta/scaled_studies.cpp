#include "meta/scaled_studies.h"

#include <algorithm>
#include <cmath>

namespace tavrel::meta {

Scaled ScaleToUnitVariance(std::span<const Study> studies) {
    double largest = 0;
    for (const Study& study : studies) {
        largest = std::max(largest, study.vi);
    }
    const int exponent = std::ilogb(largest) / 2;
    Scaled scaled{{}, exponent};
    if (exponent != 0) {
        const double y = std::ldexp(1.0, -exponent);
        const double v = std::ldexp(1.0, -2 * exponent);
        scaled.studies.reserve(studies.size());
        for (const Study& study : studies) {
            scaled.studies.push_back({study.yi * y, study.vi * v});
        }
    }
    return scaled;
}

} // namespace tavrel::meta
