// Effect sizes from what papers report: each conversion on a worked example, the order in which
// sources are tried, each refusal, and the consistency of the other reported numbers.
#include "table/row/effect_sources.h"
#include "table/row/written_number.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>

namespace tavrel::table {
namespace {

using Fields = std::initializer_list<std::pair<Column, std::string>>;

// A row of a table that has exactly the columns given, named as kColumnNames spells them.
class Row {
  public:
    Row(Fields fields) : texts_(fields) {
        for (std::size_t i = 0; i < kColumnCount; ++i) {
            row_.names[i] = kColumnNames[i];
        }
        for (const auto& [column, text] : texts_) {
            row_.text[At(column)] = text;
        }
    }
    std::variant<RowProblem, StudyRow> Evaluate() const { return EvaluateRow(row_); }
    StudyRow Study() const {
        auto result = Evaluate();
        if (const auto* problem = std::get_if<RowProblem>(&result)) {
            ADD_FAILURE() << problem->message;
            return {};
        }
        return std::get<StudyRow>(result);
    }
    RowProblem Problem() const {
        auto result = Evaluate();
        EXPECT_TRUE(std::holds_alternative<RowProblem>(result));
        return std::holds_alternative<RowProblem>(result) ? std::get<RowProblem>(result)
                                                          : RowProblem{};
    }

  private:
    std::vector<std::pair<Column, std::string>> texts_; // owns what row_ views
    RowFields row_;
};

// J(df) by the gamma function, as Hedges (1981) defines it.
double J(double df) {
    return std::exp(std::lgamma(df / 2) - std::lgamma((df - 1) / 2)) / std::sqrt(df / 2);
}

TEST(Conversions, WorkedExamples) {
    // t = 2.5 with 10 and 10: d = 2.5 * sqrt(1/10 + 1/10) = 2.5 * 0.4472135955 = 1.1180339887.
    const StudyRow t = Row{{Column::T, "2.5"}, {Column::N1, "10"}, {Column::N2, "10"}}.Study();
    EXPECT_NEAR(t.values.CohenD, 1.1180339887498949, 1e-15);
    EXPECT_NEAR(t.values.HedgesG, 1.1180339887498949 * J(18), 1e-14); // lgamma's own error
    // vi = 1/10 + 1/10 + g^2 / 40, metafor's large-sample variance.
    EXPECT_NEAR(t.vi, 0.2 + t.values.HedgesG * t.values.HedgesG / 40, 1e-15);
    EXPECT_EQ(t.computedFrom, "t");

    // F = 6.25 is t = 2.5 squared; the sign column says which way.
    const StudyRow f = Row{
        {Column::F, "6.25"},
        {Column::Sign, "negative"},
        {Column::N1, "10"},
        {Column::N2, "10"}}.Study();
    EXPECT_NEAR(f.values.CohenD, -1.1180339887498949, 1e-15);

    // p = .05 two-sided with 18 df: |t| = 2.100922 (the t table's 97.5% point), d = 0.939594.
    const StudyRow p = Row{
        {Column::P, ".05"},
        {Column::Sign, "+"},
        {Column::N1, "10"},
        {Column::N2, "10"}}.Study();
    EXPECT_NEAR(p.values.CohenD, 2.100922 * 0.4472135955, 1e-6);
    // Below the smallest normal double, p still gives its t exactly: with 2 df the two-sided p
    // is 1 - t / sqrt(t^2 + 2), about 1 / t^2, so t = 1 / sqrt(p) to a double's precision.
    for (const char* tiny : {"1e-310", "4.9e-324"}) {
        const StudyRow far = Row{
            {Column::P, tiny},
            {Column::Sign, "+"},
            {Column::N1, "2"},
            {Column::N2, "2"}}.Study();
        const double t = 1 / std::sqrt(std::strtod(tiny, nullptr));
        EXPECT_NEAR(far.values.CohenD, t, 1e-13 * t) << tiny; // sqrt(1/2 + 1/2) = 1
    }
    // And with 38 df a finite g whose sign is the sign column's.
    const StudyRow smallest = Row{
        {Column::P, "1e-320"},
        {Column::Sign, "+"},
        {Column::N1, "20"},
        {Column::N2, "20"}}.Study();
    EXPECT_EQ(smallest.computedFrom, "p");
    EXPECT_GT(smallest.values.HedgesG, 1e8);
    // p = 1 is t = 0, which needs no direction.
    EXPECT_EQ((Row{{Column::P, "1"}, {Column::N1, "10"}, {Column::N2, "10"}}.Study().values.CohenD),
              0);

    // d and g: g = J d, J(18) = Gamma(9) / (3 Gamma(8.5)).
    const StudyRow d = Row{{Column::D, "0.5"}, {Column::N1, "10"}, {Column::N2, "10"}}.Study();
    EXPECT_NEAR(d.values.HedgesG, 0.5 * J(18), 1e-14);
    const StudyRow g = Row{{Column::G, "0.5"}, {Column::N1, "10"}, {Column::N2, "10"}}.Study();
    EXPECT_NEAR(g.values.HedgesG, 0.5, 1e-15);
    EXPECT_NEAR(g.values.CohenD, 0.5 / J(18), 1e-14);

    // An SE of 2 with 25 subjects is an SD of 2 * 5 = 10; with the other SD 10 too, d = 2/10.
    const StudyRow se =
        Row{{Column::M1, "10"},  {Column::SE1, "2"}, {Column::N1, "25"}, {Column::M2, "12"},
            {Column::SD2, "10"}, {Column::N2, "25"}, {Column::SD1, ""}}
            .Study();
    EXPECT_NEAR(se.values.CohenD, 0.2, 1e-15);
    EXPECT_EQ(se.computedFrom, "means (se1)");

    // The Cochrane Handbook's example (6.5.2.2): a 95% interval of 3 to 8 with 25 subjects is
    // an SD of sqrt(25) * 5 / (2 * 2.0639) = 6.0565.
    const StudyRow ci = Row{{Column::M1, "5"},   {Column::SD1, "6"},      {Column::N1, "25"},
                            {Column::M2, "5.5"}, {Column::CI2Low, "3"},   {Column::CI2High, "8"},
                            {Column::N2, "25"},  {Column::CILevel, "95%"}}
                            .Study();
    EXPECT_NEAR(ci.stats.SD2, 6.0565, 1e-4);
    EXPECT_EQ(ci.computedFrom, "means (ci2)");

    // An es with its SE: the variance is the SE squared, and g is as given.
    const StudyRow es = Row{{Column::Es, "0.31"}, {Column::EsSe, "0.2"}}.Study();
    EXPECT_EQ(es.values.HedgesG, 0.31);
    EXPECT_NEAR(es.vi, 0.04, 1e-17);
    EXPECT_FALSE(es.HasSizes());
}

TEST(Sources, TheMostDirectCompleteSourceWins) {
    const Fields means = {{Column::M1, "100"}, {Column::SD1, "15"}, {Column::N1, "20"},
                          {Column::M2, "110"}, {Column::SD2, "15"}, {Column::N2, "20"},
                          {Column::T, "2.11"}, {Column::D, "0.67"}};
    EXPECT_EQ(Row(means).Study().source, EffectSource::Means);
    // Without an SD the means are incomplete: the t is used, and the d compared with it.
    const StudyRow t =
        Row{{Column::M1, "100"}, {Column::SD1, ""},  {Column::N1, "20"},  {Column::M2, "110"},
            {Column::SD2, "15"}, {Column::N2, "20"}, {Column::T, "2.11"}, {Column::D, "0.67"}}
            .Study();
    EXPECT_EQ(t.source, EffectSource::T);
    EXPECT_EQ(t.consistency, "consistent");
    // A t that is not a number is passed over, and said to be not compared.
    const StudyRow d = Row{
        {Column::T, "n.s."},
        {Column::D, "0.67"},
        {Column::N1, "20"},
        {Column::N2, "20"}}.Study();
    EXPECT_EQ(d.source, EffectSource::D);
    EXPECT_EQ(d.consistency, "t not compared: \"n.s.\"");
    EXPECT_FALSE(d.passedOver);
    // Means with a typo or an SD out of range are never passed over in silence, even where the
    // t they lose to contradicts them.
    const auto passedOver = [](const Row& row, const std::string& why) {
        const StudyRow study = row.Study();
        EXPECT_EQ(study.source, EffectSource::T);
        EXPECT_TRUE(study.passedOver);
        EXPECT_TRUE(study.consistency.starts_with(why)) << study.consistency;
    };
    passedOver(Row{{Column::M1, "1O.00"},
                   {Column::SD1, "15"},
                   {Column::N1, "20"},
                   {Column::M2, "110"},
                   {Column::SD2, "15"},
                   {Column::N2, "20"},
                   {Column::T, "-5"}},
               "passed over: m1 is not a number: \"1O.00\"");
    passedOver(Row{{Column::M1, "100"},
                   {Column::SD1, "-2"},
                   {Column::N1, "20"},
                   {Column::M2, "110"},
                   {Column::SD2, "15"},
                   {Column::N2, "20"},
                   {Column::T, "2.11"}},
               "passed over: sd1 ");
}

TEST(Sources, RefusalsNameWhatTheMostDirectSourceLacks) {
    struct Case {
        Fields fields;
        const char* message;
        const char* field;
    };
    const Case cases[] = {
        {{{Column::F, "4.4"}, {Column::Sign, ""}, {Column::N1, "9"}, {Column::N2, "9"}},
         "sign is missing: f gives no direction",
         "sign"},
        {{{Column::P, ".03"}, {Column::Sign, "up"}, {Column::N1, "9"}, {Column::N2, "9"}},
         "sign is not +, -, 1, -1, positive or negative: \"up\"",
         "sign"},
        {{{Column::P, "0"}, {Column::N1, "9"}, {Column::N2, "9"}},
         "p must be above 0 and at most 1: \"0\"",
         "p"},
        {{{Column::P, "<.001"}, {Column::N1, "9"}, {Column::N2, "9"}},
         "p is not a number: \"<.001\"",
         "p"},
        {{{Column::F, "-1"}, {Column::Sign, "+"}, {Column::N1, "9"}, {Column::N2, "9"}},
         "f must not be negative: \"-1\"",
         "f"},
        {{{Column::T, "2"}, {Column::N1, "9"}, {Column::N2, ""}}, "n2 is missing", "n2"},
        {{{Column::Es, ".2"}, {Column::EsVar, "0"}}, "es_var must be above 0: \"0\"", "es_var"},
        {{{Column::M1, "5"},
          {Column::SD1, "1"},
          {Column::N1, "9"},
          {Column::M2, "6"},
          {Column::CI2Low, "8"},
          {Column::CI2High, "3"},
          {Column::N2, "9"}},
         "ci2_low is above ci2_high: \"8\" and \"3\"",
         "ci2_low"},
        {{{Column::M1, "5"},
          {Column::SD1, "1"},
          {Column::N1, "9"},
          {Column::M2, "6"},
          {Column::CI2Low, "3"},
          {Column::CI2High, "8"},
          {Column::CILevel, "high"},
          {Column::N2, "9"}},
         "ci_level must be a level such as 0.95, 95 or 95%: \"high\"",
         "ci_level"},
        {{{Column::T, ""}, {Column::D, ""}, {Column::N1, "9"}, {Column::N2, "9"}},
         "t and d are missing",
         ""},
    };
    for (const Case& c : cases) {
        const RowProblem problem = Row(c.fields).Problem();
        EXPECT_EQ(problem.message, c.message);
        EXPECT_EQ(problem.field, c.field) << c.message;
    }
    EXPECT_EQ(MissingColumns({}), "missing column: m1, sd1, n1, m2, sd2, n2");
    std::array<bool, kColumnCount> fTable{};
    for (const Column column : {Column::F, Column::N1, Column::N2}) {
        fTable[At(column)] = true;
    }
    EXPECT_TRUE(MissingColumns(fTable)); // an F needs a sign column
    fTable[At(Column::Sign)] = true;
    EXPECT_FALSE(MissingColumns(fTable));
}

TEST(WrittenNumbers, StandForWhatRoundsToThem) {
    EXPECT_DOUBLE_EQ(ReadWrittenNumber("2.1")->halfUnit, 0.05);
    EXPECT_DOUBLE_EQ(ReadWrittenNumber(" 100 ")->halfUnit, 0.5);
    EXPECT_DOUBLE_EQ(ReadWrittenNumber("1.50e-3")->halfUnit, 5e-6);
    EXPECT_EQ(ReadWrittenNumber("-.25")->Decimals(), 2);
    EXPECT_FALSE(ReadWrittenNumber("n.s."));
    const auto p = ReadReportedP("p \u2264 .001");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->relation, ReportedP::AtMost);
    EXPECT_EQ(p->bound.value, 0.001);
    EXPECT_EQ(ReadReportedP("<0.05")->relation, ReportedP::Below);
    EXPECT_EQ(ReadReportedP("P>=.1")->relation, ReportedP::AtLeast);
    EXPECT_EQ(ReadSign("Negative"), -1);
    EXPECT_FALSE(ReadSign("neg"));
}

std::string TwoDecimals(double value, int decimals = 2) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Studies whose other statistics are their exact values rounded as papers round them are
// consistent, every one; a t moved by more than its rounding allows is not.
TEST(Consistency, RoundedValuesAgreeAndAnythingFurtherDoesNot) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> mean(50, 150);
    std::uniform_real_distribution<double> sd(2, 30);
    std::uniform_int_distribution<int> size(4, 200);
    for (int i = 0; i < 300; ++i) {
        const double m1 = std::round(mean(random) * 100) / 100;
        const double m2 = std::round((m1 + sd(random) * 0.8 - 8) * 100) / 100;
        const double s1 = std::round(sd(random) * 100) / 100;
        const double s2 = std::round(sd(random) * 100) / 100;
        const int n1 = size(random);
        const int n2 = size(random);
        // The independent-samples t, as any statistics text writes it.
        const double pooled = std::sqrt(((n1 - 1) * s1 * s1 + (n2 - 1) * s2 * s2) / (n1 + n2 - 2));
        const double t = (m2 - m1) / (pooled * std::sqrt(1.0 / n1 + 1.0 / n2));
        const double d = (m2 - m1) / pooled;
        const auto row = [&](const std::string& tText) {
            return Row{{Column::M1, TwoDecimals(m1)},
                       {Column::SD1, TwoDecimals(s1)},
                       {Column::N1, std::to_string(n1)},
                       {Column::M2, TwoDecimals(m2)},
                       {Column::SD2, TwoDecimals(s2)},
                       {Column::N2, std::to_string(n2)},
                       {Column::T, tText},
                       {Column::F, TwoDecimals(t * t)},
                       {Column::D, TwoDecimals(d)},
                       {Column::G, TwoDecimals(d * J(n1 + n2 - 2))},
                       {Column::Sign, t < 0 ? "-" : "+"}};
        };
        EXPECT_EQ(row(TwoDecimals(t)).Study().consistency, "consistent") << "t = " << t;
        const StudyRow off = row(TwoDecimals(t + 0.1)).Study();
        EXPECT_TRUE(off.consistency.starts_with("t: reported " + TwoDecimals(t + 0.1) +
                                                ", the means and SDs give "))
            << off.consistency;
    }
}

// The edges of what rounding allows, each worked by hand.
TEST(Consistency, AtTheEdgesOfRounding) {
    const auto consistency = [](const char* m, const char* sd, Column column, const char* text,
                                Column other = Column::CILevel, const char* otherText = "") {
        Row row{{Column::M1, "100.0"}, {Column::SD1, sd},  {Column::N1, "20"}, {Column::M2, m},
                {Column::SD2, sd},     {Column::N2, "20"}, {column, text},     {other, otherText}};
        return row.Study().consistency;
    };
    // Means of one decimal, 100.0 and 100.0: the difference is -0.1 to 0.1, t is -0.021 to
    // 0.021 (0.1 / (15 sqrt(0.1))), straddling 0: a t of either sign within it, and a p with
    // either sign, agree; -0.03 (-0.035 to -0.025) does not.
    EXPECT_EQ(consistency("100.0", "15.0", Column::T, "-0.02"), "consistent");
    EXPECT_EQ(consistency("100.0", "15.0", Column::T, "0.02"), "consistent");
    EXPECT_TRUE(consistency("100.0", "15.0", Column::T, "-0.03").starts_with("t: reported -0.03"));
    EXPECT_EQ(consistency("100.0", "15.0", Column::P, ".99", Column::Sign, "-"), "consistent");
    // 100.00 and 110.00 give t = 2.108 > 0: a negative sign beside an F or a p disagrees.
    EXPECT_TRUE(consistency("110.00", "15.00", Column::F, "4.44", Column::Sign, "-")
                    .starts_with("sign: reported -"));
    // p = .0416 exactly: a bound the range of p straddles is met, one wholly below it is not.
    EXPECT_EQ(consistency("110.00", "15.00", Column::P, "<.0415"), "consistent");
    EXPECT_TRUE(consistency("110.00", "15.00", Column::P, "<.04").starts_with("p: reported <.04"));
    // An SE from sd 15.00 with 20: 14.995 / sqrt(20) to 15.005 / sqrt(20) = 3.35298 to 3.35522.
    // "3.355" (3.3545 to 3.3555) reaches it; "3.356" (3.3555 to 3.3565) just misses.
    EXPECT_EQ(consistency("110.00", "15.00", Column::SE1, "3.355"), "consistent");
    EXPECT_TRUE(consistency("110.00", "15.00", Column::SE1, "3.356").starts_with("se1: reported"));
    // g is 0.65 to 0.66 here: a g and an es beside the means, each compared on its own and
    // each named where it disagrees.
    const std::string both = consistency("110.00", "15.00", Column::G, "0.60", Column::Es, "0.70");
    EXPECT_TRUE(both.starts_with("g: reported 0.60")) << both;
    EXPECT_NE(both.find("; es: reported 0.70"), std::string::npos) << both;
}

TEST(Consistency, EachKindOfDisagreementIsNamed) {
    // t = 10 / (15 * sqrt(0.1)) = 2.108, two-sided p = .042 with 38 df.
    const auto consistency = [&](Column column, const char* text) {
        Row row{{Column::M1, "100.00"}, {Column::SD1, "15.00"}, {Column::N1, "20"},
                {Column::M2, "110.00"}, {Column::SD2, "15.00"}, {Column::N2, "20"},
                {column, text}};
        return row.Study().consistency;
    };
    EXPECT_EQ(consistency(Column::P, "<.05"), "consistent");
    EXPECT_EQ(consistency(Column::P, "p < .01"),
              "p: reported p < .01, the means and SDs give 0.041 to 0.042");
    EXPECT_EQ(consistency(Column::P, ".042"), "consistent");
    EXPECT_EQ(consistency(Column::Sign, "-"),
              "sign: reported -, the means and SDs give t of 2.11 to 2.11");
    // An SE given as the SD: 15 where 15 / sqrt(20) = 3.35 was meant.
    EXPECT_EQ(consistency(Column::SE1, "15.00"),
              "se1: reported 15.00, sd1 / \u221an1 gives 3.35 to 3.36");
    EXPECT_EQ(consistency(Column::SE1, "3.35"), "consistent");
    EXPECT_EQ(consistency(Column::Es, "n.s."), "es not compared: \"n.s.\"");
    // An interval whose midpoint is not its mean.
    Row interval{{Column::M1, "100.00"},   {Column::SD1, "15.00"},    {Column::N1, "20"},
                 {Column::M2, "110.00"},   {Column::SD2, "15.00"},    {Column::N2, "20"},
                 {Column::CI1Low, "95.0"}, {Column::CI1High, "107.0"}};
    EXPECT_EQ(interval.Study().consistency,
              "ci1_low and ci1_high: their midpoint is 100.950 to 101.050, m1 is 99.995 to "
              "100.005");
}

} // namespace
} // namespace tavrel::table
