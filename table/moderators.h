#pragma once

#include "meta/fit/weighted_fit.h"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::table {

// A meta-regression's design as the moderators' columns give it: the intercept, then each
// numeric column as it is and each categorical one as an indicator per level but its first.
struct ModeratorDesign {
    meta::Design x;
    std::vector<std::string> names; // "intercept", "year", "dose=high", ...
    // What the user should know of how a column was read: "dose is categorical (...)".
    std::vector<std::string> notes;
};

// A moderator that cannot be used: one level or value only.
class ModeratorError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// From `texts`, the moderators of each study in turn (columns.size() to a study, none
// missing). A column whose texts are all numbers by the data rules is numeric; any other is
// categorical, its levels sorted by their bytes (as R's factor() in the C locale), the first
// the reference.
ModeratorDesign DesignOf(std::span<const std::string> columns, std::span<const std::string> texts);

// The design of one categorical column (a subgroup's name): the intercept and an indicator
// per group but the first seen, named "group=name".
ModeratorDesign GroupDesign(std::span<const std::string> groups);

} // namespace tavrel::table
