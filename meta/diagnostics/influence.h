#pragma once

#include "meta/model/model.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tavrel::meta {

// One study's part in a model, as metafor's weights(), rstudent(), hatvalues() and
// cooks.distance() give it (Viechtbauer and Cheung 2010, Research Synthesis Methods 1,
// 112-125). The residual and Cook's distance need the model refitted without the study, its
// tau^2 estimated anew; where that refit cannot be had they are NaN.
struct StudyInfluence {
    double weight;   // percent of the model's total weight
    double residual; // the studentized deleted residual
    double hat;      // the diagonal of the hat matrix
    double cooksDistance;
};

// Refitting without each study costs k fits of k studies: above this many studies the
// residuals and Cook's distances are not computed (NaN) and the caller says so.
inline constexpr std::size_t kMostStudiesRefitted = 5000;

// How many of the refits without each study are done, told after each (they may take long).
using RefitProgress = std::function<void(std::size_t done)>;

// For the model fitted on design `x`. `refit` false: weights and hat
// values only.
std::vector<StudyInfluence> Influence(std::span<const Study> studies, const Design& x,
                                      const Model& model, bool refit,
                                      const RefitProgress& progress = {});

} // namespace tavrel::meta
