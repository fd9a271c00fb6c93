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
    case EffectSource::Counts:
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

namespace {

using Inputs = std::array<InputValue, engine::kInputCount>;

// The numbers a row gives, by input.
struct GivenNumbers {
    std::array<double, engine::kInputCount> value{};
    std::array<bool, engine::kInputCount> present{};

    bool Has(Input input) const { return present[engine::Index(input)]; }
    double Of(Input input) const { return value[engine::Index(input)]; }
};

RowProblem ProblemOf(const InputValue& input, const std::string& what, Input which,
                     LeftOutReason reason) {
    return RowProblem{std::string(input.name) + what + Quoted(input.text), which, reason};
}

// The numbers given, or why one of them is not a number.
std::variant<RowProblem, GivenNumbers> ReadGivenNumbers(const Inputs& inputs) {
    GivenNumbers given;
    for (const Input input : engine::kInputs) {
        const std::size_t i = engine::Index(input);
        const DataField& field = inputs[i].data;
        switch (field.kind) {
        case DataField::NotANumber:
            return ProblemOf(inputs[i], " is not a number: ", input, LeftOutReason::NotANumber);
        case DataField::NotFinite:
            return ProblemOf(inputs[i], " is not a finite number: ", input,
                             LeftOutReason::NotANumber);
        case DataField::Missing:
            break;
        case DataField::Number:
            given.present[i] = true;
            given.value[i] = field.value;
            break;
        }
    }
    return given;
}

// Sizes and SDs, where given, must be usable whatever the mode.
std::optional<RowProblem> SpreadProblem(const Inputs& inputs, const GivenNumbers& given) {
    for (const Input size : {Input::ControlSize, Input::ExperimentalSize}) {
        const InputValue& input = inputs[engine::Index(size)];
        if (!given.Has(size)) {
            continue;
        }
        if (std::optional<RowProblem> problem = SizeProblem(input.data, input.name, input.text)) {
            problem->input = size;
            return problem;
        }
    }
    for (const Input sd : {Input::ControlSD, Input::ExperimentalSD}) {
        if (given.Has(sd) && given.Of(sd) < 0) {
            return ProblemOf(inputs[engine::Index(sd)], " must not be negative: ", sd,
                             LeftOutReason::OutOfRange);
        }
    }
    if (given.Has(Input::ControlSD) && given.Has(Input::ExperimentalSD) &&
        given.Of(Input::ControlSD) == 0 && given.Of(Input::ExperimentalSD) == 0) {
        return RowProblem{std::string(inputs[engine::Index(Input::ControlSD)].name) + " and " +
                              std::string(inputs[engine::Index(Input::ExperimentalSD)].name) +
                              " are both 0: the groups have no spread to standardize by",
                          Input::ControlSD, LeftOutReason::OutOfRange};
    }
    return std::nullopt;
}

// The inputs a row lacks, and what it lacks said as a row's problem.
struct Missing {
    std::vector<std::string_view> names;
    std::optional<Input> first;

    RowProblem Problem() const {
        return RowProblem{MissingMessage(names), first, LeftOutReason::MissingValue};
    }
};

// A partial mode where what is missing allows one; any other gap stops the row.
std::variant<RowProblem, CalcMode> ModeOf(const GivenNumbers& given, const Missing& missing) {
    const bool means = given.Has(Input::ControlMean) && given.Has(Input::ExperimentalMean);
    const bool noMeans = !given.Has(Input::ControlMean) && !given.Has(Input::ExperimentalMean);
    if (missing.names.empty()) {
        return CalcMode::AllResults;
    }
    if (noMeans && missing.names.size() == 2) {
        return CalcMode::PooledSDOnly;
    }
    if (means && given.Has(Input::ControlSD)) {
        return CalcMode::MeanDiffGlassOnly;
    }
    return missing.Problem();
}

engine::SummaryStats StatsOf(const GivenNumbers& given) {
    engine::SummaryStats stats;
    stats.M1 = given.Of(Input::ControlMean);
    stats.SD1 = given.Of(Input::ControlSD);
    stats.N1 = static_cast<std::int32_t>(given.Of(Input::ControlSize));
    stats.M2 = given.Of(Input::ExperimentalMean);
    stats.SD2 = given.Of(Input::ExperimentalSD);
    stats.N2 = static_cast<std::int32_t>(given.Of(Input::ExperimentalSize));
    return stats;
}

// Every result of a row that gives all six numbers.
StudyRow AllResultsRow(const engine::SummaryStats& stats) {
    StudyRow row{CalcMode::AllResults, stats,
                 engine::ComputeResults(stats, CalcMode::AllResults, engine::Correction::Exact)};
    // Where the window would compute every result from these numbers, its texts; elsewhere
    // (groups of 2, means of 0 or below) the same patterns on the exact values.
    const engine::ModeChoice window = engine::ChooseMode(stats);
    const bool windowComputes = std::holds_alternative<CalcMode>(window) &&
                                std::get<CalcMode>(window) == CalcMode::AllResults;
    row.shown = engine::ShowResults(
        CalcMode::AllResults,
        windowComputes ? engine::ComputeResults(stats, CalcMode::AllResults) : row.values);
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

} // namespace

std::variant<RowProblem, StudyRow> EvaluateMeans(const Inputs& inputs) {
    const std::variant<RowProblem, GivenNumbers> read = ReadGivenNumbers(inputs);
    if (const auto* problem = std::get_if<RowProblem>(&read)) {
        return *problem;
    }
    const GivenNumbers& given = std::get<GivenNumbers>(read);
    if (std::optional<RowProblem> problem = SpreadProblem(inputs, given)) {
        return *problem;
    }
    Missing missing;
    for (const Input input : engine::kInputs) {
        if (!given.Has(input)) {
            missing.names.push_back(inputs[engine::Index(input)].name);
            missing.first = missing.first.value_or(input);
        }
    }
    const std::variant<RowProblem, CalcMode> mode = ModeOf(given, missing);
    if (const auto* problem = std::get_if<RowProblem>(&mode)) {
        return *problem;
    }
    const engine::SummaryStats stats = StatsOf(given);
    if (std::get<CalcMode>(mode) == CalcMode::AllResults) {
        return AllResultsRow(stats);
    }
    StudyRow row{
        std::get<CalcMode>(mode), stats,
        engine::ComputeResults(stats, std::get<CalcMode>(mode), engine::Correction::Exact)};
    row.shown = engine::ShowResults(row.mode, row.values);
    row.noEffect = missing.Problem();
    return row;
}

} // namespace tavrel::table
