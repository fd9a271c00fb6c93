#include "table/row/study_row.h"

#include "engine/read_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tavrel::table {

namespace {

using engine::CalcMode;
using engine::Input;

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

} // namespace

std::string MissingMessage(const std::vector<std::string_view>& names) {
    return Listed(names) + (names.size() == 1 ? " is missing" : " are missing");
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(TrimBlanks(text)) + "\"";
}

std::string_view TrimBlanks(std::string_view text) {
    // A loop rather than find_first_not_of: most fields have no blanks, and this runs six times
    // a row.
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

DataField ReadDataField(std::string_view text) {
    text = TrimBlanks(text);
    if (IsMissing(text)) {
        return {DataField::Missing, 0};
    }
    // The plain form [+|-] digits [. digits] [(e|E) [+|-] digits], as a whole.
    const auto digitsFrom = [&](std::size_t i) {
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
        return i;
    };
    std::size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    const std::size_t mantissa = i;
    i = digitsFrom(i);
    std::size_t digits = i - mantissa;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = i + 1;
        i = digitsFrom(fraction);
        digits += i - fraction;
    }
    bool exponent = false;
    if (digits > 0 && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j =
            i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-') ? i + 2 : i + 1;
        const std::size_t exponentDigits = j;
        j = digitsFrom(j);
        exponent = j > exponentDigits;
        i = exponent ? j : i;
    }
    if (digits > 0 && i == text.size()) {
        // Up to 15 digits without an exponent, ReadNumber is exact and quick; anything longer
        // goes to from_chars, which also tells a magnitude beyond a double.
        if (digits <= 15 && !exponent) {
            return {DataField::Number, engine::ReadNumber(text)};
        }
        if (text[0] == '+') {
            text.remove_prefix(1);
        }
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || !std::isfinite(value)) {
            return {DataField::NotFinite, 0};
        }
        return {DataField::Number, value};
    }
    // Not a plain number; "inf" and "infinity" are numbers, but not finite ones.
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool infinite = error == std::errc{} && end == text.data() + text.size();
    return {infinite ? DataField::NotFinite : DataField::NotANumber, 0};
}

bool StudyRow::Determines(engine::Result result) const {
    using engine::Result;
    switch (source) {
    case EffectSource::Means:
        return engine::Fills(mode, result);
    case EffectSource::Es:
        return result == Result::HedgesG || result == Result::HedgesGSD;
    default:
        return result == Result::CohensD || result == Result::R || result == Result::HedgesG ||
               result == Result::HedgesGSD;
    }
}

std::optional<RowProblem> SizeProblem(const DataField& size, std::string_view name,
                                      std::string_view text) {
    if (size.kind == DataField::Missing) {
        return RowProblem{std::string(name) + " is missing", std::nullopt,
                          LeftOutReason::MissingValue};
    }
    if (size.kind != DataField::Number) {
        return RowProblem{std::string(name) +
                              (size.kind == DataField::NotFinite ? " is not a finite number: "
                                                                 : " is not a number: ") +
                              Quoted(text),
                          std::nullopt, LeftOutReason::NotANumber};
    }
    if (size.value != std::floor(size.value) || size.value < 2) {
        return RowProblem{std::string(name) +
                              " must be a whole number of at least 2: " + Quoted(text),
                          std::nullopt, LeftOutReason::OutOfRange};
    }
    if (size.value > std::numeric_limits<std::int32_t>::max()) {
        return RowProblem{std::string(name) + " is larger than 2147483647: " + Quoted(text),
                          std::nullopt, LeftOutReason::OutOfRange};
    }
    return std::nullopt;
}

std::variant<RowProblem, StudyRow>
EvaluateStudyRow(const std::array<std::string_view, engine::kInputCount>& fields,
                 const std::array<std::string_view, engine::kInputCount>& names) {
    std::array<InputValue, engine::kInputCount> inputs;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputs[i] = {names[i], fields[i], ReadDataField(fields[i])};
    }
    return EvaluateMeans(inputs);
}

std::variant<RowProblem, StudyRow>
EvaluateMeans(const std::array<InputValue, engine::kInputCount>& inputs) {
    std::array<double, engine::kInputCount> value{};
    std::array<bool, engine::kInputCount> present{};
    std::array<std::string_view, engine::kInputCount> fields;
    std::array<std::string_view, engine::kInputCount> names;
    for (const Input input : engine::kInputs) {
        const std::size_t i = engine::Index(input);
        fields[i] = inputs[i].text;
        names[i] = inputs[i].name;
        const DataField field = inputs[i].data;
        switch (field.kind) {
        case DataField::NotANumber:
            return RowProblem{std::string(names[i]) + " is not a number: " + Quoted(fields[i]),
                              input, LeftOutReason::NotANumber};
        case DataField::NotFinite:
            return RowProblem{std::string(names[i]) +
                                  " is not a finite number: " + Quoted(fields[i]),
                              input, LeftOutReason::NotANumber};
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
        if (std::optional<RowProblem> problem = SizeProblem(inputs[i].data, names[i], fields[i])) {
            problem->input = size;
            return *problem;
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
    std::optional<Input> firstMissing;
    for (const Input input : engine::kInputs) {
        if (!present[engine::Index(input)]) {
            missing.push_back(names[engine::Index(input)]);
            firstMissing = firstMissing.value_or(input);
        }
    }
    engine::SummaryStats stats;
    stats.M1 = value[at(Input::ControlMean)];
    stats.SD1 = value[at(Input::ControlSD)];
    stats.N1 = static_cast<std::int32_t>(value[at(Input::ControlSize)]);
    stats.M2 = value[at(Input::ExperimentalMean)];
    stats.SD2 = value[at(Input::ExperimentalSD)];
    stats.N2 = static_cast<std::int32_t>(value[at(Input::ExperimentalSize)]);

    const bool means = present[at(Input::ControlMean)] && present[at(Input::ExperimentalMean)];
    const bool noMeans = !present[at(Input::ControlMean)] && !present[at(Input::ExperimentalMean)];
    // A partial mode where what is missing allows one; any other gap stops the row.
    CalcMode mode = CalcMode::AllResults;
    if (noMeans && missing.size() == 2) {
        mode = CalcMode::PooledSDOnly;
    } else if (!missing.empty() && means && present[at(Input::ControlSD)]) {
        mode = CalcMode::MeanDiffGlassOnly;
    } else if (!missing.empty()) {
        return RowProblem{MissingMessage(missing), firstMissing, LeftOutReason::MissingValue};
    }

    StudyRow row{mode, stats, engine::ComputeResults(stats, mode, engine::Correction::Exact)};
    if (mode != CalcMode::AllResults) {
        row.shown = engine::ShowResults(mode, row.values);
        row.noEffect =
            RowProblem{MissingMessage(missing), firstMissing, LeftOutReason::MissingValue};
        return row;
    }
    // Where the window would compute every result from these numbers, its texts; elsewhere
    // (groups of 2, means of 0 or below) the same patterns on the exact values.
    const engine::ModeChoice window = engine::ChooseMode(stats);
    const bool windowComputes =
        std::holds_alternative<CalcMode>(window) && std::get<CalcMode>(window) == mode;
    row.shown = engine::ShowResults(mode, windowComputes ? engine::ComputeResults(stats, mode)
                                                         : row.values);
    row.vi = row.values.HedgesSD * row.values.HedgesSD;
    if (std::isfinite(row.values.HedgesG) && std::isfinite(row.vi)) {
        row.computedFrom = SourceName(EffectSource::Means);
    } else {
        row.noEffect = RowProblem{"the effect size is not finite: the numbers are beyond the range "
                                  "of a double",
                                  std::nullopt, LeftOutReason::NotFinite};
    }
    return row;
}

} // namespace tavrel::table
