#pragma once

#include "table/row/row_fields.h"
#include "table/row/study_row.h"

#include <variant>

namespace tavrel::table {

// A row's effect size from both groups' means, SDs and sizes, each SD found from its SD
// column, else its SE, else its interval of the mean (Cochrane Handbook 6.5.2.2); a partial
// row where only part of the means is given, as EvaluateMeans says.
std::variant<RowProblem, StudyRow> FromMeans(const RowFields& row);

} // namespace tavrel::table
