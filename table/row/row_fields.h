#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace tavrel::table {

// The input columns a table may have, found by name in any case. Group 1 is the control
// group, group 2 the experimental; every direction is experimental minus control.
enum class Column {
    M1,
    SD1,
    N1,
    M2,
    SD2,
    N2, // means, SDs and sizes
    SE1,
    SE2, // standard errors of the means
    CI1Low,
    CI1High,
    CI2Low,
    CI2High,
    CILevel, // confidence intervals of the means
    T,
    F,
    P,
    Sign, // the two-sample test and its direction
    D,
    G,
    Es,
    EsVar,
    EsSe, // effect sizes as reported
    Events1,
    Events2, // each group's events, of n1 and n2
    Ai,
    Bi,
    Ci,
    Di, // escalc's 2x2 table: the experimental group's events and non-events, the control's
    R,
    N, // a correlation and its number of pairs
    MPre,
    SDPre,
    MPost,
    SDPost,
    RPrePost, // one group measured twice (of N subjects), and the correlation of the occasions
    Median1,
    Q1_1,
    Q3_1,
    Min1,
    Max1,
    Median2,
    Q1_2,
    Q3_2,
    Min2,
    Max2 // each group's median, quartiles and range, where its data are skewed
};
inline constexpr std::array<std::string_view, 45> kColumnNames = {
    "m1",      "sd1",      "n1",        "m2",       "sd2",      "n2",    "se1",     "se2",
    "ci1_low", "ci1_high", "ci2_low",   "ci2_high", "ci_level", "t",     "f",       "p",
    "sign",    "d",        "g",         "es",       "es_var",   "es_se", "events1", "events2",
    "ai",      "bi",       "ci",        "di",       "r",        "n",     "m_pre",   "sd_pre",
    "m_post",  "sd_post",  "r_prepost", "median1",  "q1_1",     "q3_1",  "min1",    "max1",
    "median2", "q1_2",     "q3_2",      "min2",     "max2"};
inline constexpr std::size_t kColumnCount = kColumnNames.size();

// metafor's escalc names for the groups' means, SDs and sizes, read with escalc's meaning: its
// group 1 comes first and its differences are group 1 minus group 2, so its group 1 is our
// experimental group (m1i is our m2) and a table so named keeps escalc's signs.
// A correlation's ri and ni are our r and n, and an effect size given with its variance, yi and
// vi, our es and es_var. (ai, bi, ci and di are escalc's own columns.)
inline constexpr std::array<std::pair<std::string_view, Column>, 10> kEscalcNames = {{
    {"m1i", Column::M2},
    {"sd1i", Column::SD2},
    {"n1i", Column::N2},
    {"m2i", Column::M1},
    {"sd2i", Column::SD1},
    {"n2i", Column::N1},
    {"ri", Column::R},
    {"ni", Column::N},
    {"yi", Column::Es},
    {"vi", Column::EsVar},
}};
static_assert(static_cast<std::size_t>(Column::Max2) + 1 == kColumnCount);

constexpr std::size_t At(Column column) {
    return static_cast<std::size_t>(column);
}

// Where a row's effect size comes from, most direct first: both groups' means and SDs, the
// two-sample t, the F of the two-group ANOVA, the two-sided p of the t-test, Cohen's d,
// Hedges's g, an effect size with its variance as computed elsewhere, or a 2x2 table of
// counts (d from its log odds ratio).
enum class EffectSource { Means, T, F, P, D, G, Es, Counts };
inline constexpr std::array kSources = {EffectSource::Means, EffectSource::T,     EffectSource::F,
                                        EffectSource::P,     EffectSource::D,     EffectSource::G,
                                        EffectSource::Es,    EffectSource::Counts};
inline constexpr std::array<std::string_view, kSources.size()> kSourceNames = {
    "means", "t", "f", "p", "d", "g", "es", "counts"};
// The column whose value makes a source worth trying (the means: any mean, SD, SE or interval;
// the counts: any of their columns).
inline constexpr std::array<Column, kSources.size()> kSourceColumns = {
    Column::M1, Column::T, Column::F, Column::P, Column::D, Column::G, Column::Es, Column::Events1};

constexpr std::string_view SourceName(EffectSource source) {
    return kSourceNames[static_cast<std::size_t>(source)];
}
constexpr Column SourceColumn(EffectSource source) {
    return kSourceColumns[static_cast<std::size_t>(source)];
}

// One row's fields in those columns, and the columns' names as the header spells them.
struct RowFields {
    std::array<std::optional<std::string_view>, kColumnCount> text; // none: no such column
    std::array<std::string_view, kColumnCount> names;

    std::string_view Text(Column column) const { return text[At(column)].value_or(""); }
    std::string_view Name(Column column) const { return names[At(column)]; }
};

} // namespace tavrel::table
