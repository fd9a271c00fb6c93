#pragma once

#include "meta/fit/fit_design.h"
#include "meta/model/model_settings.h"

#include <span>
#include <stdexcept>
#include <string>

namespace tavrel::meta {

// The design's columns are not linearly independent; the message names those that depend on
// the others.
class RankDeficient : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Whether a model by `method` can be fitted on the design: more rows than columns (as many
// will do without tau^2), and columns independent when each is judged at unit length (beside a
// moderator of 1e15 the intercept's column would otherwise look like rounding noise).
bool IsFittable(const FitDesign& design, Method method);

// The same, said: throws RankDeficient naming the columns of `x` (named `names`) that depend
// on the others, or std::invalid_argument where too few rows are left for tau^2.
void RequireFittable(const FitDesign& design, const Design& x, std::span<const std::string> names,
                     Method method);

} // namespace tavrel::meta
