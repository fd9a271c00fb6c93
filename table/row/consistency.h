#pragma once

#include "table/row/row_fields.h"
#include "table/row/study_row.h"

#include <string>

namespace tavrel::table {

// What a row's other reported numbers say about its effect size: each of t, F, p, d, g, es and
// the direction that the row gives beside its source, each SE given beside an SD, and each
// interval's midpoint beside its mean, recomputed from the source and compared, allowing for
// the rounding of every number as written (interval arithmetic over the source's own rounding
// too). A p may be an inequality ("<.001"). Empty where nothing can be compared; "consistent"
// where everything agrees; else one clause per disagreement, naming the column as the header
// spells it and the range the source allows. A text that is neither a number nor an
// inequality ("n.s.") is said to be not compared.
struct Consistency {
    std::string text;
    bool disagrees; // some reported number is out of the range the source allows
};
Consistency CheckConsistency(const RowFields& row, const StudyRow& study);

} // namespace tavrel::table
