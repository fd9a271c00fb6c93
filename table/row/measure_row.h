#pragma once

#include "meta/study/study.h"
#include "table/measure/effect_measure.h"
#include "table/measure/measure_formulas.h"
#include "table/row/row_fields.h"
#include "table/row/study_row.h"

#include <array>
#include <optional>
#include <string>
#include <variant>

namespace tavrel::table {

// Whether a table in `measure` reads `column` as an input (the others pass through).
bool ReadsColumn(Measure measure, Column column);

// What a table in a measure but SMD needs: nothing where it has the measure's columns, else
// "missing column: ..." naming them.
std::optional<std::string> MissingMeasureColumns(Measure measure,
                                                 const std::array<bool, kColumnCount>& has);

// A row's effect size in a measure but SMD, and where it came from ("means (se1)", "counts").
struct MeasureRow {
    meta::Study effect;
    std::string computedFrom;
};
std::variant<RowProblem, MeasureRow> EvaluateMeasureRow(Measure measure, const RowFields& row);

// The 2x2 table a row gives, by events1 n1 events2 n2 or by escalc's ai bi ci di, or why not.
std::variant<RowProblem, TwoByTwo> RowCounts(const RowFields& row);
// Whether the row gives any of the 2x2 table's columns a value.
bool GivesCounts(const RowFields& row);

} // namespace tavrel::table
