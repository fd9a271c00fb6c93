#pragma once

#include "meta/model/model.h"

#include <cstddef>
#include <span>
#include <vector>

namespace tavrel::meta {

// Duval and Tweedie's trim-and-fill (Duval and Tweedie 2000, Biometrics 56:455, estimator L0),
// as metafor's trimfill() with its defaults: the side to fill is where Egger's regression
// slope points away from; the most extreme studies on the other side are trimmed until the
// count of missing studies settles; their mirror images about the trimmed estimate are filled
// in, and the model is refitted by the same method under the z test.
enum class Side { Left, Right };
struct TrimAndFill {
    std::size_t k0; // the studies filled in
    Side side;
    std::vector<Study> filled; // their effects and variances
    // The model with them; where none are missing, the pooled model itself.
    Model model;
};

// The rounds of trimming allowed, metafor's own limit: a count of missing studies that still
// changes after them gives no trim-and-fill estimate.
inline constexpr int kMostTrimRounds = 100;

// Fills the studies of `pooled` (its method, test and level). Needs 3 studies (2 for a model
// without tau^2), as the side's regression does. Throws TooFewStudies below that,
// RankDeficient where every study has the same variance (there is no side), NotConverged
// where the count does not settle or a refit has no maximum.
TrimAndFill FillMissingStudies(std::span<const Study> studies, const Model& pooled);

} // namespace tavrel::meta
