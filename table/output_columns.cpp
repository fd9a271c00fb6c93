#include "table/output_columns.h"

#include "engine/quantities.h"

#include <array>

namespace tavrel::table {

namespace {

using engine::CalcMode;
using engine::EffectSizeResults;
using engine::Result;

void Empty(csv::CsvWriter& out) {
    out.PlainField({});
}

// The window's text of a result, where the row's mode shows it.
template <Result R> void Text(const RowResults& row, csv::CsvWriter& out) {
    if (row.study != nullptr) {
        for (const engine::ResultText& shown : row.study->shown) {
            if (shown.result == R) {
                out.PlainField(shown.text); // texts hold no delimiter, quote or line break
                return;
            }
        }
    }
    Empty(out);
}

// A value at full precision, where the row's source and mode determine its result.
template <double EffectSizeResults::*Value, Result R>
void Number(const RowResults& row, csv::CsvWriter& out) {
    if (row.study != nullptr && row.study->Determines(R)) {
        out.Number(row.study->values.*Value);
    } else {
        Empty(out);
    }
}

// A value that needs the groups' sizes (df, the correction) or their means and SDs (cl_z).
bool HasSizes(const RowResults& row) {
    return row.study != nullptr && row.study->HasSizes();
}

template <double EffectSizeResults::*Value, bool (*Known)(const RowResults&)>
void Computed(const RowResults& row, csv::CsvWriter& out) {
    if (Known(row)) {
        out.Number(row.study->values.*Value);
    } else {
        Empty(out);
    }
}

bool HasMeans(const RowResults& row) {
    return row.study != nullptr && row.study->Determines(Result::CommonLanguage);
}

// Where the row is pooled: yi, vi and the intervals.
template <double (*Of)(const RowResults&)> void Pooled(const RowResults& row, csv::CsvWriter& out) {
    row.pooled ? out.Number(Of(row)) : Empty(out);
}

template <Result... R> constexpr auto TextColumns(std::integer_sequence<Result, R...>) {
    return std::array<OutputColumn, sizeof...(R)>{
        OutputColumn{engine::Describe(R).caption, &Text<R>}...};
}

template <std::size_t... I> constexpr auto TextColumns(std::index_sequence<I...>) {
    return TextColumns(std::integer_sequence<Result, engine::kResults[I]...>{});
}

template <std::size_t A, std::size_t B>
constexpr std::array<OutputColumn, A + B> Joined(const std::array<OutputColumn, A>& a,
                                                 const std::array<OutputColumn, B>& b) {
    std::array<OutputColumn, A + B> joined{};
    for (std::size_t i = 0; i < A; ++i) {
        joined[i] = a[i];
    }
    for (std::size_t i = 0; i < B; ++i) {
        joined[A + i] = b[i];
    }
    return joined;
}

const auto kStatus = std::to_array<OutputColumn>({
    {"mode", [](const RowResults& row, csv::CsvWriter& out) { out.PlainField(row.mode); }},
    {"error", [](const RowResults& row, csv::CsvWriter& out) { out.Field(row.error); }},
    {"error_field", [](const RowResults& row, csv::CsvWriter& out) { out.Field(row.errorField); }},
});
static_assert(kStatus.size() == kStatusColumns);

// Where the effect size came from, and what the row's other numbers say of it.
const auto kSourceColumns = std::to_array<OutputColumn>({
    {"computed_from",
     [](const RowResults& row, csv::CsvWriter& out) {
         row.study != nullptr ? out.Field(row.study->computedFrom) : Empty(out);
     }},
    {"consistency",
     [](const RowResults& row, csv::CsvWriter& out) {
         row.study != nullptr ? out.Field(row.study->consistency) : Empty(out);
     }},
});

// The computed members at full precision, named so that R, pandas and SPSS take the names as
// they are.
const auto kValues = std::to_array<OutputColumn>({
    {"pooled_sd", &Number<&EffectSizeResults::PooledSD, Result::PooledSD>},
    {"mean_diff", &Number<&EffectSizeResults::MeanDiff, Result::MeanDifference>},
    {"glass_delta", &Number<&EffectSizeResults::GlassDelta, Result::GlassDelta>},
    {"cohen_d", &Number<&EffectSizeResults::CohenD, Result::CohensD>},
    {"r_value", &Number<&EffectSizeResults::R, Result::R>},
    {"df",
     [](const RowResults& row, csv::CsvWriter& out) {
         // A whole number, written as one.
         HasSizes(row) ? out.Integer(row.study->values.DF) : Empty(out);
     }},
    {"bias_factor", &Computed<&EffectSizeResults::BiasFactor, &HasSizes>},
    {"hedges_g",
     [](const RowResults& row, csv::CsvWriter& out) {
         row.study != nullptr&& row.study->Determines(Result::HedgesG) ? out.PlainField(row.hedgesG)
                                                                       : Empty(out);
     }},
    {"hedges_g_sd", &Number<&EffectSizeResults::HedgesSD, Result::HedgesGSD>},
    {"cl_z", &Computed<&EffectSizeResults::CLZ, &HasMeans>},
    {"cles", &Number<&EffectSizeResults::CLES, Result::CommonLanguage>},
    {"yi", [](const RowResults& row,
              csv::CsvWriter& out) { row.pooled ? out.PlainField(row.hedgesG) : Empty(out); }},
    {"vi", &Pooled<[](const RowResults& row) { return row.study->vi; }>},
    {"g_ci_low", &Pooled<[](const RowResults& row) { return row.g.low; }>},
    {"g_ci_high", &Pooled<[](const RowResults& row) { return row.g.high; }>},
    {"d_ci_low",
     [](const RowResults& row,
        csv::CsvWriter&
            out) { row.noncentral != nullptr ? out.Number(row.noncentral->low) : Empty(out); },
     true},
    {"d_ci_high",
     [](const RowResults& row,
        csv::CsvWriter&
            out) { row.noncentral != nullptr ? out.Number(row.noncentral->high) : Empty(out); },
     true},
});

const auto kColumns = Joined(Joined(Joined(kStatus, kSourceColumns),
                                    TextColumns(std::make_index_sequence<engine::kResultCount>{})),
                             kValues);

// A measured row's value, or its value as shown to a reader.
template <double (*Of)(const RowResults&), bool Transformed>
void Measured(const RowResults& row, csv::CsvWriter& out) {
    if (row.measured == nullptr) {
        Empty(out);
    } else {
        out.Number(Transformed ? Shown(row.transform, Of(row)) : Of(row));
    }
}

double MeasuredYi(const RowResults& row) {
    return row.measured->effect.yi;
}
double IntervalLow(const RowResults& row) {
    return row.g.low;
}
double IntervalHigh(const RowResults& row) {
    return row.g.high;
}

const auto kMeasured = std::to_array<OutputColumn>({
    {"computed_from",
     [](const RowResults& row, csv::CsvWriter& out) {
         row.measured != nullptr ? out.Field(row.measured->computedFrom) : Empty(out);
     }},
    {"yi", [](const RowResults& row,
              csv::CsvWriter& out) { row.measured ? out.PlainField(row.hedgesG) : Empty(out); }},
    {"vi", &Measured<[](const RowResults& row) { return row.measured->effect.vi; }, false>},
    {"ci_low", &Measured<&IntervalLow, false>},
    {"ci_high", &Measured<&IntervalHigh, false>},
});
const auto kTransformed = std::to_array<OutputColumn>({
    {"yi_transformed", &Measured<&MeasuredYi, true>},
    {"ci_low_transformed", &Measured<&IntervalLow, true>},
    {"ci_high_transformed", &Measured<&IntervalHigh, true>},
});
const auto kMeasuredColumns = Joined(kStatus, kMeasured);
const auto kTransformedColumns = Joined(kMeasuredColumns, kTransformed);

} // namespace

std::span<const OutputColumn> OutputColumns(Measure measure) {
    if (measure == Measure::SMD) {
        return kColumns;
    }
    if (Info(measure).transform == Transform::None) {
        return kMeasuredColumns;
    }
    return kTransformedColumns;
}

} // namespace tavrel::table
