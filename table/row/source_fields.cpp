#include "table/row/source_fields.h"

namespace tavrel::table {

namespace {

bool Spread(const Group& group, const std::array<bool, kColumnCount>& has) {
    return (has[At(group.min)] && has[At(group.max)]) || (has[At(group.q1)] && has[At(group.q3)]);
}

} // namespace

bool GroupHasMean(const Group& group, const std::array<bool, kColumnCount>& has) {
    return has[At(group.mean)] || (has[At(group.median)] && Spread(group, has));
}

bool GroupHasSd(const Group& group, const std::array<bool, kColumnCount>& has) {
    return has[At(group.sd)] || has[At(group.se)] || (has[At(group.low)] && has[At(group.high)]) ||
           Spread(group, has);
}

bool Given(const RowFields& row, Column column) {
    return row.text[At(column)] && ReadDataField(*row.text[At(column)]).kind != DataField::Missing;
}

RowProblem FieldProblem(std::string message, std::string_view field, LeftOutReason reason) {
    return {std::move(message), std::nullopt, reason, field};
}

// A field that a source needs as a number.
std::variant<RowProblem, double> RequiredNumber(const RowFields& row, Column column) {
    const DataField field = ReadDataField(row.Text(column));
    const std::string name(row.Name(column));
    switch (field.kind) {
    case DataField::Number:
        return field.value;
    case DataField::Missing:
        return FieldProblem(name + " is missing", row.Name(column), LeftOutReason::MissingValue);
    case DataField::NotFinite:
        return FieldProblem(name + " is not a finite number: " + Quoted(row.Text(column)),
                            row.Name(column), LeftOutReason::NotANumber);
    case DataField::NotANumber:
        break;
    }
    return FieldProblem(name + " is not a number: " + Quoted(row.Text(column)), row.Name(column),
                        LeftOutReason::NotANumber);
}

std::variant<RowProblem, meta::Study> GivenEffectSize(const RowFields& row) {
    const auto es = RequiredNumber(row, Column::Es);
    if (const auto* problem = std::get_if<RowProblem>(&es)) {
        return *problem;
    }
    const Column spread =
        Given(row, Column::EsVar) || !Given(row, Column::EsSe) ? Column::EsVar : Column::EsSe;
    if (!row.text[At(spread)]) {
        return FieldProblem(std::string(row.Name(Column::EsVar)) + " or " +
                                std::string(row.Name(Column::EsSe)) + " is missing",
                            {}, LeftOutReason::MissingValue);
    }
    const auto given = RequiredNumber(row, spread);
    if (const auto* problem = std::get_if<RowProblem>(&given)) {
        return *problem;
    }
    const double value = std::get<double>(given);
    if (!(value > 0)) {
        return FieldProblem(std::string(row.Name(spread)) +
                                " must be above 0: " + Quoted(row.Text(spread)),
                            row.Name(spread), LeftOutReason::OutOfRange);
    }
    return meta::Study{std::get<double>(es), spread == Column::EsVar ? value : value * value};
}

std::optional<std::int32_t> UsableSize(const RowFields& row, Column n) {
    const DataField size = ReadDataField(row.Text(n));
    if (SizeProblem(size, row.Name(n), row.Text(n))) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(size.value);
}

} // namespace tavrel::table
