#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrel::sheet {

// A block of cells as spreadsheets put it on the clipboard: tab-separated, a row to a line.
using CellBlock = std::vector<std::vector<std::string>>;

// Reads a block as LibreOffice, Excel and Google Sheets copy it: fields separated by tabs; a
// field that begins with a quote is quoted (it may hold tabs, line breaks and doubled quotes);
// lines end in LF, CRLF or CR; a line break at the end ends the last row and does not begin
// another. Rows shorter than the longest are filled with empty cells.
CellBlock ReadCellBlock(std::string_view text);

// The block as a spreadsheet reads it back: a field that holds a tab, a line break or a quote
// is quoted, each line ends in LF.
std::string WriteCellBlock(const CellBlock& block);

// A block copied from a spreadsheet that writes decimal commas ("0,25", "-1,5") has them
// turned into points, digit for digit ("0.25"); nothing else changes. A block is taken to
// write them where some cell is a number with a decimal comma that cannot be a thousands
// separator (not three digits after it, or a 0 before it) and no cell writes a decimal point,
// so that "1,500" alone is left for the table to refuse rather than read as 1.5.
void ReadDecimalCommas(CellBlock& block);

} // namespace tavrel::sheet
