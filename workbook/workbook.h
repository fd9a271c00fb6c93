#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Tables kept where researchers keep them: Excel (.xlsx) and OpenDocument (.ods) workbooks, and
// SPSS (.sav) and Stata (.dta) data files, read as rows of texts, the first naming the columns,
// as a CSV table of the same data would be written. Plain C++: libzip and expat for the
// workbooks, ReadStat for the data files.
namespace tavrel::workbook {

enum class Kind { Xlsx, Ods, Sav, Dta };

// The kind of file `beginning` (its first bytes) starts, where it is one of these.
std::optional<Kind> KindOf(std::string_view beginning);

// A file that cannot be read as a table: damaged, encrypted, without the sheet asked for. The
// message says why in the user's words.
class WorkbookError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Table {
    std::vector<std::vector<std::string>> rows; // the first names the columns; blank rows left out
    std::string sheet;                          // the sheet read, for a workbook
};

// Reads the sheet `sheet` of a workbook (its first where empty; a data file has one table and
// takes no name). Numbers keep the digits the file stores: a workbook's as written in its XML,
// a data file's double as its shortest text that reads back to it; a data file's labelled
// value is read as its label, as a factor would show it. Throws WorkbookError.
Table ReadTable(const std::string& path, Kind kind, const std::string& sheet = {});

// For each kind: "an Excel workbook (.xlsx)", ...
std::string KindName(Kind kind);

} // namespace tavrel::workbook
