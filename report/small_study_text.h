#pragma once

#include "meta/small_study/small_study_effects.h"
#include "table/measure/effect_measure.h"

#include <string>

namespace tavrel::report {

// The tests of small-study effects as a paper reports them, for standard error:
//   Small-study effects:
//     Egger's test: z = 2.31, p = .021; limit estimate 0.12 [0.01, 0.23]
//     PEESE: z = 2.05, p = .040; limit estimate 0.15 [0.02, 0.28]
//     Begg's test: Kendall's τ = 0.21, p = .043
//     Trim-and-fill: 3 studies filled on the left; g = 0.31 [0.20, 0.42], z = 4.10, ...
//     Fail-safe N (Rosenthal): 112
// and a line for each test that could not be had, saying why.
std::string SmallStudyText(const meta::SmallStudyEffects& effects,
                           table::Measure measure = table::Measure::SMD);

} // namespace tavrel::report
