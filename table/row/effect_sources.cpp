#include "table/row/effect_sources.h"

#include "engine/bias_factor.h"
#include "meta/study/conversions.h"
#include "table/row/consistency.h"
#include "table/row/means_source.h"
#include "table/row/measure_row.h"
#include "table/row/source_fields.h"
#include "table/row/written_number.h"

#include <algorithm>
#include <cmath>

namespace tavrel::table {

namespace {

using engine::CalcMode;

// Any of these makes the means worth trying (the sizes alone do not: every source has them).
constexpr std::array kMeansColumns = {
    Column::M1,      Column::M2,     Column::SD1,     Column::SD2,    Column::SE1,
    Column::SE2,     Column::CI1Low, Column::CI1High, Column::CI2Low, Column::CI2High,
    Column::Median1, Column::Q1_1,   Column::Q3_1,    Column::Min1,   Column::Max1,
    Column::Median2, Column::Q1_2,   Column::Q3_2,    Column::Min2,   Column::Max2};

// A direction for an F or a p, which have none of their own.
std::variant<RowProblem, int> Direction(const RowFields& row, Column statistic) {
    const std::string_view text = TrimBlanks(row.Text(Column::Sign));
    if (text.empty() || ReadDataField(text).kind == DataField::Missing) {
        return FieldProblem(std::string(row.Name(Column::Sign)) + " is missing: " +
                                std::string(row.Name(statistic)) + " gives no direction",
                            row.Name(Column::Sign), LeftOutReason::MissingValue);
    }
    if (const std::optional<int> sign = ReadSign(text)) {
        return *sign;
    }
    return FieldProblem(std::string(row.Name(Column::Sign)) +
                            " is not +, -, 1, -1, positive or negative: " + Quoted(text),
                        row.Name(Column::Sign), LeftOutReason::NotANumber);
}

// Cohen's d from a t, F, p, d or g row, with the sizes it needs.
std::variant<RowProblem, double> CohensD(const RowFields& row, EffectSource source, std::int32_t n1,
                                         std::int32_t n2) {
    const Column column = SourceColumn(source);
    const auto read = RequiredNumber(row, column);
    if (const auto* problem = std::get_if<RowProblem>(&read)) {
        return *problem;
    }
    const double value = std::get<double>(read);
    const std::string name(row.Name(column));
    const std::int64_t df = std::int64_t{n1} + n2 - 2;
    switch (source) {
    case EffectSource::T:
        return meta::DFromT(value, n1, n2);
    case EffectSource::F:
    case EffectSource::P: {
        const bool f = source == EffectSource::F;
        if (f ? value < 0 : !(value > 0 && value <= 1)) {
            return FieldProblem(
                name + (f ? " must not be negative: " : " must be above 0 and at most 1: ") +
                    Quoted(row.Text(column)),
                row.Name(column), LeftOutReason::OutOfRange);
        }
        const double t =
            f ? std::sqrt(value) : meta::AbsoluteTFromP(value, static_cast<double>(df));
        if (t == 0) {
            return 0.0; // F = 0 or p = 1: no direction needed
        }
        const auto sign = Direction(row, column);
        if (const auto* problem = std::get_if<RowProblem>(&sign)) {
            return *problem;
        }
        return meta::DFromT(std::get<int>(sign) * t, n1, n2);
    }
    case EffectSource::G:
        return value / engine::ExactBiasFactor(df);
    default:
        return value;
    }
}

std::variant<RowProblem, StudyRow> FromEffectSize(const RowFields& row) {
    const auto given = GivenEffectSize(row);
    if (const auto* problem = std::get_if<RowProblem>(&given)) {
        return *problem;
    }
    StudyRow study;
    study.source = EffectSource::Es;
    study.vi = std::get<meta::Study>(given).vi;
    study.values.HedgesG = std::get<meta::Study>(given).yi;
    study.values.HedgesSD = std::sqrt(study.vi);
    return study;
}

// d from a 2x2 table's log odds ratio (Chinn 2000), as escalc's "OR2DL" gives it.
std::variant<RowProblem, StudyRow> FromCounts(const RowFields& row) {
    const auto counts = RowCounts(row);
    if (const auto* problem = std::get_if<RowProblem>(&counts)) {
        return *problem;
    }
    const meta::Study d = LogOddsRatioAsD(Continuity(std::get<TwoByTwo>(counts)));
    StudyRow study;
    study.source = EffectSource::Counts;
    study.vi = d.vi;
    study.values.HedgesG = d.yi;
    study.values.HedgesSD = std::sqrt(d.vi);
    return study;
}

std::variant<RowProblem, StudyRow> FromStatistic(const RowFields& row, EffectSource source) {
    if (source == EffectSource::Means) {
        return FromMeans(row);
    }
    std::variant<RowProblem, StudyRow> result = [&]() -> std::variant<RowProblem, StudyRow> {
        if (source == EffectSource::Es) {
            return FromEffectSize(row);
        }
        if (source == EffectSource::Counts) {
            return FromCounts(row);
        }
        std::array<std::int32_t, 2> n{};
        for (std::size_t i = 0; i < 2; ++i) {
            const Column size = i == 0 ? Column::N1 : Column::N2;
            const DataField field = ReadDataField(row.Text(size));
            if (std::optional<RowProblem> problem =
                    SizeProblem(field, row.Name(size), row.Text(size))) {
                problem->field = row.Name(size);
                return *problem;
            }
            n[i] = static_cast<std::int32_t>(field.value);
        }
        const auto d = CohensD(row, source, n[0], n[1]);
        if (const auto* problem = std::get_if<RowProblem>(&d)) {
            return *problem;
        }
        StudyRow study;
        study.source = source;
        study.stats.N1 = n[0];
        study.stats.N2 = n[1];
        engine::CompleteFromCohensD(std::get<double>(d), n[0], n[1], engine::Correction::Exact,
                                    study.values);
        study.vi = study.values.HedgesSD * study.values.HedgesSD;
        return study;
    }();
    auto* study = std::get_if<StudyRow>(&result);
    if (study == nullptr) {
        return result;
    }
    std::vector<engine::ResultText> shown =
        engine::ShowResults(CalcMode::AllResults, study->values);
    std::erase_if(shown,
                  [&](const engine::ResultText& text) { return !study->Determines(text.result); });
    study->shown = std::move(shown);
    if (std::isfinite(study->values.HedgesG) && std::isfinite(study->vi)) {
        study->computedFrom = source == EffectSource::Counts ? "counts (d from the log odds ratio)"
                                                             : std::string(SourceName(source));
    } else {
        study->noEffect = RowProblem{"the effect size is not finite: the numbers are beyond the "
                                     "range of a double",
                                     std::nullopt, LeftOutReason::NotFinite};
    }
    return result;
}

bool Complete(const std::variant<RowProblem, StudyRow>& result) {
    const auto* study = std::get_if<StudyRow>(&result);
    return study != nullptr && study->mode == CalcMode::AllResults && !study->noEffect;
}

} // namespace

std::optional<std::string> MissingColumns(const std::array<bool, kColumnCount>& has) {
    const auto needs = [&](std::initializer_list<Column> columns) {
        return std::all_of(columns.begin(), columns.end(), [&](Column c) { return has[At(c)]; });
    };
    const bool sizes = needs({Column::N1, Column::N2});
    const bool direction = has[At(Column::Sign)];
    if ((sizes && (has[At(Column::T)] || has[At(Column::D)] || has[At(Column::G)] ||
                   (direction && (has[At(Column::F)] || has[At(Column::P)])))) ||
        (has[At(Column::Es)] && (has[At(Column::EsVar)] || has[At(Column::EsSe)])) ||
        !MissingMeasureColumns(Measure::OR, has)) {
        return std::nullopt;
    }
    // The means: each group's SD may come from its SE, its interval, its range or its
    // quartiles instead, and its mean from its median with its range or quartiles.
    std::vector<std::string_view> missing;
    for (const Group* group : {&kControl, &kExperimental}) {
        for (const Column column : {group->mean, group->sd, group->n}) {
            const bool found = column == group->mean ? GroupHasMean(*group, has)
                               : column == group->sd ? GroupHasSd(*group, has)
                                                     : has[At(column)];
            if (!found) {
                missing.push_back(kColumnNames[At(column)]);
            }
        }
    }
    std::sort(missing.begin(), missing.end(), [](std::string_view a, std::string_view b) {
        const auto rank = [](std::string_view name) {
            return std::find(kColumnNames.begin(), kColumnNames.end(), name) - kColumnNames.begin();
        };
        return rank(a) < rank(b);
    });
    if (missing.empty()) {
        return std::nullopt;
    }
    std::string message = "missing column: ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        message += (i > 0 ? ", " : "") + std::string(missing[i]);
    }
    return message;
}

std::variant<RowProblem, StudyRow> EvaluateRow(const RowFields& row) {
    const auto has = [&](EffectSource source) {
        if (source == EffectSource::Means) {
            return std::any_of(kMeansColumns.begin(), kMeansColumns.end(),
                               [&](Column column) { return Given(row, column); });
        }
        if (source == EffectSource::Counts) {
            return GivesCounts(row);
        }
        return Given(row, SourceColumn(source));
    };
    std::optional<std::variant<RowProblem, StudyRow>> mostDirect;
    // What made the means fail where the row gave them a value: a typo or a value out of range
    // is never passed over in silence for the next source. (A t, F, p, d or g that cannot be
    // read is said by the consistency check, as "not compared".)
    std::string passedOver;
    for (const EffectSource source : kSources) {
        if (!has(source)) {
            continue;
        }
        std::variant<RowProblem, StudyRow> result = FromStatistic(row, source);
        if (Complete(result)) {
            StudyRow& study = std::get<StudyRow>(result);
            Consistency consistency = CheckConsistency(row, study);
            study.consistency = std::move(consistency.text);
            study.disagrees = consistency.disagrees;
            if (!passedOver.empty()) {
                study.consistency = "passed over: " + passedOver +
                                    (study.consistency.empty() ? "" : "; " + study.consistency);
                study.passedOver = true;
            }
            return result;
        }
        if (const auto* problem = std::get_if<RowProblem>(&result);
            source == EffectSource::Means && problem != nullptr &&
            (problem->reason == LeftOutReason::NotANumber ||
             problem->reason == LeftOutReason::OutOfRange)) {
            passedOver += (passedOver.empty() ? "" : "; ") + problem->message;
        }
        if (!mostDirect) {
            mostDirect = std::move(result);
        }
    }
    if (mostDirect) {
        return *mostDirect;
    }
    if (row.text[At(Column::M1)] || row.text[At(Column::M2)]) {
        return FromMeans(row); // names what the means lack, as a table of means always has
    }
    std::vector<std::string_view> columns;
    for (const Column column : kSourceColumns) {
        if (row.text[At(column)]) {
            columns.push_back(row.Name(column));
        }
    }
    return RowProblem{MissingMessage(columns), std::nullopt, LeftOutReason::MissingValue};
}

} // namespace tavrel::table
