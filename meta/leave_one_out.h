#pragma once

#include "meta/pooling.h"

#include <span>
#include <vector>

namespace tavrel::meta {

// The model refitted without each study in turn, in the studies' order, as metafor's
// leave1out() gives it: every value of Pool but the heterogeneity's intervals. Needs at least
// three studies (two remain in each fit).
std::vector<Pooled> LeaveOneOut(std::span<const Study> studies, Method method, Test test,
                                double level);

} // namespace tavrel::meta
