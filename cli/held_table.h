#pragma once

#include "csv/csv_writer.h"

#include <cstdio>
#include <functional>
#include <span>
#include <string_view>

namespace tavrel::cli {

// The output table held while the rows are read, so that columns only the fitted model can
// fill (each study's weight, residual, ...) can be added to the end of every row before the
// table is written to `out`. The rows wait in a temporary file, gone with the process however
// it ends, and are merged with their appended fields when the table is written.
class HeldTable {
  public:
    HeldTable(csv::CsvWriter& out, std::span<const std::string_view> appended);
    ~HeldTable();
    HeldTable(const HeldTable&) = delete;
    HeldTable& operator=(const HeldTable&) = delete;

    // Where the table's rows are written, header first.
    csv::CsvWriter& Writer() { return writer_; }

    // Writes the held table to `out`, the header with the appended columns' names and each data
    // row (numbered from 1) with the fields `append` writes after it, as many as the appended
    // columns; with them empty where `append` is null. Returns false where `out` or the
    // temporary file refused the table.
    using Appender = std::function<void(long row, csv::CsvWriter& out)>;
    bool WriteTo(const Appender& append);

  private:
    // Writes one held row, without its line break, and the fields appended to it.
    void WriteRow(std::string_view row, long number, const Appender& append);

    csv::CsvWriter& out_;
    std::span<const std::string_view> appended_;
    std::FILE* file_;
    csv::CsvWriter writer_;
};

} // namespace tavrel::cli
