#pragma once

#include "engine/summary_stats.h"
#include "meta/study/study.h"
#include "table/row/row_fields.h"
#include "table/row/study_row.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tavrel::table {

// A group's columns: its mean, SD and size, what an SD may be found from, and the median with
// its quartiles and range that may give both where the data are skewed.
struct Group {
    Column mean, sd, n, se, low, high;
    engine::Input sdInput;
    Column median, q1, q3, min, max;
};
inline constexpr Group kControl{Column::M1,
                                Column::SD1,
                                Column::N1,
                                Column::SE1,
                                Column::CI1Low,
                                Column::CI1High,
                                engine::Input::ControlSD,
                                Column::Median1,
                                Column::Q1_1,
                                Column::Q3_1,
                                Column::Min1,
                                Column::Max1};
inline constexpr Group kExperimental{Column::M2,
                                     Column::SD2,
                                     Column::N2,
                                     Column::SE2,
                                     Column::CI2Low,
                                     Column::CI2High,
                                     engine::Input::ExperimentalSD,
                                     Column::Median2,
                                     Column::Q1_2,
                                     Column::Q3_2,
                                     Column::Min2,
                                     Column::Max2};

// Whether a table's columns (`has`, by Column) can give the group's mean: its mean, or its
// median with its range or quartiles; and its SD: its SD, SE, interval, range or quartiles.
bool GroupHasMean(const Group& group, const std::array<bool, kColumnCount>& has);
bool GroupHasSd(const Group& group, const std::array<bool, kColumnCount>& has);

// Whether the row gives a value (of any kind) in the column: the column exists and the field
// is not missing.
bool Given(const RowFields& row, Column column);

// A problem that names a column other than the six of the means.
RowProblem FieldProblem(std::string message, std::string_view field, LeftOutReason reason);

// A field that a source needs as a number, or why it is not one.
std::variant<RowProblem, double> RequiredNumber(const RowFields& row, Column column);

// An effect size as given (es, or escalc's yi) with its variance (es_var, or escalc's vi) or
// SE (es_se), or why not.
std::variant<RowProblem, meta::Study> GivenEffectSize(const RowFields& row);

// A size the data rules take, or nothing.
std::optional<std::int32_t> UsableSize(const RowFields& row, Column n);

} // namespace tavrel::table
