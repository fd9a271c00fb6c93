#include "batch/study_row.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tavrel::batch {

namespace {

using engine::CalcMode;
using engine::Input;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsMissing(std::string_view text) {
    const auto is = [&](std::string_view word) {
        if (text.size() != word.size()) {
            return false;
        }
        for (std::size_t i = 0; i < word.size(); ++i) {
            if ((text[i] | 0x20) != word[i]) {
                return false;
            }
        }
        return true;
    };
    return text.empty() || text == "." || is("na") || is("nan");
}

// "sd2", "m1 and m2", "sd2, n1 and n2".
std::string Listed(const std::vector<std::string_view>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? "" : (i + 1 == names.size() ? " and " : ", ");
        text += names[i];
    }
    return text;
}

std::string Missing(const std::vector<std::string_view>& names) {
    return Listed(names) + (names.size() == 1 ? " is missing" : " are missing");
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(Trimmed(text)) + "\"";
}

} // namespace

DataField ReadDataField(std::string_view text) {
    text = Trimmed(text);
    if (IsMissing(text)) {
        return {DataField::Missing, 0};
    }
    // from_chars takes no '+'; one is allowed before a digit or a point, not before a sign.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() ||
        (error != std::errc{} && error != std::errc::result_out_of_range)) {
        return {DataField::NotANumber, 0};
    }
    if (error == std::errc::result_out_of_range || !std::isfinite(value)) {
        return {DataField::NotFinite, 0};
    }
    return {DataField::Number, value};
}

std::variant<RowProblem, StudyRow>
EvaluateStudyRow(const std::array<std::string_view, engine::kInputCount>& fields,
                 const std::array<std::string_view, engine::kInputCount>& names) {
    std::array<double, engine::kInputCount> value{};
    std::array<bool, engine::kInputCount> present{};
    for (const Input input : engine::kInputs) {
        const std::size_t i = engine::Index(input);
        const DataField field = ReadDataField(fields[i]);
        const std::string name(names[i]);
        switch (field.kind) {
        case DataField::NotANumber:
            return RowProblem{name + " is not a number: " + Quoted(fields[i]), input,
                              LeftOutReason::NotANumber};
        case DataField::NotFinite:
            return RowProblem{name + " is not a finite number: " + Quoted(fields[i]), input,
                              LeftOutReason::NotANumber};
        case DataField::Missing:
            break;
        case DataField::Number:
            present[i] = true;
            value[i] = field.value;
            break;
        }
    }
    // Sizes and SDs, where given, must be usable whatever the mode.
    for (const Input size : {Input::ControlSize, Input::ExperimentalSize}) {
        const std::size_t i = engine::Index(size);
        if (!present[i]) {
            continue;
        }
        if (value[i] != std::floor(value[i]) || value[i] < 2) {
            return RowProblem{std::string(names[i]) +
                                  " must be a whole number of at least 2: " + Quoted(fields[i]),
                              size, LeftOutReason::OutOfRange};
        }
        if (value[i] > std::numeric_limits<std::int32_t>::max()) {
            return RowProblem{std::string(names[i]) +
                                  " is larger than 2147483647: " + Quoted(fields[i]),
                              size, LeftOutReason::OutOfRange};
        }
    }
    for (const Input sd : {Input::ControlSD, Input::ExperimentalSD}) {
        const std::size_t i = engine::Index(sd);
        if (present[i] && value[i] < 0) {
            return RowProblem{std::string(names[i]) + " must not be negative: " + Quoted(fields[i]),
                              sd, LeftOutReason::OutOfRange};
        }
    }
    const auto at = [&](Input input) { return engine::Index(input); };
    if (present[at(Input::ControlSD)] && present[at(Input::ExperimentalSD)] &&
        value[at(Input::ControlSD)] == 0 && value[at(Input::ExperimentalSD)] == 0) {
        return RowProblem{std::string(names[at(Input::ControlSD)]) + " and " +
                              std::string(names[at(Input::ExperimentalSD)]) +
                              " are both 0: the groups have no spread to standardize by",
                          Input::ControlSD, LeftOutReason::OutOfRange};
    }

    std::vector<std::string_view> missing;
    for (const Input input : engine::kInputs) {
        if (!present[engine::Index(input)]) {
            missing.push_back(names[engine::Index(input)]);
        }
    }
    const auto firstMissing = [&] {
        for (const Input input : engine::kInputs) {
            if (!present[engine::Index(input)]) {
                return input;
            }
        }
        return Input::ControlMean;
    }();
    engine::SummaryStats stats;
    stats.M1 = value[at(Input::ControlMean)];
    stats.SD1 = value[at(Input::ControlSD)];
    stats.N1 = static_cast<std::int32_t>(value[at(Input::ControlSize)]);
    stats.M2 = value[at(Input::ExperimentalMean)];
    stats.SD2 = value[at(Input::ExperimentalSD)];
    stats.N2 = static_cast<std::int32_t>(value[at(Input::ExperimentalSize)]);

    const bool means = present[at(Input::ControlMean)] && present[at(Input::ExperimentalMean)];
    const bool noMeans = !present[at(Input::ControlMean)] && !present[at(Input::ExperimentalMean)];
    CalcMode mode = CalcMode::AllResults;
    if (missing.empty()) {
        mode = CalcMode::AllResults;
    } else if (noMeans && missing.size() == 2) {
        mode = CalcMode::PooledSDOnly;
    } else if (means && present[at(Input::ControlSD)]) {
        mode = CalcMode::MeanDiffGlassOnly;
    } else {
        return RowProblem{Missing(missing), firstMissing, LeftOutReason::MissingValue};
    }

    StudyRow row{mode,
                 stats,
                 engine::ComputeResults(stats, mode, engine::Correction::Exact),
                 {},
                 std::nullopt};
    if (mode != CalcMode::AllResults) {
        row.shown = engine::ShowResults(mode, row.values);
        row.noEffect = RowProblem{Missing(missing), firstMissing, LeftOutReason::MissingValue};
        return row;
    }
    // Where the window would compute every result from these numbers, its texts; elsewhere
    // (groups of 2, means of 0 or below) the same patterns on the exact values.
    const engine::ModeChoice window = engine::ChooseMode(stats);
    const bool windowComputes =
        std::holds_alternative<CalcMode>(window) && std::get<CalcMode>(window) == mode;
    row.shown = engine::ShowResults(mode, windowComputes ? engine::ComputeResults(stats, mode)
                                                         : row.values);
    const double vi = row.values.HedgesSD * row.values.HedgesSD;
    if (!std::isfinite(row.values.HedgesD) || !std::isfinite(vi)) {
        row.noEffect = RowProblem{"the effect size is not finite: the numbers are beyond the range "
                                  "of a double",
                                  std::nullopt, LeftOutReason::NotFinite};
    }
    return row;
}

} // namespace tavrel::batch
