#pragma once

#include <string_view>

namespace tavrel::engine {

// Reads the number at the start of `text`, as a field's text is read:
// leading spaces and tabs are skipped; the longest prefix of the form
//   [+|-] digits [. digits] [(e|E) [+|-] digits]
// with at least one mantissa digit is converted and the rest is ignored. Text without such a
// prefix, and a magnitude outside the range of double, read as 0. Never NaN or infinite.
//   "" -> 0, "-.5" -> -0.5, "1/2" -> 1, "1.2.3" -> 1.2, "--5" -> 0, "1e999" -> 0
double ReadNumber(std::string_view text);

} // namespace tavrel::engine
