#pragma once

#include "csv/csv_reader.h"
#include "csv/csv_writer.h"
#include "table/output_columns.h"
#include "table/pooled_rows.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::table {

// What the table is asked for.
struct TableSettings {
    double level = 0.95;     // of the intervals
    bool noncentral = false; // add the noncentral-t interval for Cohen's d
    std::string label;       // the column that names the studies; empty: the first other one
};

// The table cannot be used: an input column missing or given twice, a label column that does
// not exist. `line` is the header's.
class TableError : public csv::TableLineError {
  public:
    using TableLineError::TableLineError;
};

// Turns the input table into the output table, row by row: each row's six inputs are read by
// the data rules (EvaluateStudyRow), and every result is added as columns after the row's own
// (OutputColumns).
class StudyTable {
  public:
    // `pooled`, where given, collects the rows for the meta-analysis.
    StudyTable(const TableSettings& settings, csv::CsvWriter& out, PooledRows* pooled = nullptr);

    // The header row: finds the six input columns and writes the output's header. Throws
    // TableError naming any input column that is missing or given twice.
    void Header(const csv::Record& header);
    // One data row, always written: with its results, or with the error that stopped them.
    void Row(const csv::Record& row);

    long Rows() const { return rows_; }
    long RowsWithErrors() const { return rowsWithErrors_; }

  private:
    void WriteResults(const csv::Record& row);
    void Write(const RowResults& results);

    const TableSettings& settings_;
    csv::CsvWriter& out_;
    double z_;
    std::vector<std::string> header_;
    std::array<std::size_t, engine::kInputCount> inputColumns_{};
    PooledRows* pooled_;
    std::size_t labelColumn_ = 0; // the header's size where no column names the studies
    long rows_ = 0;
    long rowsWithErrors_ = 0;
};

} // namespace tavrel::table
