#include "batch/study_table.h"

#include "batch/intervals.h"
#include "batch/round_trip_number.h"
#include "batch/study_row.h"
#include "engine/press.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tavrel::batch {

namespace {

using engine::CalcMode;
using engine::EffectSizeResults;
using engine::Result;

// The input columns, in the engine's reading order.
constexpr std::array<std::string_view, engine::kInputCount> kInputNames = {"m1", "sd1", "n1",
                                                                           "m2", "sd2", "n2"};

// The computed members at full precision, named so that R, pandas and SPSS take the names as
// they are. Each is filled with the result it belongs to, or, without one, by the complete
// calculation only. df is a whole number and is written as one.
struct MemberColumn {
    std::string_view name;
    double EffectSizeResults::*value; // null for DF
    std::optional<Result> result;
};
constexpr std::array<MemberColumn, 11> kMemberColumns = {{
    {"pooled_sd", &EffectSizeResults::PooledSD, Result::PooledSD},
    {"mean_diff", &EffectSizeResults::MeanDiff, Result::MeanDifference},
    {"glass_delta", &EffectSizeResults::GlassDelta, Result::GlassDelta},
    {"cohen_d", &EffectSizeResults::CohenD, Result::CohensD},
    {"r_value", &EffectSizeResults::R, Result::R},
    {"df", nullptr, std::nullopt},
    {"bias_factor", &EffectSizeResults::BiasFactor, std::nullopt},
    {"hedges_g", &EffectSizeResults::HedgesD, Result::HedgesG},
    {"hedges_g_sd", &EffectSizeResults::HedgesSD, Result::HedgesGSD},
    {"cl_z", &EffectSizeResults::CLZ, std::nullopt},
    {"cles", &EffectSizeResults::CLES, Result::CommonLanguage},
}};

bool Fills(CalcMode mode, const MemberColumn& column) {
    return column.result ? engine::Fills(mode, *column.result) : mode == CalcMode::AllResults;
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
    return 3 + engine::kResultCount + kMemberColumns.size() + 4 + (noncentral ? 2 : 0);
}

} // namespace

StudyTable::StudyTable(const Options& options, CsvWriter& out, PooledRows* pooled)
    : options_(options), out_(out), z_(TwoSidedZ(options.level)), pooled_(pooled) {}

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
    // The studies' names: the column --label names (in any case, as the inputs), or the first
    // that is not an input.
    labelColumn_ = header_.size();
    const std::string label = Lowercase(TrimSpaces(options_.label));
    for (std::size_t column = 0; column < header_.size(); ++column) {
        const bool input =
            std::find(inputColumns_.begin(), inputColumns_.end(), column) != inputColumns_.end();
        if (label.empty() ? !input : Lowercase(TrimSpaces(header_[column])) == label) {
            if (labelColumn_ != header_.size()) {
                throw InputError("the column " + options_.label + " is given more than once",
                                 header.line);
            }
            labelColumn_ = column;
            if (label.empty()) {
                break;
            }
        }
    }
    if (!options_.label.empty() && labelColumn_ == header_.size()) {
        throw InputError("--label names no column: \"" + options_.label + "\"", header.line);
    }

    for (const std::string& name : header_) {
        out_.Field(name);
    }
    for (const std::string_view name : {"mode", "error", "error_field"}) {
        out_.Field(name);
    }
    for (const Result result : engine::kResults) {
        out_.Field(engine::Describe(result).caption);
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
        if (pooled_ != nullptr) {
            pooled_->LeaveOut(LeftOutReason::FieldCount);
        }
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
    std::array<std::string_view, engine::kInputCount> fields;
    std::array<std::string_view, engine::kInputCount> names;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = row.fields[inputColumns_[i]];
        names[i] = header_[inputColumns_[i]];
    }
    const std::variant<RowProblem, StudyRow> evaluated = EvaluateStudyRow(fields, names);
    if (const auto* problem = std::get_if<RowProblem>(&evaluated)) {
        if (pooled_ != nullptr) {
            pooled_->LeaveOut(problem->reason);
        }
        WriteError("InputError", problem->message,
                   problem->input ? names[engine::Index(*problem->input)] : std::string_view{});
        return;
    }
    const StudyRow& study = std::get<StudyRow>(evaluated);
    const EffectSizeResults& r = study.values;
    const bool complete = study.mode == CalcMode::AllResults && !study.noEffect;
    if (pooled_ != nullptr) {
        if (complete) {
            const std::string_view label =
                labelColumn_ < header_.size() ? row.fields[labelColumn_] : std::string_view{};
            pooled_->Add(r.HedgesD, r.HedgesSD * r.HedgesSD, label, rows_);
        } else {
            pooled_->LeaveOut(study.noEffect->reason);
        }
    }
    // Why a computed row has no g, or no interval that was asked for: the row says so, and
    // counts as one with an error.
    std::string_view why;
    std::string_view whyField;
    NoncentralInterval noncentral{{}, true};
    if (study.noEffect) {
        ++rowsWithErrors_;
        why = study.noEffect->message;
        whyField = study.noEffect->input ? names[engine::Index(*study.noEffect->input)]
                                         : std::string_view{};
    } else if (options_.noncentral) {
        noncentral = NoncentralDInterval(r.CohenD, study.stats.N1, study.stats.N2, options_.level);
        if (!noncentral.exists) {
            ++rowsWithErrors_;
            why = "no noncentral interval: below 10000 degrees of freedom the noncentral t "
                  "distribution cannot be evaluated this far out";
        }
    }
    // Mode names, field texts and numbers hold no delimiter, quote or line break.
    out_.PlainField(ModeName(study.mode));
    out_.Field(why);
    out_.Field(whyField);
    // The shown results come in the columns' order, those of the mode only.
    auto text = study.shown.begin();
    for (const Result result : engine::kResults) {
        if (text != study.shown.end() && text->result == result) {
            out_.PlainField(text->text);
            ++text;
        } else {
            out_.PlainField({});
        }
    }

    // HedgesD is written twice, as a member and as yi: its text is worked out once.
    const bool computed = study.mode == CalcMode::AllResults;
    std::array<char, kShortestNumberMax> hedgesDigits; // NOLINT: written before it is read
    const std::string_view hedges(hedgesDigits.data(),
                                  computed ? WriteShortest(r.HedgesD, hedgesDigits.data())
                                           : hedgesDigits.data());
    for (const MemberColumn& column : kMemberColumns) {
        if (!Fills(study.mode, column)) {
            out_.PlainField({});
        } else if (column.value == nullptr) {
            out_.Integer(r.DF);
        } else if (column.value == &EffectSizeResults::HedgesD) {
            out_.PlainField(hedges);
        } else {
            out_.Number(r.*column.value);
        }
    }
    if (!complete) {
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
