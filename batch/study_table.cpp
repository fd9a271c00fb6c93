#include "batch/study_table.h"

#include "batch/intervals.h"
#include "batch/shortest_number.h"
#include "engine/effect_sizes.h"
#include "engine/field_names.h"
#include "engine/presentation.h"
#include "engine/summary_stats.h"
#include "platform/format.h"
#include "platform/real_to_int.h"
#include "platform/val.h"

#include <algorithm>
#include <cmath>

namespace tavrel::batch {

namespace {

using engine::CalcMode;
using engine::EffectSizeResults;
namespace fields = engine::fields;

// The input columns, in the engine's reading order.
constexpr std::array<std::string_view, 6> kInputNames = {"m1", "sd1", "n1", "m2", "sd2", "n2"};

// The window's output fields, named after their labels, in the window's writing order.
struct FieldColumn {
    std::string_view field;
    std::string_view label;
};
constexpr std::array<FieldColumn, 8> kFieldColumns = {{
    {fields::MeanDiffFld, "Mean Difference"},
    {fields::PooledSDFld, "Pooled Standard Deviation"},
    {fields::gFld, "Glass's \u2206"},
    {fields::dFld, "Cohen's d"},
    {fields::dCorrectFld, "r"},
    {fields::HedgesFld, "Hedges's Unbiased d"},
    {fields::sdFld, "Standard Deviation of Unbiased d"},
    {fields::CLEFFld, "Common Language Effect Size"},
}};

// The computed members at full precision, with the modes that compute them. DF is a whole
// number and is written as one.
enum Modes : unsigned { kPooled = 1, kGlass = 2, kAll = 4 };
struct MemberColumn {
    std::string_view name;
    double EffectSizeResults::*value; // null for DF
    unsigned modes;
};
constexpr std::array<MemberColumn, 11> kMemberColumns = {{
    {"PooledSD", &EffectSizeResults::PooledSD, kPooled | kAll},
    {"MeanDiff", &EffectSizeResults::MeanDiff, kGlass | kAll},
    {"GlassDelta", &EffectSizeResults::GlassDelta, kGlass | kAll},
    {"CohenD", &EffectSizeResults::CohenD, kAll},
    {"R", &EffectSizeResults::R, kAll},
    {"DF", nullptr, kAll},
    {"BiasFactor", &EffectSizeResults::BiasFactor, kAll},
    {"HedgesD", &EffectSizeResults::HedgesD, kAll},
    {"HedgesSD", &EffectSizeResults::HedgesSD, kAll},
    {"CLZ", &EffectSizeResults::CLZ, kAll},
    {"CLES", &EffectSizeResults::CLES, kAll},
}};

unsigned ModeBit(CalcMode mode) {
    switch (mode) {
    case CalcMode::PooledSDOnly:
        return kPooled;
    case CalcMode::MeanDiffGlassOnly:
        return kGlass;
    case CalcMode::AllResults:
        break;
    }
    return kAll;
}

std::string_view ModeName(CalcMode mode) {
    switch (mode) {
    case CalcMode::PooledSDOnly:
        return "PooledSDOnly";
    case CalcMode::MeanDiffGlassOnly:
        return "MeanDiffGlassOnly";
    case CalcMode::AllResults:
        break;
    }
    return "AllResults";
}

// Field names are the same constants everywhere, so their addresses usually settle it.
bool SameName(std::string_view a, std::string_view b) {
    return a.data() == b.data() ? a.size() == b.size() : a == b;
}

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Every column after the row's own: mode, error, error_field, the field texts, the members,
// the meta-analysis columns and the intervals.
std::size_t ResultColumns(bool noncentral) {
    return 3 + kFieldColumns.size() + kMemberColumns.size() + 4 + (noncentral ? 2 : 0);
}

} // namespace

StudyTable::StudyTable(const Options& options, CsvWriter& out)
    : options_(options), out_(out), z_(TwoSidedZ(options.level)) {}

void StudyTable::Header(const Record& header) {
    header_.assign(header.fields.begin(), header.fields.end());
    std::string missing;
    for (std::size_t input = 0; input < kInputNames.size(); ++input) {
        std::size_t found = 0;
        for (std::size_t column = 0; column < header_.size(); ++column) {
            if (Lowercase(TrimSpaces(header_[column])) == kInputNames[input]) {
                if (found++ > 0) {
                    throw InputError("the column " + std::string(kInputNames[input]) +
                                         " is given more than once",
                                     header.line);
                }
                inputColumns_[input] = column;
            }
        }
        if (found == 0) {
            missing += (missing.empty() ? "" : ", ") + std::string(kInputNames[input]);
        }
    }
    if (!missing.empty()) {
        throw InputError("missing column: " + missing, header.line);
    }

    for (const std::string& name : header_) {
        out_.Field(name);
    }
    for (const std::string_view name : {"mode", "error", "error_field"}) {
        out_.Field(name);
    }
    for (const FieldColumn& column : kFieldColumns) {
        out_.Field(column.label);
    }
    for (const MemberColumn& column : kMemberColumns) {
        out_.Field(column.name);
    }
    for (const std::string_view name : {"yi", "vi", "g_ci_low", "g_ci_high"}) {
        out_.Field(name);
    }
    if (options_.noncentral) {
        out_.Field("d_ci_low");
        out_.Field("d_ci_high");
    }
    out_.EndRow();
}

void StudyTable::Row(const Record& row) {
    ++rows_;
    // The row's own columns, as many as the header names.
    for (std::size_t column = 0; column < header_.size(); ++column) {
        const std::string_view field =
            column < row.fields.size() ? row.fields[column] : std::string_view{};
        row.plain ? out_.PlainField(field) : out_.Field(field);
    }
    if (row.fields.size() != header_.size()) {
        WriteError("RowError",
                   "line " + std::to_string(row.line) + ": " + std::to_string(row.fields.size()) +
                       " fields where the header has " + std::to_string(header_.size()),
                   {});
        return;
    }
    WriteResults(row);
}

void StudyTable::WriteError(std::string_view mode, std::string_view message,
                            std::string_view field) {
    ++rowsWithErrors_;
    out_.Field(mode);
    out_.Field(message);
    out_.Field(field);
    for (std::size_t i = 3; i < ResultColumns(options_.noncentral); ++i) {
        out_.Field({});
    }
    out_.EndRow();
}

void StudyTable::WriteResults(const Record& row) {
    engine::InputTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = row.fields[inputColumns_[i]];
    }
    const engine::CalcOutcome outcome =
        engine::Calculate(texts, &platform::Val, &platform::RealToInt32);
    if (const auto* error = std::get_if<engine::InputError>(&outcome)) {
        const auto input = static_cast<std::size_t>(
            std::find(fields::Inputs.begin(), fields::Inputs.end(), error->FocusField) -
            fields::Inputs.begin());
        WriteError("InputError", error->Message, header_[inputColumns_[input]]);
        return;
    }

    const auto& calculation = std::get<engine::Calculation>(outcome);
    const EffectSizeResults r = engine::ComputeResults(calculation.Stats, calculation.Mode);
    const std::vector<engine::FieldText> shown =
        engine::PresentResults(calculation.Mode, r, &platform::Format);
    const unsigned mode = ModeBit(calculation.Mode);
    // Asked for and not to be had: the row says why, and counts as a row with an error.
    NoncentralInterval noncentral{{}, true};
    std::string_view missing;
    if (options_.noncentral && mode == kAll) {
        noncentral = NoncentralDInterval(r.CohenD, calculation.Stats.N1, calculation.Stats.N2,
                                         options_.level);
        if (!noncentral.exists) {
            ++rowsWithErrors_;
            missing = std::isfinite(r.CohenD)
                          ? "no noncentral interval: below 10000 degrees of freedom the noncentral "
                            "t distribution cannot be evaluated this far out"
                          : "no noncentral interval for an infinite or undefined d";
        }
    }
    // Mode names, field texts and numbers hold no delimiter, quote or line break.
    out_.PlainField(ModeName(calculation.Mode));
    out_.Field(missing);
    out_.PlainField({});
    // The shown fields come in the columns' order, those of the mode only.
    auto text = shown.begin();
    for (const FieldColumn& column : kFieldColumns) {
        if (text != shown.end() && SameName(text->Field, column.field)) {
            out_.PlainField(text->Text);
            ++text;
        } else {
            out_.PlainField({});
        }
    }

    // HedgesD is written twice, as a member and as yi: its text is worked out once.
    std::array<char, kShortestNumberMax> hedgesDigits; // NOLINT: written before it is read
    const std::string_view hedges(hedgesDigits.data(),
                                  mode == kAll ? WriteShortest(r.HedgesD, hedgesDigits.data())
                                               : hedgesDigits.data());
    for (const MemberColumn& column : kMemberColumns) {
        if ((column.modes & mode) == 0) {
            out_.PlainField({});
        } else if (column.value == nullptr) {
            out_.Integer(r.DF);
        } else if (column.value == &EffectSizeResults::HedgesD) {
            out_.PlainField(hedges);
        } else {
            out_.Number(r.*column.value);
        }
    }
    if (mode != kAll) {
        for (std::size_t i = 0; i < (options_.noncentral ? 6U : 4U); ++i) {
            out_.PlainField({});
        }
        out_.EndRow();
        return;
    }
    out_.PlainField(hedges);
    out_.Number(r.HedgesSD * r.HedgesSD);
    const Interval g = NormalInterval(r.HedgesD, r.HedgesSD, z_);
    out_.Number(g.low);
    out_.Number(g.high);
    if (options_.noncentral) {
        for (const double bound : {noncentral.bounds.low, noncentral.bounds.high}) {
            noncentral.exists ? out_.Number(bound) : out_.PlainField({});
        }
    }
    out_.EndRow();
}

} // namespace tavrel::batch
