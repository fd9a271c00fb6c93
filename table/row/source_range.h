#pragma once

#include "table/row/row_fields.h"
#include "table/row/study_row.h"
#include "table/row/written_number.h"

#include <optional>

namespace tavrel::table {

// A closed range of values.
struct Range {
    double low;
    double high;
};

// Whether two ranges share a value, give or take the last digits of a double.
bool Overlap(Range a, Range b);

// The values that round to a number as written.
inline Range Of(const WrittenNumber& number) {
    return {number.Low(), number.High()};
}

// The two-sample t that a row's source allows over the rounding of its own numbers as written
// (for the means: its means and SDs, or the SEs and intervals the SDs came from); nothing for
// an es or counts row, which has no t-test of its own.
std::optional<Range> SourceT(const RowFields& row, const StudyRow& study);

} // namespace tavrel::table
