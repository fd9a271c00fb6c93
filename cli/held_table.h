#pragma once

#include "csv/csv_writer.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::cli {

// The output table held in memory while the rows are read, so that columns only the fitted
// model can fill (each study's weight, residual, ...) can be added to the end of every row
// before the table is written out.
class HeldTable {
  public:
    explicit HeldTable(char delimiter);
    ~HeldTable();
    HeldTable(const HeldTable&) = delete;
    HeldTable& operator=(const HeldTable&) = delete;

    // Where the table's rows are written, header first.
    csv::CsvWriter& Writer() { return *writer_; }

    // Writes the held table to `out`: the header with `names` after it, and each data row
    // (numbered from 1) with the fields `append` writes after it, as many as `names`.
    // Returns false where `out` refused the table.
    using Appender = std::function<void(long row, csv::CsvWriter& out)>;
    bool WriteTo(csv::CsvWriter& out, std::span<const std::string_view> names,
                 const Appender& append);

  private:
    std::string text_; // what the writer has flushed
    std::FILE* memory_;
    std::unique_ptr<csv::CsvWriter> writer_;
    std::vector<std::uint64_t> rowEnds_;
};

} // namespace tavrel::cli
