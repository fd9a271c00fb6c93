#include "table/row/means_source.h"

#include "meta/study/conversions.h"
#include "meta/study/median_summary.h"
#include "table/row/source_fields.h"

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tavrel::table {

namespace {

using engine::Input;

// The level of the groups' intervals: 0.9, 90 or 90%; 0.95 where the cell or column is empty.
std::variant<RowProblem, double> IntervalLevel(const RowFields& row) {
    std::string_view text = TrimBlanks(row.Text(Column::CILevel));
    const bool percent = !text.empty() && text.back() == '%';
    if (percent) {
        text.remove_suffix(1);
    }
    const DataField field = ReadDataField(text);
    if (field.kind == DataField::Missing && !percent) {
        return 0.95;
    }
    const double level = percent || field.value > 1 ? field.value / 100 : field.value;
    if (field.kind != DataField::Number || !(level > 0 && level < 1)) {
        return FieldProblem(
            std::string(row.Name(Column::CILevel)) +
                " must be a level such as 0.95, 95 or 95%: " + Quoted(row.Text(Column::CILevel)),
            row.Name(Column::CILevel), LeftOutReason::OutOfRange);
    }
    return level;
}

// The group's median with its range and quartiles where the row gives the median or a pair of
// them (none where it gives neither), or why they cannot be used: a field that is no number, a
// pair half given, or values out of order.
std::variant<RowProblem, std::optional<meta::MedianSummary>> MedianOf(const RowFields& row,
                                                                      const Group& group) {
    const auto given = [&](Column column) { return Given(row, column); };
    const auto has = [&](Column column) { return row.text[At(column)].has_value(); };
    // Most tables have none of these columns: that is told without reading a field.
    if ((!has(group.median) && !has(group.min) && !has(group.max) && !has(group.q1) &&
         !has(group.q3)) ||
        (!given(group.median) && !given(group.min) && !given(group.max) && !given(group.q1) &&
         !given(group.q3))) {
        return std::nullopt;
    }
    meta::MedianSummary summary{};
    std::vector<std::pair<Column, double>> ordered; // min, q1, median, q3, max as given
    for (const auto& [low, high, has, lowValue, highValue] :
         {std::tuple{group.min, group.max, &summary.hasRange, &summary.min, &summary.max},
          std::tuple{group.q1, group.q3, &summary.hasQuartiles, &summary.q1, &summary.q3}}) {
        if (!given(low) && !given(high)) {
            continue;
        }
        for (const auto& [column, value] : {std::pair{low, lowValue}, std::pair{high, highValue}}) {
            auto number = RequiredNumber(row, column);
            if (auto* problem = std::get_if<RowProblem>(&number)) {
                return std::move(*problem);
            }
            *value = std::get<double>(number);
        }
        *has = true;
    }
    if (summary.hasRange) {
        ordered.emplace_back(group.min, summary.min);
    }
    if (summary.hasQuartiles) {
        ordered.emplace_back(group.q1, summary.q1);
    }
    if (given(group.median)) {
        auto median = RequiredNumber(row, group.median);
        if (auto* problem = std::get_if<RowProblem>(&median)) {
            return std::move(*problem);
        }
        summary.median = std::get<double>(median);
        ordered.emplace_back(group.median, summary.median);
    }
    if (summary.hasQuartiles) {
        ordered.emplace_back(group.q3, summary.q3);
    }
    if (summary.hasRange) {
        ordered.emplace_back(group.max, summary.max);
    }
    for (std::size_t i = 1; i < ordered.size(); ++i) {
        if (ordered[i - 1].second > ordered[i].second) {
            const Column below = ordered[i - 1].first;
            const Column above = ordered[i].first;
            return FieldProblem(std::string(row.Name(below)) + " is above " +
                                    std::string(row.Name(above)) + ": " + Quoted(row.Text(below)) +
                                    " and " + Quoted(row.Text(above)),
                                row.Name(below), LeftOutReason::OutOfRange);
        }
    }
    return summary;
}

// "iqr1", "range1", "range1 and iqr1": what a group's SD was estimated from.
std::string SpreadName(const meta::MedianSummary& summary, std::string_view group) {
    const std::string range = "range" + std::string(group);
    const std::string iqr = "iqr" + std::string(group);
    return summary.hasRange && summary.hasQuartiles ? range + " and " + iqr
           : summary.hasRange                       ? range
                                                    : iqr;
}

// A group's SD as the means source reads it: given, else from the SE, else from the interval,
// else from its range or quartiles (Wan et al. 2014), each where the group's size is usable.
// `from` collects the columns used.
std::variant<RowProblem, InputValue> GroupSd(const RowFields& row, const Group& group,
                                             const std::optional<meta::MedianSummary>& median,
                                             std::vector<std::string>& from) {
    const DataField given = ReadDataField(row.Text(group.sd));
    const bool spread = median && (median->hasRange || median->hasQuartiles);
    if (given.kind != DataField::Missing || (!row.text[At(group.se)] && !row.text[At(group.low)] &&
                                             !row.text[At(group.high)] && !spread)) {
        return InputValue{row.Name(group.sd), row.Text(group.sd), given};
    }
    if (!Given(row, group.se) && !Given(row, group.low) && !Given(row, group.high) && spread) {
        const InputValue none{row.Name(group.sd), {}, {DataField::Missing, 0}};
        const std::optional<std::int32_t> n = UsableSize(row, group.n);
        if (!n) {
            return none; // the size's own problem is named with the means
        }
        const std::string_view number = group.mean == Column::M1 ? "1" : "2";
        from.push_back(SpreadName(*median, number));
        const Column shown = median->hasQuartiles ? group.q1 : group.min;
        return InputValue{
            row.Name(shown), row.Text(shown), {DataField::Number, meta::SdFromMedian(*median, *n)}};
    }
    const InputValue none{row.Name(group.sd), {}, {DataField::Missing, 0}};
    const std::optional<std::int32_t> n = UsableSize(row, group.n);
    if (Given(row, group.se)) {
        const auto se = RequiredNumber(row, group.se);
        if (const auto* problem = std::get_if<RowProblem>(&se)) {
            return *problem;
        }
        if (std::get<double>(se) < 0) {
            return FieldProblem(std::string(row.Name(group.se)) +
                                    " must not be negative: " + Quoted(row.Text(group.se)),
                                row.Name(group.se), LeftOutReason::OutOfRange);
        }
        if (!n) {
            return none; // the size's own problem is named with the means
        }
        from.emplace_back(row.Name(group.se));
        return InputValue{row.Name(group.se),
                          row.Text(group.se),
                          {DataField::Number, meta::SdFromStandardError(std::get<double>(se), *n)}};
    }
    if (!Given(row, group.low) && !Given(row, group.high)) {
        return none;
    }
    const auto low = RequiredNumber(row, group.low);
    const auto high = RequiredNumber(row, group.high);
    for (const auto* bound : {&low, &high}) {
        if (const auto* problem = std::get_if<RowProblem>(bound)) {
            return *problem;
        }
    }
    if (std::get<double>(low) > std::get<double>(high)) {
        return FieldProblem(
            std::string(row.Name(group.low)) + " is above " + std::string(row.Name(group.high)) +
                ": " + Quoted(row.Text(group.low)) + " and " + Quoted(row.Text(group.high)),
            row.Name(group.low), LeftOutReason::OutOfRange);
    }
    const auto level = IntervalLevel(row);
    if (const auto* problem = std::get_if<RowProblem>(&level)) {
        return *problem;
    }
    if (!n) {
        return none;
    }
    from.emplace_back(row.Name(group.low).substr(0, 3)); // "ci1", as the header spells it
    return InputValue{
        row.Name(group.low),
        row.Text(group.low),
        {DataField::Number, meta::SdFromMeanInterval(std::get<double>(low), std::get<double>(high),
                                                     *n, std::get<double>(level))}};
}

} // namespace

std::variant<RowProblem, StudyRow> FromMeans(const RowFields& row) {
    std::vector<std::string> from;
    std::array<InputValue, engine::kInputCount> inputs;
    const auto plain = [&](Input input, Column column) {
        inputs[engine::Index(input)] = {row.Name(column), row.Text(column),
                                        ReadDataField(row.Text(column))};
    };
    plain(Input::ControlSize, Column::N1);
    plain(Input::ExperimentalSize, Column::N2);
    for (const Group* group : {&kControl, &kExperimental}) {
        auto median = MedianOf(row, *group);
        if (auto* problem = std::get_if<RowProblem>(&median)) {
            return std::move(*problem);
        }
        const auto& summary = std::get<std::optional<meta::MedianSummary>>(median);
        const Input meanInput =
            group->mean == Column::M1 ? Input::ControlMean : Input::ExperimentalMean;
        plain(meanInput, group->mean);
        // The mean from the median (Luo et al. 2018) where the row gives no mean.
        if (inputs[engine::Index(meanInput)].data.kind == DataField::Missing && summary &&
            Given(row, group->median) && (summary->hasRange || summary->hasQuartiles)) {
            if (const std::optional<std::int32_t> n = UsableSize(row, group->n)) {
                from.emplace_back(row.Name(group->median));
                inputs[engine::Index(meanInput)] = {
                    row.Name(group->median),
                    row.Text(group->median),
                    {DataField::Number, meta::MeanFromMedian(*summary, *n)}};
            }
        }
        auto sd = GroupSd(row, *group, summary, from);
        if (auto* problem = std::get_if<RowProblem>(&sd)) {
            return std::move(*problem);
        }
        inputs[engine::Index(group->sdInput)] = std::get<InputValue>(sd);
    }
    auto result = EvaluateMeans(inputs);
    auto* study = std::get_if<StudyRow>(&result);
    if (study != nullptr && !study->computedFrom.empty() && !from.empty()) {
        study->computedFrom += " (";
        for (std::size_t i = 0; i < from.size(); ++i) {
            study->computedFrom += (i > 0 ? ", " : "") + from[i];
        }
        study->computedFrom += ")";
    }
    return result;
}

} // namespace tavrel::table
