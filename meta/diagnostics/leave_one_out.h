#pragma once

#include "meta/model/model.h"

#include <span>
#include <string>
#include <vector>

namespace tavrel::meta {

// How the studies left are fitted: as the whole was, but one study alone, as metafor's
// leave1out() and rstudent() fit it: the study itself, by the z test, with tau^2 = 0 whatever
// the method.
ModelSettings SettingsForTheRest(std::size_t studiesLeft, const ModelSettings& settings);

// The model refitted on `rest`, the studies but one, on their rows `x` of the design, without
// the extras (R^2, the Q-profile intervals), by SettingsForTheRest; the fit keeps the method's
// name.
Model FitOneLeftOut(std::span<const Study> rest, const Design& x,
                    std::span<const std::string> names, const ModelSettings& settings);

// The model without moderators fitted without each study in turn (metafor's leave1out()).
std::vector<Model> LeaveOneOut(std::span<const Study> studies, const ModelSettings& settings);

} // namespace tavrel::meta
