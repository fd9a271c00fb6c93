#include "table/row/measure_row.h"

#include "table/row/means_source.h"
#include "table/row/source_fields.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace tavrel::table {

namespace {

constexpr std::array kMeansColumns = {
    Column::M1,     Column::SD1,     Column::N1,      Column::M2,      Column::SD2,
    Column::N2,     Column::SE1,     Column::SE2,     Column::CI1Low,  Column::CI1High,
    Column::CI2Low, Column::CI2High, Column::CILevel, Column::Median1, Column::Q1_1,
    Column::Q3_1,   Column::Min1,    Column::Max1,    Column::Median2, Column::Q1_2,
    Column::Q3_2,   Column::Min2,    Column::Max2};
constexpr std::array kCountColumns = {Column::Events1, Column::N1, Column::Events2, Column::N2,
                                      Column::Ai,      Column::Bi, Column::Ci,      Column::Di};
constexpr std::array kOurCounts = {Column::Events1, Column::N1, Column::Events2, Column::N2};
constexpr std::array kEscalcCounts = {Column::Ai, Column::Bi, Column::Ci, Column::Di};
constexpr std::array kCorrelationColumns = {Column::R, Column::N};
constexpr std::array kGivenColumns = {Column::Es, Column::EsVar, Column::EsSe};
constexpr std::array kPrePostColumns = {Column::MPre,   Column::SDPre, Column::MPost,
                                        Column::SDPost, Column::N,     Column::RPrePost};

template <std::size_t Size> bool Among(const std::array<Column, Size>& columns, Column column) {
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

template <std::size_t Size>
bool HasAll(const std::array<Column, Size>& columns, const std::array<bool, kColumnCount>& has) {
    return std::all_of(columns.begin(), columns.end(), [&](Column c) { return has[At(c)]; });
}

template <std::size_t Size>
std::string MissingOf(const std::array<Column, Size>& columns,
                      const std::array<bool, kColumnCount>& has) {
    std::string message = "missing column: ";
    bool first = true;
    for (const Column column : columns) {
        if (!has[At(column)]) {
            message += (first ? "" : ", ") + std::string(kColumnNames[At(column)]);
            first = false;
        }
    }
    return message;
}

// A number at least `minimum` (and, where `whole`, a whole one), or why not.
std::variant<RowProblem, double> Bounded(const RowFields& row, Column column, double minimum,
                                         bool whole) {
    auto value = RequiredNumber(row, column);
    if (const auto* number = std::get_if<double>(&value);
        number != nullptr && (*number < minimum || (whole && *number != std::floor(*number)))) {
        const std::string what =
            whole ? " must be a whole number of at least " : " must be at least ";
        return FieldProblem(std::string(row.Name(column)) + what +
                                (minimum == 0 ? "0" : std::to_string(static_cast<int>(minimum))) +
                                ": " + Quoted(row.Text(column)),
                            row.Name(column), LeftOutReason::OutOfRange);
    }
    return value;
}

// A correlation, from -1 to 1 (strictly inside for Fisher's z), or why not.
std::variant<RowProblem, double> CorrelationIn(const RowFields& row, Column column, bool open) {
    auto value = RequiredNumber(row, column);
    if (const auto* r = std::get_if<double>(&value);
        r != nullptr && (open ? !(std::fabs(*r) < 1) : !(std::fabs(*r) <= 1))) {
        return FieldProblem(
            std::string(row.Name(column)) +
                (open ? " must be above -1 and below 1: " : " must be from -1 to 1: ") +
                Quoted(row.Text(column)),
            row.Name(column), LeftOutReason::OutOfRange);
    }
    return value;
}

// The first problem of several read values, or none.
template <typename... Values> const RowProblem* FirstProblem(const Values&... values) {
    const RowProblem* problem = nullptr;
    ((problem = problem != nullptr ? problem : std::get_if<RowProblem>(&values)), ...);
    return problem;
}

std::variant<RowProblem, MeasureRow> FromMeansIn(Measure measure, const RowFields& row) {
    auto means = FromMeans(row);
    if (auto* problem = std::get_if<RowProblem>(&means)) {
        return std::move(*problem);
    }
    StudyRow& study = std::get<StudyRow>(means);
    if (study.mode != engine::CalcMode::AllResults) {
        return std::move(*study.noEffect); // a partial mode says what it lacks
    }
    const engine::SummaryStats& s = study.stats;
    const GroupSummary control{s.M1, s.SD1, s.N1};
    const GroupSummary experimental{s.M2, s.SD2, s.N2};
    if (measure == Measure::ROM) {
        for (const Column mean : {Column::M1, Column::M2}) {
            if (!(ReadDataField(row.Text(mean)).value > 0)) {
                return FieldProblem(
                    std::string(row.Name(mean)) +
                        " must be above 0 for a ratio of means: " + Quoted(row.Text(mean)),
                    row.Name(mean), LeftOutReason::OutOfRange);
            }
        }
        return MeasureRow{LogRatioOfMeans(control, experimental), study.computedFrom};
    }
    return MeasureRow{MeanDifference(control, experimental), study.computedFrom};
}

std::variant<RowProblem, MeasureRow> FromCorrelation(Measure measure, const RowFields& row) {
    const bool fisher = measure == Measure::ZCOR;
    const auto r = CorrelationIn(row, Column::R, fisher);
    const auto n = Bounded(row, Column::N, fisher ? 4 : 2, true);
    if (const RowProblem* problem = FirstProblem(r, n)) {
        return *problem;
    }
    const auto pairs = static_cast<std::int64_t>(std::get<double>(n));
    return MeasureRow{fisher ? FisherZ(std::get<double>(r), pairs)
                             : Correlation(std::get<double>(r), pairs),
                      "r"};
}

std::variant<RowProblem, MeasureRow> FromPrePost(Measure measure, const RowFields& row) {
    const bool standardized = measure != Measure::MC;
    const bool postSd = measure != Measure::SMCR; // raw-score standardization needs the pre SD
    const auto preMean = RequiredNumber(row, Column::MPre);
    const auto postMean = RequiredNumber(row, Column::MPost);
    const auto preSd = Bounded(row, Column::SDPre, 0, false);
    const auto postSdValue =
        postSd ? Bounded(row, Column::SDPost, 0, false) : std::variant<RowProblem, double>(0.0);
    const auto n = Bounded(row, Column::N, standardized ? 3 : 2, true);
    const auto r = CorrelationIn(row, Column::RPrePost, false);
    if (const RowProblem* problem = FirstProblem(preMean, postMean, preSd, postSdValue, n, r)) {
        return *problem;
    }
    const auto size = static_cast<std::int64_t>(std::get<double>(n));
    const GroupSummary pre{std::get<double>(preMean), std::get<double>(preSd), size};
    const GroupSummary post{std::get<double>(postMean), std::get<double>(postSdValue), size};
    const double correlation = std::get<double>(r);
    if (measure == Measure::SMCR && !(pre.sd > 0)) {
        return FieldProblem(
            std::string(row.Name(Column::SDPre)) +
                " must be above 0 to standardize by it: " + Quoted(row.Text(Column::SDPre)),
            row.Name(Column::SDPre), LeftOutReason::OutOfRange);
    }
    switch (measure) {
    case Measure::MC:
        return MeasureRow{MeanChange(pre, post, correlation), "pre-post"};
    case Measure::SMCC:
        return MeasureRow{ChangeScoreStandardized(pre, post, correlation), "pre-post"};
    default:
        return MeasureRow{RawScoreStandardized(pre, post, correlation), "pre-post"};
    }
}

std::variant<RowProblem, MeasureRow> FromCounts(Measure measure, const RowFields& row) {
    const auto counts = RowCounts(row);
    if (const auto* problem = std::get_if<RowProblem>(&counts)) {
        return *problem;
    }
    const TwoByTwo table = Continuity(std::get<TwoByTwo>(counts));
    switch (measure) {
    case Measure::OR:
        return MeasureRow{LogOddsRatio(table), "counts"};
    case Measure::RR:
        return MeasureRow{LogRiskRatio(table), "counts"};
    default:
        return MeasureRow{RiskDifference(table), "counts"};
    }
}

} // namespace

bool ReadsColumn(Measure measure, Column column) {
    if (Among(kGivenColumns, column)) {
        return true; // an effect size as given, in any measure
    }
    switch (measure) {
    case Measure::SMD:
        return At(column) <= At(Column::EsSe) || Among(kCountColumns, column) ||
               Among(kMeansColumns, column);
    case Measure::MD:
    case Measure::ROM:
        return Among(kMeansColumns, column);
    case Measure::OR:
    case Measure::RR:
    case Measure::RD:
        return Among(kCountColumns, column);
    case Measure::COR:
    case Measure::ZCOR:
        return Among(kCorrelationColumns, column);
    case Measure::MC:
    case Measure::SMCC:
    case Measure::SMCR:
        break;
    }
    return Among(kPrePostColumns, column);
}

std::optional<std::string> MissingMeasureColumns(Measure measure,
                                                 const std::array<bool, kColumnCount>& has) {
    if (has[At(Column::Es)] && (has[At(Column::EsVar)] || has[At(Column::EsSe)])) {
        return std::nullopt; // effect sizes as given
    }
    switch (measure) {
    case Measure::OR:
    case Measure::RR:
    case Measure::RD:
        if (HasAll(kOurCounts, has) || HasAll(kEscalcCounts, has)) {
            return std::nullopt;
        }
        return std::any_of(kEscalcCounts.begin(), kEscalcCounts.end(),
                           [&](Column c) { return has[At(c)]; })
                   ? MissingOf(kEscalcCounts, has)
                   : MissingOf(kOurCounts, has);
    case Measure::COR:
    case Measure::ZCOR:
        return HasAll(kCorrelationColumns, has)
                   ? std::nullopt
                   : std::optional(MissingOf(kCorrelationColumns, has));
    case Measure::MC:
    case Measure::SMCC:
    case Measure::SMCR: {
        std::array<bool, kColumnCount> needed = has;
        needed[At(Column::SDPost)] = needed[At(Column::SDPost)] || measure == Measure::SMCR;
        return HasAll(kPrePostColumns, needed) ? std::nullopt
                                               : std::optional(MissingOf(kPrePostColumns, needed));
    }
    default:
        break;
    }
    // MD and ROM: the means, each SD perhaps from its SE or interval, as SMD's means source.
    std::array<bool, kColumnCount> needed = has;
    for (const Group* group : {&kControl, &kExperimental}) {
        needed[At(group->mean)] = GroupHasMean(*group, has);
        needed[At(group->sd)] = GroupHasSd(*group, has);
    }
    constexpr std::array kSix = {Column::M1, Column::SD1, Column::N1,
                                 Column::M2, Column::SD2, Column::N2};
    return HasAll(kSix, needed) ? std::nullopt : std::optional(MissingOf(kSix, needed));
}

std::variant<RowProblem, MeasureRow> EvaluateMeasureRow(Measure measure, const RowFields& row) {
    // A row that gives none of the measure's own columns may give its effect size as it is.
    const bool ownColumns = std::any_of(kColumnNames.begin(), kColumnNames.end(), [&](auto& name) {
        const auto column = static_cast<Column>(&name - kColumnNames.data());
        return ReadsColumn(measure, column) && !Among(kGivenColumns, column) && Given(row, column);
    });
    if (!ownColumns && row.text[At(Column::Es)]) {
        const auto given = GivenEffectSize(row);
        if (const auto* problem = std::get_if<RowProblem>(&given)) {
            return *problem;
        }
        return MeasureRow{std::get<meta::Study>(given), "es"};
    }
    switch (measure) {
    case Measure::MD:
    case Measure::ROM:
        return FromMeansIn(measure, row);
    case Measure::OR:
    case Measure::RR:
    case Measure::RD:
        return FromCounts(measure, row);
    case Measure::COR:
    case Measure::ZCOR:
        return FromCorrelation(measure, row);
    default:
        return FromPrePost(measure, row);
    }
}

bool GivesCounts(const RowFields& row) {
    return Given(row, Column::Events1) || Given(row, Column::Events2) || Given(row, Column::Ai) ||
           Given(row, Column::Bi) || Given(row, Column::Ci) || Given(row, Column::Di);
}

std::variant<RowProblem, TwoByTwo> RowCounts(const RowFields& row) {
    if (row.text[At(Column::Ai)]) {
        std::array<double, 4> cells{};
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto cell = Bounded(row, kEscalcCounts[i], 0, true);
            if (const auto* problem = std::get_if<RowProblem>(&cell)) {
                return *problem;
            }
            cells[i] = std::get<double>(cell);
        }
        for (const std::size_t events : {0, 2}) {
            if (cells[events] + cells[events + 1] == 0) {
                const Column first = kEscalcCounts[events];
                return FieldProblem(std::string(row.Name(first)) + " and " +
                                        std::string(row.Name(kEscalcCounts[events + 1])) +
                                        " are both 0: a group without subjects",
                                    row.Name(first), LeftOutReason::OutOfRange);
            }
        }
        return TwoByTwo{cells[0], cells[1], cells[2], cells[3]};
    }
    const auto events1 = Bounded(row, Column::Events1, 0, true);
    const auto n1 = Bounded(row, Column::N1, 1, true);
    const auto events2 = Bounded(row, Column::Events2, 0, true);
    const auto n2 = Bounded(row, Column::N2, 1, true);
    if (const RowProblem* problem = FirstProblem(events1, n1, events2, n2)) {
        return *problem;
    }
    for (const auto& [events, n] :
         {std::pair{Column::Events1, Column::N1}, std::pair{Column::Events2, Column::N2}}) {
        if (ReadDataField(row.Text(events)).value > ReadDataField(row.Text(n)).value) {
            return FieldProblem(std::string(row.Name(events)) + " is above " +
                                    std::string(row.Name(n)) + ": " + Quoted(row.Text(events)) +
                                    " of " + Quoted(row.Text(n)),
                                row.Name(events), LeftOutReason::OutOfRange);
        }
    }
    const double e1 = std::get<double>(events1);
    const double e2 = std::get<double>(events2);
    return TwoByTwo{e2, std::get<double>(n2) - e2, e1, std::get<double>(n1) - e1};
}

} // namespace tavrel::table
