#pragma once

#include "table/row/row_fields.h"
#include "table/row/study_row.h"

#include <array>
#include <optional>
#include <string>
#include <variant>

namespace tavrel::table {

// What a table needs: the columns of at least one source. Nothing where it has them; else what
// is missing, as a message ("missing column: sd2", for a table of means).
std::optional<std::string> MissingColumns(const std::array<bool, kColumnCount>& has);

// A row's effect size from the most direct of its sources that is complete (every value it
// needs present and usable): means with both SDs (each found from its SD, else its SE, else
// its interval), then t, F, p, d, g and es. A row with none names what the most direct source
// it has lacks. The row's `consistency` says what its other reported numbers say.
std::variant<RowProblem, StudyRow> EvaluateRow(const RowFields& row);

} // namespace tavrel::table
