#include "table/study_table.h"

#include "csv/round_trip_number.h"
#include "engine/calculation.h"
#include "meta/study/intervals.h"
#include "table/output_columns.h"
#include "table/row/effect_sources.h"
#include "table/row/measure_row.h"
#include "table/row/study_row.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tavrel::table {

namespace {

using engine::CalcMode;
using engine::EffectSizeResults;
using engine::Result;

// A column's name as columns are matched: without blanks around it, in lower case.
std::string ColumnKey(std::string_view name) {
    std::string key(TrimBlanks(name));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

// Whether an escalc name is a group's (m1i, ...), not a correlation's or an effect size's.
bool GroupColumn(Column column) {
    return column != Column::R && column != Column::N && column != Column::Es &&
           column != Column::EsVar;
}

std::string_view ModeName(const StudyRow& study) {
    if (study.source != EffectSource::Means) {
        return "EffectSizeOnly"; // g and what d gives, without the groups' means
    }
    switch (study.mode) {
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
    : settings_(settings), out_(&out), z_(meta::TwoSidedZ(settings.level)), pooled_(pooled) {}

void StudyTable::Header(const csv::Record& header) {
    header_.assign(header.fields.begin(), header.fields.end());
    FindInputColumns(header.line);
    FindLabelColumn(header.line);
    byColumn_ =
        settings_.by.empty() ? header_.size() : NamedColumn(settings_.by, "--by", header.line);
    clusterColumn_ = settings_.cluster.empty()
                         ? header_.size()
                         : NamedColumn(settings_.cluster, "--cluster", header.line);
    moderatorColumns_.clear();
    for (const std::string& moderator : settings_.moderators) {
        moderatorColumns_.push_back(NamedColumn(moderator, "--mods", header.line));
    }
    FindReplacedColumns();
    givenInputs_.clear();
    for (std::size_t input = 0; input < kColumnCount; ++input) {
        const bool given = columns_[input] < header_.size();
        emptyFields_.names[input] =
            given ? std::string_view(header_[columns_[input]]) : kColumnNames[input];
        emptyFields_.text[input].reset();
        if (given) {
            givenInputs_.push_back(input);
        }
    }
    const std::span<const OutputColumn> outputs = OutputColumns(settings_.measure);
    for (std::size_t column = 0; column < header_.size(); ++column) {
        if (replacement_[column] != kLeftOut) {
            out_->Field(header_[column]);
        }
    }
    for (std::size_t output = 0; output < outputs.size(); ++output) {
        if (Written(outputs[output]) && !replaced_[output]) {
            out_->Field(outputs[output].name);
        }
    }
    if (appendsEmpty_) {
        for (const std::string_view name : settings_.appended) {
            out_->Field(name);
        }
    }
    out_->EndRow();
}

void StudyTable::FindInputColumns(long line) {
    columns_.fill(header_.size());
    std::array<bool, kColumnCount> has{};
    for (std::size_t input = 0; input < kColumnCount; ++input) {
        if (!ReadsColumn(settings_.measure, static_cast<Column>(input))) {
            continue;
        }
        for (std::size_t column = 0; column < header_.size(); ++column) {
            if (ColumnKey(header_[column]) == kColumnNames[input]) {
                if (has[input]) {
                    throw TableError("the column " + std::string(kColumnNames[input]) +
                                         " is given more than once",
                                     line);
                }
                has[input] = true;
                columns_[input] = column;
            }
        }
    }
    FindEscalcColumns(has, line);
    // A 2x2 table is given one way: our events and sizes, or escalc's four cells.
    for (const Column events : {Column::Events1, Column::Events2}) {
        for (const Column cell : {Column::Ai, Column::Bi, Column::Ci, Column::Di}) {
            if (has[At(events)] && has[At(cell)]) {
                throw TableError("the columns " + header_[columns_[At(events)]] + " and " +
                                     header_[columns_[At(cell)]] +
                                     " give the same 2x2 table two ways (escalc's ai and bi are "
                                     "the experimental group's events and non-events): keep one",
                                 line);
            }
        }
    }
    const auto missing = [&] {
        return settings_.measure == Measure::SMD ? MissingColumns(has)
                                                 : MissingMeasureColumns(settings_.measure, has);
    };
    // escalc's yi and vi are effect sizes as given only where the table has no other source:
    // an output of ours read again keeps its own columns, and yi and vi are replaced.
    if (missing()) {
        FindEscalcColumns(has, line, true);
    }
    if (const std::optional<std::string> lacking = missing()) {
        throw TableError(*lacking, line);
    }
}

void StudyTable::FindEscalcColumns(std::array<bool, kColumnCount>& has, long line,
                                   bool effectSizes) {
    if (!effectSizes) {
        escalcColumns_.clear();
        escalcGroups_ = false;
        for (const Column cell : {Column::Ai, Column::Bi, Column::Ci, Column::Di}) {
            if (has[At(cell)]) {
                escalcColumns_.push_back(header_[columns_[At(cell)]]);
                escalcGroups_ = true;
            }
        }
    }
    for (const auto& [name, input] : kEscalcNames) {
        const bool effectSize = input == Column::Es || input == Column::EsVar;
        if (!ReadsColumn(settings_.measure, input) || effectSize != effectSizes) {
            continue;
        }
        for (std::size_t column = 0; column < header_.size(); ++column) {
            if (ColumnKey(header_[column]) != name) {
                continue;
            }
            const std::size_t at = At(input);
            if (has[at]) {
                const bool groups = GroupColumn(input);
                throw TableError("the columns " + header_[columns_[at]] + " and " +
                                     header_[column] + " give the same quantity (escalc's " +
                                     std::string(name) + " is " + std::string(kColumnNames[at]) +
                                     (groups ? ", its group 1 being the experimental group" : "") +
                                     "): keep one",
                                 line);
            }
            has[at] = true;
            columns_[at] = column;
            escalcColumns_.push_back(header_[column]);
            escalcGroups_ = escalcGroups_ || GroupColumn(input);
        }
    }
}

// The studies' names: the column --label names (in any case, as the inputs), or the first that
// is not an input.
void StudyTable::FindLabelColumn(long line) {
    const auto isInput = [&](std::size_t column) {
        return std::find(columns_.begin(), columns_.end(), column) != columns_.end();
    };
    labelColumn_ = header_.size();
    const std::string label = ColumnKey(settings_.label);
    for (std::size_t column = 0; column < header_.size(); ++column) {
        if (label.empty() ? !isInput(column) : ColumnKey(header_[column]) == label) {
            if (labelColumn_ != header_.size()) {
                throw TableError("the column " + settings_.label + " is given more than once",
                                 line);
            }
            labelColumn_ = column;
            if (label.empty()) {
                break;
            }
        }
    }
    if (!settings_.label.empty() && labelColumn_ == header_.size()) {
        throw TableError("--label names no column: \"" + settings_.label + "\"", line);
    }
}

// An input column named as an output column (the table is itself an output, say) is replaced in
// place by the computed one, and one named as an appended column is left out: no name twice.
void StudyTable::FindReplacedColumns() {
    const std::span<const OutputColumn> outputs = OutputColumns(settings_.measure);
    replacement_.assign(header_.size(), outputs.size());
    replaced_.assign(outputs.size(), false);
    for (std::size_t column = 0; column < header_.size(); ++column) {
        for (const std::string_view name : settings_.appended) {
            if (ColumnKey(header_[column]) == name) {
                replacement_[column] = kLeftOut;
                replacedNames_.push_back(header_[column]);
            }
        }
        for (std::size_t output = 0; output < outputs.size(); ++output) {
            if (Written(outputs[output]) &&
                ColumnKey(header_[column]) == ColumnKey(outputs[output].name)) {
                replacement_[column] = output;
                replaced_[output] = true;
                replacedNames_.push_back(header_[column]);
            }
        }
    }
}

std::size_t StudyTable::NamedColumn(const std::string& name, const char* option, long line) const {
    std::size_t found = header_.size();
    for (std::size_t column = 0; column < header_.size(); ++column) {
        if (ColumnKey(header_[column]) == ColumnKey(name)) {
            if (found != header_.size()) {
                throw TableError("the column " + name + " is given more than once", line);
            }
            found = column;
        }
    }
    if (found == header_.size()) {
        throw TableError(std::string(option) + " names no column: \"" + name + "\"", line);
    }
    return found;
}

bool StudyTable::Written(const OutputColumn& column) const {
    return !column.noncentralOnly || settings_.noncentral;
}

void StudyTable::Row(const csv::Record& row) {
    ++rows_;
    if (settings_.keepRowsToCheck) {
        rowsToCheck_.push_back(false);
    }
    if (row.fields.size() != header_.size()) {
        if (pooled_ != nullptr) {
            pooled_->LeaveOut(LeftOutReason::FieldCount);
        }
        ++rowsWithErrors_;
        const std::string message =
            "line " + std::to_string(row.line) + ": " + std::to_string(row.fields.size()) +
            " fields where the header has " + std::to_string(header_.size());
        Write(row, {"RowError", message, {}, nullptr, false, {}, {}, nullptr});
        return;
    }
    const RowFields fields = FieldsOf(row);
    if (settings_.measure != Measure::SMD) {
        MeasuredRow(row, fields);
        return;
    }
    const std::variant<RowProblem, StudyRow> evaluated = EvaluateRow(fields);
    if (const auto* problem = std::get_if<RowProblem>(&evaluated)) {
        WriteProblem(row, fields, *problem);
        return;
    }
    const StudyRow& study = std::get<StudyRow>(evaluated);
    const EffectSizeResults& r = study.values;
    const bool pooled = study.mode == CalcMode::AllResults && !study.noEffect;
    const meta::Interval g = meta::NormalInterval(r.HedgesG, std::sqrt(study.vi), z_);
    if (settings_.keepRowsToCheck) {
        rowsToCheck_.back() = study.disagrees || study.passedOver;
    }
    if (pooled) {
        ++bySource_[static_cast<std::size_t>(study.source)];
        disagreements_ += study.disagrees ? 1 : 0;
        passedOver_ += study.passedOver ? 1 : 0;
    }
    if (pooled_ != nullptr) {
        Pool(row, study, pooled, g);
    }
    // Why a computed row has no g, or no interval that was asked for: the row says so, and
    // counts as one with an error.
    RowResults results{ModeName(study), {}, {}, &study, pooled, {}, g, nullptr};
    meta::NoncentralInterval noncentral{{}, false};
    if (study.noEffect) {
        ++rowsWithErrors_;
        results.error = study.noEffect->message;
        results.errorField =
            study.noEffect->input
                ? fields.Name(static_cast<Column>(engine::Index(*study.noEffect->input)))
                : study.noEffect->field;
    } else if (settings_.noncentral) {
        if (study.HasSizes()) {
            noncentral = meta::NoncentralDInterval(r.CohenD, study.stats.N1, study.stats.N2,
                                                   settings_.level);
        }
        if (noncentral.exists) {
            results.noncentral = &noncentral.bounds;
        } else {
            ++rowsWithErrors_;
            results.error = study.HasSizes()
                                ? "no noncentral interval: below 10000 degrees of freedom the "
                                  "noncentral t distribution cannot be evaluated this far out"
                                : "no noncentral interval: an es row gives neither d nor the "
                                  "groups' sizes";
        }
    }
    // g is written twice, as hedges_g and as yi: its text is worked out once.
    std::array<char, csv::kShortestNumberMax> digits; // NOLINT: written before it is read
    if (study.Determines(Result::HedgesG)) {
        results.hedgesG = YiText(r.HedgesG, digits.data());
    }
    Write(row, results);
}

void StudyTable::WriteProblem(const csv::Record& row, const RowFields& fields,
                              const RowProblem& problem) {
    if (pooled_ != nullptr) {
        pooled_->LeaveOut(problem.reason);
    }
    ++rowsWithErrors_;
    const std::string_view field =
        problem.input ? fields.Name(static_cast<Column>(engine::Index(*problem.input)))
                      : problem.field;
    Write(row, {"InputError", problem.message, field, nullptr, false, {}, {}, nullptr});
}

void StudyTable::MeasuredRow(const csv::Record& row, const RowFields& fields) {
    std::variant<RowProblem, MeasureRow> evaluated = EvaluateMeasureRow(settings_.measure, fields);
    auto* measured = std::get_if<MeasureRow>(&evaluated);
    if (measured != nullptr &&
        !(std::isfinite(measured->effect.yi) && std::isfinite(measured->effect.vi))) {
        evaluated = RowProblem{"the effect size is not finite: the numbers are beyond the range "
                               "of a double",
                               std::nullopt, LeftOutReason::NotFinite};
    } else if (measured != nullptr && !(measured->effect.vi > 0)) {
        evaluated = RowProblem{"the effect size has a variance of 0, which gives no weight to "
                               "pool it by",
                               std::nullopt, LeftOutReason::OutOfRange};
    }
    if (const auto* problem = std::get_if<RowProblem>(&evaluated)) {
        WriteProblem(row, fields, *problem);
        return;
    }
    const meta::Study effect = std::get<MeasureRow>(evaluated).effect;
    const meta::Interval interval = meta::NormalInterval(effect.yi, std::sqrt(effect.vi), z_);
    if (pooled_ != nullptr) {
        Pool(row, effect, interval);
    }
    std::array<char, csv::kShortestNumberMax> digits; // NOLINT: written before it is read
    RowResults results{"Computed", {}, {}, nullptr, true, {}, interval, nullptr};
    results.hedgesG = YiText(effect.yi, digits.data());
    results.measured = &std::get<MeasureRow>(evaluated);
    results.transform = Info(settings_.measure).transform;
    Write(row, results);
}

std::string_view StudyTable::YiText(double yi, char* digits) const {
    char* const end = csv::WriteShortest(yi, digits);
    if (settings_.decimalComma) {
        std::replace(digits, end, '.', ',');
    }
    return {digits, static_cast<std::size_t>(end - digits)};
}

RowFields StudyTable::FieldsOf(const csv::Record& row) {
    // The names and absent columns are the header's: only the given columns' texts are read.
    RowFields fields = emptyFields_;
    for (const std::size_t input : givenInputs_) {
        const std::string_view text = row.fields[columns_[input]];
        fields.text[input] = text;
        if (!settings_.decimalComma) {
            continue;
        }
        if (const std::size_t comma = text.find(',');
            comma != std::string_view::npos && text.find('.') == std::string_view::npos) {
            pointFields_[input].assign(text);
            pointFields_[input][comma] = '.'; // a second comma leaves it no number
            fields.text[input] = pointFields_[input];
        }
    }
    return fields;
}

void StudyTable::Pool(const csv::Record& row, const StudyRow& study, bool pooled,
                      meta::Interval g) {
    if (!pooled) {
        pooled_->LeaveOut(study.noEffect->reason);
        return;
    }
    Pool(row, {study.values.HedgesG, study.vi}, g);
}

void StudyTable::Pool(const csv::Record& row, meta::Study effect, meta::Interval interval) {
    const std::string_view label =
        labelColumn_ < header_.size() ? row.fields[labelColumn_] : std::string_view{};
    const std::string_view group =
        byColumn_ < header_.size() ? row.fields[byColumn_] : std::string_view{};
    moderatorTexts_.clear();
    // As they are written, as --by's groups and R's factors take them: " a" is not "a".
    for (const std::size_t column : moderatorColumns_) {
        moderatorTexts_.push_back(row.fields[column]);
    }
    const bool moderatorMissing =
        std::any_of(moderatorTexts_.begin(), moderatorTexts_.end(),
                    [](auto text) { return ReadDataField(text).kind == DataField::Missing; });
    const std::string_view cluster =
        clusterColumn_ < header_.size() ? row.fields[clusterColumn_] : std::string_view{};
    if (moderatorMissing) {
        pooled_->LeaveOut(LeftOutReason::NoModerator);
    } else if (clusterColumn_ < header_.size() &&
               ReadDataField(cluster).kind == DataField::Missing) {
        pooled_->LeaveOut(LeftOutReason::NoCluster);
    } else {
        pooled_->Add(effect.yi, effect.vi, interval, label, rows_, group, moderatorTexts_, cluster);
    }
}

void StudyTable::Write(const csv::Record& row, const RowResults& results) {
    const std::span<const OutputColumn> outputs = OutputColumns(settings_.measure);
    // The row's own columns, as many as the header names, each replaced output in its place.
    for (std::size_t column = 0; column < header_.size(); ++column) {
        if (replacement_[column] < outputs.size()) {
            outputs[replacement_[column]].write(results, *out_);
            continue;
        }
        if (replacement_[column] == kLeftOut) {
            continue;
        }
        const std::string_view field =
            column < row.fields.size() ? row.fields[column] : std::string_view{};
        row.plain ? out_->PlainField(field) : out_->Field(field);
    }
    for (std::size_t output = 0; output < outputs.size(); ++output) {
        if (Written(outputs[output]) && !replaced_[output]) {
            outputs[output].write(results, *out_);
        }
    }
    if (appendsEmpty_) {
        for (std::size_t column = 0; column < settings_.appended.size(); ++column) {
            out_->PlainField({});
        }
    }
    out_->EndRow();
}

void StudyTable::WriteOnTo(csv::CsvWriter& out) {
    out_ = &out;
    appendsEmpty_ = true;
}

} // namespace tavrel::table
