#include "table/study_table.h"

#include "csv/round_trip_number.h"
#include "engine/calculation.h"
#include "meta/intervals.h"
#include "table/output_columns.h"
#include "table/study_row.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tavrel::table {

namespace {

using engine::CalcMode;
using engine::EffectSizeResults;
using engine::Result;

// The input columns, in the engine's reading order.
constexpr std::array<std::string_view, engine::kInputCount> kInputNames = {"m1", "sd1", "n1",
                                                                           "m2", "sd2", "n2"};

// A column's name as columns are matched: without blanks around it, in lower case.
std::string ColumnKey(std::string_view name) {
    std::string key(TrimBlanks(name));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
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

} // namespace

StudyTable::StudyTable(const TableSettings& settings, csv::CsvWriter& out, PooledRows* pooled)
    : settings_(settings), out_(out), z_(meta::TwoSidedZ(settings.level)), pooled_(pooled) {}

void StudyTable::Header(const csv::Record& header) {
    header_.assign(header.fields.begin(), header.fields.end());
    std::string missing;
    for (std::size_t input = 0; input < kInputNames.size(); ++input) {
        std::size_t found = 0;
        for (std::size_t column = 0; column < header_.size(); ++column) {
            if (ColumnKey(header_[column]) == kInputNames[input]) {
                if (found++ > 0) {
                    throw TableError("the column " + std::string(kInputNames[input]) +
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
        throw TableError("missing column: " + missing, header.line);
    }
    // The studies' names: the column --label names (in any case, as the inputs), or the first
    // that is not an input.
    labelColumn_ = header_.size();
    const std::string label = ColumnKey(settings_.label);
    for (std::size_t column = 0; column < header_.size(); ++column) {
        const bool input =
            std::find(inputColumns_.begin(), inputColumns_.end(), column) != inputColumns_.end();
        if (label.empty() ? !input : ColumnKey(header_[column]) == label) {
            if (labelColumn_ != header_.size()) {
                throw TableError("the column " + settings_.label + " is given more than once",
                                 header.line);
            }
            labelColumn_ = column;
            if (label.empty()) {
                break;
            }
        }
    }
    if (!settings_.label.empty() && labelColumn_ == header_.size()) {
        throw TableError("--label names no column: \"" + settings_.label + "\"", header.line);
    }

    for (const std::string& name : header_) {
        out_.Field(name);
    }
    for (const OutputColumn& column : OutputColumns()) {
        if (!column.noncentralOnly || settings_.noncentral) {
            out_.Field(column.name);
        }
    }
    out_.EndRow();
}

void StudyTable::Row(const csv::Record& row) {
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
        ++rowsWithErrors_;
        const std::string message =
            "line " + std::to_string(row.line) + ": " + std::to_string(row.fields.size()) +
            " fields where the header has " + std::to_string(header_.size());
        Write({"RowError", message, {}, nullptr, false, {}, {}, nullptr});
        return;
    }
    WriteResults(row);
}

void StudyTable::Write(const RowResults& results) {
    for (const OutputColumn& column : OutputColumns()) {
        if (!column.noncentralOnly || settings_.noncentral) {
            column.write(results, out_);
        }
    }
    out_.EndRow();
}

void StudyTable::WriteResults(const csv::Record& row) {
    std::array<std::string_view, engine::kInputCount> fields;
    std::array<std::string_view, engine::kInputCount> names;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = row.fields[inputColumns_[i]];
        names[i] = header_[inputColumns_[i]];
    }
    const auto named = [&](const std::optional<engine::Input>& input) {
        return input ? names[engine::Index(*input)] : std::string_view{};
    };
    const std::variant<RowProblem, StudyRow> evaluated = EvaluateStudyRow(fields, names);
    if (const auto* problem = std::get_if<RowProblem>(&evaluated)) {
        if (pooled_ != nullptr) {
            pooled_->LeaveOut(problem->reason);
        }
        ++rowsWithErrors_;
        Write({"InputError",
               problem->message,
               named(problem->input),
               nullptr,
               false,
               {},
               {},
               nullptr});
        return;
    }
    const StudyRow& study = std::get<StudyRow>(evaluated);
    const EffectSizeResults& r = study.values;
    const bool pooled = study.mode == CalcMode::AllResults && !study.noEffect;
    const meta::Interval g = meta::NormalInterval(r.HedgesG, r.HedgesSD, z_);
    if (pooled_ != nullptr) {
        if (pooled) {
            const std::string_view label =
                labelColumn_ < header_.size() ? row.fields[labelColumn_] : std::string_view{};
            pooled_->Add(r.HedgesG, r.HedgesSD * r.HedgesSD, g, label, rows_);
        } else {
            pooled_->LeaveOut(study.noEffect->reason);
        }
    }
    // Why a computed row has no g, or no interval that was asked for: the row says so, and
    // counts as one with an error.
    RowResults results{ModeName(study.mode), {}, {}, &study, pooled, {}, g, nullptr};
    meta::NoncentralInterval noncentral{{}, false};
    if (study.noEffect) {
        ++rowsWithErrors_;
        results.error = study.noEffect->message;
        results.errorField = named(study.noEffect->input);
    } else if (settings_.noncentral) {
        noncentral =
            meta::NoncentralDInterval(r.CohenD, study.stats.N1, study.stats.N2, settings_.level);
        if (noncentral.exists) {
            results.noncentral = &noncentral.bounds;
        } else {
            ++rowsWithErrors_;
            results.error = "no noncentral interval: below 10000 degrees of freedom the "
                            "noncentral t distribution cannot be evaluated this far out";
        }
    }
    // g is written twice, as hedges_g and as yi: its text is worked out once.
    std::array<char, csv::kShortestNumberMax> digits; // NOLINT: written before it is read
    if (study.mode == CalcMode::AllResults) {
        results.hedgesG = {digits.data(), csv::WriteShortest(r.HedgesG, digits.data())};
    }
    Write(results);
}

} // namespace tavrel::table
