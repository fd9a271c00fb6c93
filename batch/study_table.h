#pragma once

#include "batch/csv_reader.h"
#include "batch/csv_writer.h"
#include "batch/options.h"
#include "batch/pooled_rows.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tavrel::batch {

// Turns the input table into the output table, row by row: each row's six inputs go through
// the calculator's engine exactly as the window's fields do, and every result is added as
// columns after the row's own.
class StudyTable {
  public:
    // `pooled`, where given, collects the rows for the meta-analysis.
    StudyTable(const Options& options, CsvWriter& out, PooledRows* pooled = nullptr);

    // The header row: finds the six input columns and writes the output's header. Throws
    // InputError naming any input column that is missing or given twice.
    void Header(const Record& header);
    // One data row, always written: with its results, or with the error that stopped them.
    void Row(const Record& row);

    long Rows() const { return rows_; }
    long RowsWithErrors() const { return rowsWithErrors_; }

  private:
    void WriteError(std::string_view mode, std::string_view message, std::string_view field);
    void WriteResults(const Record& row);

    const Options& options_;
    CsvWriter& out_;
    double z_;
    std::vector<std::string> header_;
    std::array<std::size_t, 6> inputColumns_{};
    PooledRows* pooled_;
    std::size_t labelColumn_ = 0; // the header's size where no column names the studies
    long rows_ = 0;
    long rowsWithErrors_ = 0;
};

} // namespace tavrel::batch
