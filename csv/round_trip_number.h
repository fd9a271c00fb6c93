#pragma once

namespace tavrel::csv {

// The longest text WriteShortest writes: "-2.2250738585072014e-308".
inline constexpr int kShortestNumberMax = 24;

// Writes the shortest text that reads back to exactly `value`, in the same form as
// std::to_chars(first, last, value) (fixed or scientific, whichever is shorter, fixed on a tie),
// about twice as fast. Infinities and NaN are spelt "Inf", "-Inf" and "NaN" (any sign), which
// R, pandas and spreadsheets read as numbers or as missing values. Returns the end of the
// text; `out` must have room for kShortestNumberMax characters.
char* WriteShortest(double value, char* out);

} // namespace tavrel::csv
