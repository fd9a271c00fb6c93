#pragma once

#include "meta/model/model_settings.h"

#include <span>
#include <vector>

namespace tavrel::meta {

// Every quantity of the models is equivariant under y -> c y, v -> c^2 v, and multiplying by
// a power of two is exact. Pooling on studies scaled so that the largest variance lies in
// [1, 4) therefore gives the very same digits, while variances near the ends of the double
// range (1e-300, 1e300) can no longer underflow or overflow in the weights and their squares.
// Effects that spread far beyond the variances (tau^2 1e150 times them) are scaled to the
// middle of the two instead.
struct Scaled {
    std::vector<Study> studies; // empty where the exponent is 0: the studies as they are
    int exponent;               // the studies are y / 2^exponent, v / 4^exponent

    // The studies to pool: the scaled ones, or `original` where nothing was scaled.
    std::span<const Study> Of(std::span<const Study> original) const {
        return exponent == 0 ? original : std::span<const Study>(studies);
    }
};

Scaled ScaleToUnitVariance(std::span<const Study> studies);

// The sum of squares about the unweighted mean: how far the effects spread whatever their
// variances.
double SquaresAboutTheMean(std::span<const Study> studies);

} // namespace tavrel::meta
