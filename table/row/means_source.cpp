#include "table/row/means_source.h"

#include "meta/study/conversions.h"
#include "table/row/source_fields.h"

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

// A group's SD as the means source reads it: given, else from the SE, else from the interval
// (each where the group's size is usable). `from` collects the columns used.
std::variant<RowProblem, InputValue> GroupSd(const RowFields& row, const Group& group,
                                             std::vector<std::string_view>& from) {
    const DataField given = ReadDataField(row.Text(group.sd));
    if (given.kind != DataField::Missing ||
        (!row.text[At(group.se)] && !row.text[At(group.low)] && !row.text[At(group.high)])) {
        return InputValue{row.Name(group.sd), row.Text(group.sd), given};
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
        from.push_back(row.Name(group.se));
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
    from.push_back(row.Name(group.low).substr(0, 3)); // "ci1", as the header spells it
    return InputValue{
        row.Name(group.low),
        row.Text(group.low),
        {DataField::Number, meta::SdFromMeanInterval(std::get<double>(low), std::get<double>(high),
                                                     *n, std::get<double>(level))}};
}

} // namespace

std::variant<RowProblem, StudyRow> FromMeans(const RowFields& row) {
    std::vector<std::string_view> from;
    std::array<InputValue, engine::kInputCount> inputs;
    const auto plain = [&](Input input, Column column) {
        inputs[engine::Index(input)] = {row.Name(column), row.Text(column),
                                        ReadDataField(row.Text(column))};
    };
    plain(Input::ControlMean, Column::M1);
    plain(Input::ControlSize, Column::N1);
    plain(Input::ExperimentalMean, Column::M2);
    plain(Input::ExperimentalSize, Column::N2);
    for (const Group* group : {&kControl, &kExperimental}) {
        auto sd = GroupSd(row, *group, from);
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
            study->computedFrom += (i > 0 ? ", " : "") + std::string(from[i]);
        }
        study->computedFrom += ")";
    }
    return result;
}

} // namespace tavrel::table
