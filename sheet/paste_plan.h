#pragma once

#include "sheet/clipboard_text.h"

#include <string>
#include <vector>

namespace tavrel::sheet {

// What pasting a block into the table does, worked out before anything changes, so that the
// whole paste is one step to undo.
struct PastePlan {
    std::vector<std::string> newColumns; // added after the last column, in order
    int newRows = 0;                     // added after the last row
    struct Write {
        int row; // in the table with the new rows and columns
        int column;
        std::string text;
    };
    std::vector<Write> writes;
};

// Plans pasting `block` into a table with `columns` and `rows`, at (`row`, `column`).
//
// A block whose first row names columns (each non-empty cell a name, none a number, at least
// one a column of the table or an input column tavrel-batch knows, in any case) is a table of
// studies of its own: its rows are added after the table's last, each cell under the column
// of its name, and a name the table lacks becomes a new column.
//
// Any other block is written over the cells from (`row`, `column`), right and down, as a
// spreadsheet pastes; rows and columns it reaches past the table's end are added, the columns
// named by their place ("column 9"). Decimal commas become points first (ReadDecimalCommas).
PastePlan PlanPaste(const std::vector<std::string>& columns, int rows, CellBlock block, int row,
                    int column);

} // namespace tavrel::sheet
