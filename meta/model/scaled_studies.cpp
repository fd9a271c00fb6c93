#include "meta/model/scaled_studies.h"

#include <algorithm>
#include <cmath>

namespace tavrel::meta {

Scaled ScaleToUnitVariance(std::span<const Study> studies) {
    double largest = 0;
    for (const Study& study : studies) {
        largest = std::max(largest, study.vi);
    }
    // Where the effects spread far more widely than the variances allow, tau^2 dwarfs every
    // variance and the weights run from 1 / v at tau^2 = 0 to 1 / tau^2: the scale is then the
    // geometric middle of the two, so that both ends and their cubes stay within a double.
    const double spread = SquaresAboutTheMean(studies) / static_cast<double>(studies.size());
    const double middle = spread > largest ? std::sqrt(largest) * std::sqrt(spread) : largest;
    const int exponent = std::ilogb(middle) / 2;
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

double SquaresAboutTheMean(std::span<const Study> studies) {
    double sum = 0;
    for (const Study& study : studies) {
        sum += study.yi;
    }
    const double mean = sum / static_cast<double>(studies.size());
    double squares = 0;
    for (const Study& study : studies) {
        squares += (study.yi - mean) * (study.yi - mean);
    }
    return squares;
}

} // namespace tavrel::meta
