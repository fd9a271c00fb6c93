#pragma once

#include "engine/calculation.h"
#include "table/row/row_fields.h"

#include <array>
#include <cstddef>
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

// Why a row gives no effect size, or one the meta-regression cannot use (a moderator is
// missing); the meta-analysis counts the rows it leaves out by these.
enum class LeftOutReason {
    MissingValue,
    NotANumber,
    OutOfRange,
    FieldCount,
    NotFinite,
    NoModerator,
    NoCluster
};
inline constexpr std::size_t kLeftOutReasons =
    static_cast<std::size_t>(LeftOutReason::NoCluster) + 1;

// What stops a row, or keeps it to a partial mode: the message, the input it names, the reason.
struct RowProblem {
    std::string message;                // "sd2 is missing"
    std::optional<engine::Input> input; // none where no one field is at fault
    LeftOutReason reason;
    std::string_view field = {}; // the column at fault, where it is not one of the six
};

// "sd2 is missing", "sd2 and n2 are missing", "t, d and g are missing".
std::string MissingMessage(const std::vector<std::string_view>& names);
// The field's text in quotes, without the blanks around it, as messages show it.
std::string Quoted(std::string_view text);

// A row's results by the data rules.
struct StudyRow {
    engine::CalcMode mode = engine::CalcMode::AllResults;
    engine::SummaryStats stats = {};            // the sizes alone, for a source but the means
    engine::EffectSizeResults values = {};      // with the exact bias correction at every df
    std::vector<engine::ResultText> shown = {}; // the window's texts where it would compute all
    std::optional<RowProblem> noEffect = {};    // why a computed row gives no g
    EffectSource source = EffectSource::Means;
    double vi = 0; // the variance of g: HedgesSD squared, or as an es or counts row gives it
    std::string computedFrom = {}; // "means", "means (se1, ci2)", "t", ...; empty where no g
    std::string consistency = {};  // what the row's other reported numbers say, where any
    bool disagrees = false;        // and whether any of them is out of the source's range
    bool passedOver = false;       // a more direct source had a value it could not use (a typo)

    // Whether the row's source determines `result` (a t gives d, r and g, not the mean
    // difference).
    bool Determines(engine::Result result) const;
    // Whether the row knows the groups' sizes, and so df and the correction.
    bool HasSizes() const {
        return source == EffectSource::Means
                   ? mode == engine::CalcMode::AllResults
                   : source != EffectSource::Es && source != EffectSource::Counts;
    }
};

// One of the six inputs as a row gives it: its column's name as the header spells it, the
// field's text, and what the text reads as (where an SD comes from an SE or an interval, the
// name and text are theirs and the value is the SD).
struct InputValue {
    std::string_view name;
    std::string_view text;
    DataField data;
};

// A row's means, SDs and sizes (in engine::Input order) by the rules for data, which differ
// from the window's typed-text rules: any finite mean is a value; a missing field leaves a
// partial mode where one applies (no means: the pooled SD only; no second SD or size: the mean
// difference and Glass's delta only) and is named otherwise; sizes are whole numbers of at
// least 2; SDs are at least 0, not both 0.
std::variant<RowProblem, StudyRow>
EvaluateMeans(const std::array<InputValue, engine::kInputCount>& inputs);

// The same from the six fields' texts.
std::variant<RowProblem, StudyRow>
EvaluateStudyRow(const std::array<std::string_view, engine::kInputCount>& fields,
                 const std::array<std::string_view, engine::kInputCount>& names);

// A size as the data rules take it: a whole number from 2 to 2147483647; the problem names
// `name` and quotes `text`.
std::optional<RowProblem> SizeProblem(const DataField& size, std::string_view name,
                                      std::string_view text);

} // namespace tavrel::table
