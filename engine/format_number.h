#pragma once

#include <string>
#include <string_view>

namespace tavrel::engine {

// Renders `value` by a number pattern of the form [+] {#|0} [. {0}]:
//   "+"  shows the sign of positive values (and of zero) as well; negatives always show "-";
//   "#"  integer digits without a leading zero, "0" a digit that is always shown;
//   ".0" a fixed number of decimals.
// Rounds to nearest, ties away from zero, on the exact binary value. A value that rounds to
// zero shows no minus sign. Never truncates digits. Infinities render as "∞" with their
// sign, NaN as "NaN".
//   FormatNumber(0.667, "+#.000") == "+.667", FormatNumber(15, "#.00") == "15.00"
// Throws std::invalid_argument for a pattern outside that form.
std::string FormatNumber(double value, std::string_view pattern);

} // namespace tavrel::engine
