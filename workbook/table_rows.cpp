#include "workbook/table_rows.h"

#include <algorithm>

namespace tavrel::workbook {

void TableRows::Cell(std::size_t column, std::string text) {
    // A cell beyond any column a table could use is left out rather than grow the row.
    constexpr std::size_t kWidest = 1 << 14; // Excel's 16,384 columns
    if (column >= kWidest || text.empty()) {
        return;
    }
    if (row_.size() <= column) {
        row_.resize(column + 1);
    }
    row_[column] = std::move(text);
}

void TableRows::EndRow(std::size_t repeated) {
    if (!row_.empty()) {
        for (std::size_t i = 0; i < repeated; ++i) {
            rows_.push_back(row_);
        }
        row_.clear();
    }
}

} // namespace tavrel::workbook
