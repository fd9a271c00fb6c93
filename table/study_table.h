#pragma once

#include "csv/csv_reader.h"
#include "csv/csv_writer.h"
#include "table/measure/effect_measure.h"
#include "table/output_columns.h"
#include "table/pooled_rows.h"
#include "table/row/row_fields.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::table {

// What the table is asked for.
struct TableSettings {
    Measure measure = Measure::SMD; // the effect size every row gives
    double level = 0.95;            // of the intervals
    bool noncentral = false;        // add the noncentral-t interval for Cohen's d
    std::string label;              // the column that names the studies; empty: the first other one
    std::string by;                 // the column whose text groups the studies; empty for none
    std::vector<std::string> moderators; // the columns of a meta-regression's moderators
    // Columns the caller adds after the table's own: input columns of these names are left out.
    std::vector<std::string_view> appended;
    // Keep, row by row, whether its reported numbers need a look (RowsToCheck).
    bool keepRowsToCheck = false;
    // Numbers are written with a decimal comma ("0,25"), as in a ';'-separated table: the
    // input columns are read so, and yi is written so.
    bool decimalComma = false;
    std::string cluster; // the column naming each row's study, where rows share one; empty: none
};

// The table cannot be used: an input column missing or given twice, a label column that does
// not exist. `line` is the header's.
class TableError : public csv::TableLineError {
  public:
    using TableLineError::TableLineError;
};

// Turns the input table into the output table, row by row: each row's inputs are read by the
// data rules from its most direct source (EvaluateRow), and every result is added as columns
// after the row's own (OutputColumns).
class StudyTable {
  public:
    // `pooled`, where given, collects the rows for the meta-analysis.
    StudyTable(const TableSettings& settings, csv::CsvWriter& out, PooledRows* pooled = nullptr);

    // The header row: finds the input columns and writes the output's header. Throws
    // TableError where no source has all its columns, or a column is given twice.
    void Header(const csv::Record& header);
    // One data row, always written: with its results, or with the error that stopped them.
    void Row(const csv::Record& row);
    // From the next row on, rows go to `out`, with the settings' appended columns written
    // empty by the table itself: the caller no longer adds them.
    void WriteOnTo(csv::CsvWriter& out);

    long Rows() const { return rows_; }
    long RowsWithErrors() const { return rowsWithErrors_; }
    // The rows with an effect size, by where it came from, and those whose other reported
    // numbers disagree with it.
    const std::array<long, kSources.size()>& RowsBySource() const { return bySource_; }
    long RowsWithDisagreements() const { return disagreements_; }
    // Rows whose effect size comes from a less direct source because a more direct one had a
    // value that could not be used (each says which in its consistency column).
    long RowsPassedOver() const { return passedOver_; }
    // Per row read, where the settings keep them: whether its other reported numbers disagree
    // with its effect size, or a more direct source had a value that could not be used.
    const std::vector<bool>& RowsToCheck() const { return rowsToCheck_; }
    // The input columns named as metafor's escalc names them (m1i, ..., ai, ..., ri, ni), as
    // the header spells them.
    const std::vector<std::string>& EscalcColumns() const { return escalcColumns_; }
    // Whether any of them is a group's (not a correlation's ri or ni).
    bool EscalcNamesGroups() const { return escalcGroups_; }
    // The input's columns that computed columns replaced, as the header spells them.
    const std::vector<std::string>& ReplacedColumns() const { return replacedNames_; }

  private:
    // What the header's columns are, each throwing TableError where it cannot be used; `line`
    // is the header's.
    void FindInputColumns(long line);
    // escalc's names of the input columns, each where our own name is not given too: the
    // groups', a correlation's, or (`effectSizes`) yi and vi.
    void FindEscalcColumns(std::array<bool, kColumnCount>& has, long line,
                           bool effectSizes = false);
    // A row in a measure but SMD, written and pooled.
    void MeasuredRow(const csv::Record& row, const RowFields& fields);
    // Writes a row that gives no effect size, and counts it.
    void WriteProblem(const csv::Record& row, const RowFields& fields, const RowProblem& problem);
    void FindLabelColumn(long line);
    void FindReplacedColumns();
    bool Written(const OutputColumn& column) const;
    // The column `name` (in any case) names; `option` says which option asked, for the error.
    std::size_t NamedColumn(const std::string& name, const char* option, long line) const;
    void Write(const csv::Record& row, const RowResults& results);
    // yi's shortest text, in `digits` (csv::kShortestNumberMax of them), as numbers are written.
    std::string_view YiText(double yi, char* digits) const;
    // The row's fields by input column, named as the header spells them; with decimal
    // commas, a field that has one (and no point) as it reads with a point, digit for digit.
    RowFields FieldsOf(const csv::Record& row);
    // Gives the pooling a row that has g, or counts it as left out by why.
    void Pool(const csv::Record& row, const StudyRow& study, bool pooled, meta::Interval g);
    // Gives the pooling a row's effect (yi, vi), or counts it as left out for want of a
    // moderator.
    void Pool(const csv::Record& row, meta::Study effect, meta::Interval interval);

    const TableSettings& settings_;
    csv::CsvWriter* out_;
    bool appendsEmpty_ = false; // the appended columns are the table's to write, empty
    double z_;
    std::vector<std::string> header_;
    std::array<std::size_t, kColumnCount> columns_{}; // the header's size where absent
    // Per input column: the output column in its place, kLeftOut where an appended column
    // replaces it, else the number of output columns.
    std::vector<std::size_t> replacement_;
    static constexpr std::size_t kLeftOut = static_cast<std::size_t>(-1);
    std::vector<bool> replaced_; // per output column
    std::vector<std::string> replacedNames_;
    PooledRows* pooled_;
    std::size_t labelColumn_ = 0;   // the header's size where no column names the studies
    std::size_t byColumn_ = 0;      // the header's size where the studies are not grouped
    std::size_t clusterColumn_ = 0; // the header's size where the rows are not clustered
    std::vector<std::size_t> moderatorColumns_;
    std::vector<std::string_view> moderatorTexts_;      // one row's, reused
    std::array<std::string, kColumnCount> pointFields_; // one row's fields with a decimal point
    RowFields emptyFields_;                             // the header's names, no field given
    std::vector<std::size_t> givenInputs_;              // the input columns the header has
    long rows_ = 0;
    long rowsWithErrors_ = 0;
    std::array<long, kSources.size()> bySource_{};
    long disagreements_ = 0;
    long passedOver_ = 0;
    std::vector<bool> rowsToCheck_;
    std::vector<std::string> escalcColumns_;
    bool escalcGroups_ = false;
};

} // namespace tavrel::table
