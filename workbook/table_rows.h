#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tavrel::workbook {

// Collects a sheet's cells row by row, as a CSV table of them would read: trailing empty
// cells dropped, rows without any text left out.
class TableRows {
  public:
    // The cell at `column` (from 0) of the row being read; cells between are empty.
    void Cell(std::size_t column, std::string text);
    // Ends the row being read, `repeated` times over (an OpenDocument row may stand for many).
    void EndRow(std::size_t repeated = 1);
    std::vector<std::vector<std::string>> Take() { return std::move(rows_); }

  private:
    std::vector<std::string> row_;
    std::vector<std::vector<std::string>> rows_;
};

} // namespace tavrel::workbook
