// Every effect measure on a hand-worked row, and the refusals a measure adds to the data rules.
#include "table/measure/effect_measure.h"
#include "table/row/effect_sources.h"
#include "table/row/measure_row.h"

#include <cmath>
#include <gtest/gtest.h>
#include <initializer_list>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::table {
namespace {

// A row of a table with exactly the columns given, named as kColumnNames spells them.
class Row {
  public:
    Row(std::initializer_list<std::pair<Column, std::string>> fields)
        : Row(std::vector<std::pair<Column, std::string>>(fields)) {}
    explicit Row(std::vector<std::pair<Column, std::string>> fields) : texts_(std::move(fields)) {
        for (std::size_t i = 0; i < kColumnCount; ++i) {
            row_.names[i] = kColumnNames[i];
        }
        for (const auto& [column, text] : texts_) {
            row_.text[At(column)] = text;
        }
    }
    meta::Study In(Measure measure) const {
        const auto result = EvaluateMeasureRow(measure, row_);
        if (const auto* problem = std::get_if<RowProblem>(&result)) {
            ADD_FAILURE() << problem->message;
            return {};
        }
        return std::get<MeasureRow>(result).effect;
    }
    std::string Refusal(Measure measure) const {
        const auto result = EvaluateMeasureRow(measure, row_);
        EXPECT_TRUE(std::holds_alternative<RowProblem>(result));
        return std::holds_alternative<RowProblem>(result) ? std::get<RowProblem>(result).message
                                                          : "";
    }
    const RowFields& Fields() const { return row_; }

  private:
    std::vector<std::pair<Column, std::string>> texts_; // owns what row_ views
    RowFields row_;
};

// J(df) by the gamma function, as Hedges (1981) defines it.
double J(double df) {
    return std::exp(std::lgamma(df / 2) - std::lgamma((df - 1) / 2)) / std::sqrt(df / 2);
}

const Row kTwoByTwo{{Column::Events1, "11"},
                    {Column::N1, "139"}, // BCG trial 1 (Aronson)
                    {Column::Events2, "4"},
                    {Column::N2, "123"}};

TEST(Measures, TwoByTwoTable) {
    // a = 4, b = 119 (vaccinated), c = 11, d = 128 (not vaccinated).
    const meta::Study odds = kTwoByTwo.In(Measure::OR);
    EXPECT_NEAR(odds.yi, std::log(4.0 * 128 / (119.0 * 11)), 1e-15);
    EXPECT_NEAR(odds.vi, 1 / 4.0 + 1 / 119.0 + 1 / 11.0 + 1 / 128.0, 1e-15);
    const meta::Study risk = kTwoByTwo.In(Measure::RR);
    EXPECT_NEAR(risk.yi, std::log((4.0 / 123) / (11.0 / 139)), 1e-15); // -0.8893
    EXPECT_NEAR(risk.vi, 1 / 4.0 - 1 / 123.0 + 1 / 11.0 - 1 / 139.0, 1e-15);
    const meta::Study difference = kTwoByTwo.In(Measure::RD);
    EXPECT_NEAR(difference.yi, 4.0 / 123 - 11.0 / 139, 1e-15);
    EXPECT_NEAR(difference.vi,
                (4.0 / 123) * (119.0 / 123) / 123 + (11.0 / 139) * (128.0 / 139) / 139, 1e-15);
    // escalc's own names: ai and bi are the first (experimental) group's events and non-events.
    const Row escalc{
        {Column::Ai, "4"}, {Column::Bi, "119"}, {Column::Ci, "11"}, {Column::Di, "128"}};
    EXPECT_EQ(escalc.In(Measure::OR).yi, odds.yi);
}

TEST(Measures, ZeroCellsGetAHalfInEveryCell) {
    // 0/10 against 3/10: every cell + 1/2, as escalc's add = 1/2, to = "only0".
    const Row zero{
        {Column::Events1, "3"}, {Column::N1, "10"}, {Column::Events2, "0"}, {Column::N2, "10"}};
    EXPECT_NEAR(zero.In(Measure::OR).yi, std::log(0.5 * 7.5 / (10.5 * 3.5)), 1e-15); // -2.2824
    EXPECT_NEAR(zero.In(Measure::OR).vi, 1 / 0.5 + 1 / 10.5 + 1 / 3.5 + 1 / 7.5, 1e-15);
    EXPECT_NEAR(zero.In(Measure::RD).yi, 0.5 / 11 - 3.5 / 11, 1e-15); // corrected too
    // No events in either group is kept (drop00 = FALSE): OR 1, with a wide variance.
    const Row none{
        {Column::Events1, "0"}, {Column::N1, "10"}, {Column::Events2, "0"}, {Column::N2, "10"}};
    EXPECT_EQ(none.In(Measure::OR).yi, 0);
    EXPECT_NEAR(none.In(Measure::RR).vi, 2 * (1 / 0.5 - 1 / 11.0), 1e-15);
}

TEST(Measures, CountsUnderSmdGiveDFromTheLogOddsRatio) {
    // Chinn (2000): d = ln(OR) sqrt(3) / pi; 2/12 against 3/10 gives ln(14/30).
    const Row counts{
        {Column::Events1, "3"}, {Column::N1, "10"}, {Column::Events2, "2"}, {Column::N2, "12"}};
    const auto result = EvaluateRow(counts.Fields());
    ASSERT_TRUE(std::holds_alternative<StudyRow>(result));
    const StudyRow& study = std::get<StudyRow>(result);
    EXPECT_NEAR(study.values.HedgesG, std::log(14.0 / 30) * std::sqrt(3.0) / std::numbers::pi,
                1e-15); // -0.42019
    EXPECT_NEAR(study.vi,
                (1 / 2.0 + 1 / 10.0 + 1 / 3.0 + 1 / 7.0) * 3 /
                    (std::numbers::pi * std::numbers::pi),
                1e-15);
    EXPECT_EQ(study.computedFrom, "counts (d from the log odds ratio)");
    // A row with means as well keeps the more direct source.
    const Row both{{Column::Events1, "3"}, {Column::N1, "10"}, {Column::Events2, "2"},
                   {Column::N2, "12"},     {Column::M1, "1"},  {Column::SD1, "1"},
                   {Column::M2, "2"},      {Column::SD2, "1"}};
    EXPECT_EQ(std::get<StudyRow>(EvaluateRow(both.Fields())).source, EffectSource::Means);
}

TEST(Measures, MeansCorrelationsAndChange) {
    const Row means{{Column::M1, "3"}, {Column::SD1, "1.5"}, {Column::N1, "22"},
                    {Column::M2, "5"}, {Column::SD2, "2"},   {Column::N2, "20"}};
    EXPECT_EQ(means.In(Measure::MD).yi, 2);
    EXPECT_NEAR(means.In(Measure::MD).vi, 2.25 / 22 + 4.0 / 20, 1e-15);
    EXPECT_NEAR(means.In(Measure::ROM).yi, std::log(5.0 / 3), 1e-15);
    EXPECT_NEAR(means.In(Measure::ROM).vi, 2.25 / (22 * 9.0) + 4 / (20 * 25.0), 1e-15);
    // An SD from its SE, as for g: sd1 = 0.5 sqrt(16) = 2.
    const Row se{{Column::M1, "3"}, {Column::SE1, "0.5"}, {Column::N1, "16"},
                 {Column::M2, "5"}, {Column::SD2, "2"},   {Column::N2, "20"}};
    EXPECT_NEAR(se.In(Measure::MD).vi, 4.0 / 16 + 4.0 / 20, 1e-15);

    const Row r{{Column::R, "0.5"}, {Column::N, "20"}};
    EXPECT_EQ(r.In(Measure::COR).yi, 0.5);
    EXPECT_NEAR(r.In(Measure::COR).vi, 0.75 * 0.75 / 19, 1e-15);
    EXPECT_NEAR(r.In(Measure::ZCOR).yi, 0.5493061443340549, 1e-15); // atanh(0.5)
    EXPECT_NEAR(r.In(Measure::ZCOR).vi, 1 / 17.0, 1e-15);

    // Pre 3 (SD 1.5), post 5 (SD 2), 20 subjects, r = 0.6: the change's SD is sqrt(2.65).
    const Row change{{Column::MPre, "3"},   {Column::SDPre, "1.5"}, {Column::MPost, "5"},
                     {Column::SDPost, "2"}, {Column::N, "20"},      {Column::RPrePost, "0.6"}};
    EXPECT_EQ(change.In(Measure::MC).yi, 2);
    EXPECT_NEAR(change.In(Measure::MC).vi, 2.65 / 20, 1e-15);
    const double smcc = J(19) * 2 / std::sqrt(2.65);
    EXPECT_NEAR(change.In(Measure::SMCC).yi, smcc, 1e-14);
    EXPECT_NEAR(change.In(Measure::SMCC).vi, 1 / 20.0 + smcc * smcc / 40, 1e-14);
    const double smcr = J(19) * 2 / 1.5; // standardized by the pre-test SD (Becker 1988)
    EXPECT_NEAR(change.In(Measure::SMCR).yi, smcr, 1e-14);
    EXPECT_NEAR(change.In(Measure::SMCR).vi, 2 * 0.4 / 20 + smcr * smcr / 40, 1e-14);
}

// A group's mean and SD from its median with its quartiles, its range or both: Luo et al. (2018)
// and Wan et al. (2014), worked here with R's qnorm for the normal quantiles.
TEST(Measures, MediansWithQuartilesOrRanges) {
    // The control group as given, of n, beside an experimental group of 12 (SD 4) of n.
    const auto control = [](std::vector<std::pair<Column, std::string>> group, std::string n) {
        group.insert(group.end(),
                     {{Column::N1, n}, {Column::M2, "12"}, {Column::SD2, "4"}, {Column::N2, n}});
        const Row row(group);
        return EvaluateRow(row.Fields());
    };
    const auto study = [&](std::vector<std::pair<Column, std::string>> group, std::string n) {
        const auto result = control(std::move(group), std::move(n));
        EXPECT_TRUE(std::holds_alternative<StudyRow>(result));
        return std::holds_alternative<StudyRow>(result) ? std::get<StudyRow>(result) : StudyRow{};
    };
    // Quartiles, n = 20: mean = w (q1 + q3)/2 + (1 - w) median, w = 0.7 + 0.39/20;
    // SD = (q3 - q1) / (2 z((0.75 n - 0.125) / (n + 0.25))).
    const StudyRow quartiles =
        study({{Column::Median1, "10"}, {Column::Q1_1, "8"}, {Column::Q3_1, "13"}}, "20");
    EXPECT_NEAR(quartiles.stats.M1, 0.7195 * 10.5 + 0.2805 * 10, 1e-13); // 10.35975
    EXPECT_NEAR(quartiles.stats.SD1, 3.9892300361420552, 1e-13);
    EXPECT_EQ(quartiles.computedFrom, "means (median1, iqr1)");
    // The range, n = 50: w = 4 / (4 + 50^0.75); SD = (max - min) / (2 z((n - 0.375)/(n + 0.25))).
    const StudyRow range =
        study({{Column::Median1, "10"}, {Column::Min1, "2"}, {Column::Max1, "20"}}, "50");
    EXPECT_NEAR(range.stats.M1, 10.175415396532259, 1e-13);
    EXPECT_NEAR(range.stats.SD1, 4.0118952461424522, 1e-13);
    // Wan et al.'s estimator as metaBLUE's documentation works it: 1, 4, 10 of 30 give 2.205578.
    EXPECT_NEAR(
        study({{Column::Median1, "4"}, {Column::Min1, "1"}, {Column::Max1, "10"}}, "30").stats.SD1,
        2.205578, 5e-7);
    // Both, n = 50: weights 2.2/(2.2 + n^0.75) and 0.7 - 0.72/n^0.55; the two SDs averaged.
    const StudyRow both = study({{Column::Median1, "10"},
                                 {Column::Min1, "2"},
                                 {Column::Max1, "20"},
                                 {Column::Q1_1, "8"},
                                 {Column::Q3_1, "13"}},
                                "50");
    EXPECT_NEAR(both.stats.M1, 10.412880137955044, 1e-13);
    EXPECT_NEAR(both.stats.SD1, 3.9142090751291372, 1e-13);
    EXPECT_EQ(both.computedFrom, "means (median1, range1 and iqr1)");
    // A mean given is used as it is, the quartiles then giving only the SD.
    const StudyRow mean = study(
        {{Column::M1, "11"}, {Column::Median1, "10"}, {Column::Q1_1, "8"}, {Column::Q3_1, "13"}},
        "20");
    EXPECT_EQ(mean.stats.M1, 11);
    EXPECT_EQ(mean.computedFrom, "means (iqr1)");
    // Values out of order are named.
    const auto refused =
        control({{Column::Median1, "10"}, {Column::Q1_1, "12"}, {Column::Q3_1, "13"}}, "20");
    ASSERT_TRUE(std::holds_alternative<RowProblem>(refused));
    EXPECT_EQ(std::get<RowProblem>(refused).message, "q1_1 is above median1: \"12\" and \"10\"");
}

TEST(Measures, RefusalsNameTheField) {
    EXPECT_EQ(
        (Row{
            {Column::Events1, "12"}, {Column::N1, "10"}, {Column::Events2, "1"}, {Column::N2, "10"}}
             .Refusal(Measure::OR)),
        "events1 is above n1: \"12\" of \"10\"");
    EXPECT_EQ((Row{{Column::Events1, "1.5"},
                   {Column::N1, "10"},
                   {Column::Events2, "1"},
                   {Column::N2, "10"}}
                   .Refusal(Measure::RR)),
              "events1 must be a whole number of at least 0: \"1.5\"");
    EXPECT_EQ(
        (Row{{Column::Ai, "0"}, {Column::Bi, "0"}, {Column::Ci, "1"}, {Column::Di, "3"}}.Refusal(
            Measure::OR)),
        "ai and bi are both 0: a group without subjects");
    EXPECT_EQ((Row{{Column::R, "1.2"}, {Column::N, "20"}}.Refusal(Measure::COR)),
              "r must be from -1 to 1: \"1.2\"");
    EXPECT_EQ((Row{{Column::R, "1"}, {Column::N, "20"}}.Refusal(Measure::ZCOR)),
              "r must be above -1 and below 1: \"1\"");
    EXPECT_EQ((Row{{Column::R, "0.3"}, {Column::N, "3"}}.Refusal(Measure::ZCOR)),
              "n must be a whole number of at least 4: \"3\"");
    EXPECT_EQ((Row{{Column::M1, "0"},
                   {Column::SD1, "1"},
                   {Column::N1, "10"},
                   {Column::M2, "2"},
                   {Column::SD2, "1"},
                   {Column::N2, "10"}}
                   .Refusal(Measure::ROM)),
              "m1 must be above 0 for a ratio of means: \"0\"");
    EXPECT_EQ((Row{{Column::M1, "1"},
                   {Column::SD1, "1"},
                   {Column::N1, "10"},
                   {Column::M2, "2"},
                   {Column::N2, "10"}}
                   .Refusal(Measure::MD)),
              "sd2 is missing");
    EXPECT_EQ((Row{{Column::MPre, "3"},
                   {Column::SDPre, "0"},
                   {Column::MPost, "5"},
                   {Column::N, "20"},
                   {Column::RPrePost, "0.6"}}
                   .Refusal(Measure::SMCR)),
              "sd_pre must be above 0 to standardize by it: \"0\"");
}

TEST(Measures, NamesAndTransforms) {
    for (const MeasureInfo& info : kMeasures) {
        EXPECT_EQ(&Info(info.measure), &info); // the table is in the enum's order
        EXPECT_EQ(MeasureNamed(info.name), info.measure);
    }
    EXPECT_EQ(MeasureNamed("zcor"), Measure::ZCOR);
    EXPECT_EQ(MeasureNamed("OR2"), std::nullopt);
    EXPECT_EQ(MeasureNamed(""), std::nullopt);
    EXPECT_NEAR(Shown(Transform::Exp, std::log(0.5)), 0.5, 1e-16);
    EXPECT_NEAR(Shown(Transform::ZToR, std::atanh(0.3)), 0.3, 1e-16);
    // What each measure's table must have.
    std::array<bool, kColumnCount> has{};
    has[At(Column::R)] = true;
    EXPECT_EQ(MissingMeasureColumns(Measure::COR, has), "missing column: n");
    EXPECT_EQ(MissingMeasureColumns(Measure::OR, has), "missing column: events1, n1, events2, n2");
    has[At(Column::Ai)] = true;
    EXPECT_EQ(MissingMeasureColumns(Measure::OR, has), "missing column: bi, ci, di");
}

} // namespace
} // namespace tavrel::table
