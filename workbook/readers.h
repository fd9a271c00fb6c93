#pragma once

#include "workbook/workbook.h"

#include <string>

namespace tavrel::workbook {

// The sheet `sheet` (the first where empty) of an Excel workbook. Throws WorkbookError.
Table ReadXlsx(const std::string& path, const std::string& sheet);
// The same of an OpenDocument spreadsheet.
Table ReadOds(const std::string& path, const std::string& sheet);
// The one table of an SPSS or Stata data file.
Table ReadDataFile(const std::string& path, Kind kind);

} // namespace tavrel::workbook
