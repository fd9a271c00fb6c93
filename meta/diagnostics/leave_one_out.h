#pragma once

#include "meta/model/pooling.h"

#include <span>
#include <vector>

namespace tavrel::meta {

// The model refitted without each study in turn, in the studies' order, as metafor's
// leave1out() gives it: every value of Pool but the heterogeneity's intervals. Of two studies,
// each fit is the other study alone, under the z test. Needs at least two studies.
std::vector<Pooled> LeaveOneOut(std::span<const Study> studies, const ModelSettings& settings);

} // namespace tavrel::meta
