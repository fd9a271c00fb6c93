#pragma once

#include "engine/summary_stats.h"
#include "table/row/row_fields.h"
#include "table/row/study_row.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tavrel::table {

// A group's columns: its mean, SD and size, and what an SD may be found from.
struct Group {
    Column mean, sd, n, se, low, high;
    engine::Input sdInput;
};
inline constexpr Group kControl{Column::M1,
                                Column::SD1,
                                Column::N1,
                                Column::SE1,
                                Column::CI1Low,
                                Column::CI1High,
                                engine::Input::ControlSD};
inline constexpr Group kExperimental{Column::M2,
                                     Column::SD2,
                                     Column::N2,
                                     Column::SE2,
                                     Column::CI2Low,
                                     Column::CI2High,
                                     engine::Input::ExperimentalSD};

// Whether the row gives a value (of any kind) in the column: the column exists and the field
// is not missing.
bool Given(const RowFields& row, Column column);

// A problem that names a column other than the six of the means.
RowProblem FieldProblem(std::string message, std::string_view field, LeftOutReason reason);

// A field that a source needs as a number, or why it is not one.
std::variant<RowProblem, double> RequiredNumber(const RowFields& row, Column column);

// A size the data rules take, or nothing.
std::optional<std::int32_t> UsableSize(const RowFields& row, Column n);

} // namespace tavrel::table
