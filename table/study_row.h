#pragma once

#include "engine/calculation.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavrel::table {

// A table's field read as data: a number as a whole (blanks around it aside), or missing
// (empty, NA, NaN or ".", in any case). Nothing else is read as a number, not even in part.
struct DataField {
    enum Kind { Number, Missing, NotANumber, NotFinite } kind;
    double value;
};
DataField ReadDataField(std::string_view text);

// `text` without the blanks (spaces and tabs) around it, as fields and column names are read.
std::string_view TrimBlanks(std::string_view text);

// Why a row gives no effect size; the meta-analysis counts the rows it leaves out by these.
enum class LeftOutReason { MissingValue, NotANumber, OutOfRange, FieldCount, NotFinite };
inline constexpr std::size_t kLeftOutReasons =
    static_cast<std::size_t>(LeftOutReason::NotFinite) + 1;

// What stops a row, or keeps it to a partial mode: the message, the input it names, the reason.
struct RowProblem {
    std::string message;                // "sd2 is missing"
    std::optional<engine::Input> input; // none where no one field is at fault
    LeftOutReason reason;
};

// A row's results by the data rules.
struct StudyRow {
    engine::CalcMode mode;
    engine::SummaryStats stats;
    engine::EffectSizeResults values;      // with the exact bias correction at every df
    std::vector<engine::ResultText> shown; // the window's texts where it would compute all
    std::optional<RowProblem> noEffect;    // why a computed row gives no g
};

// Reads one row's six input fields (in engine::Input order; `names` as the header spells
// them) by the rules for data, which differ from the window's typed-text rules: any finite
// mean is a value; a missing field leaves a partial mode where one applies (no means: the
// pooled SD only; no second SD or size: the mean difference and Glass's delta only) and is
// named otherwise; sizes are whole numbers of at least 2; SDs are at least 0, not both 0.
std::variant<RowProblem, StudyRow>
EvaluateStudyRow(const std::array<std::string_view, engine::kInputCount>& fields,
                 const std::array<std::string_view, engine::kInputCount>& names);

} // namespace tavrel::table
