#pragma once

#include "project/studies_project.h"

#include <cstdio>
#include <optional>
#include <string>

namespace tavrel::project {

// What reading a table file found beside its rows.
struct TableFileNotes {
    long shortRows = 0;   // rows with fewer fields than the header, filled with empty cells
    long longRows = 0;    // rows with more, for which columns were added
    bool notUtf8 = false; // some text is not UTF-8 (Latin-1 perhaps): the caller decides
    // Numbers written with a decimal comma in a ';'-separated table, given a point instead
    // ("0,25" is "0.25", digit for digit).
    long decimalCommas = 0;
    std::string sheet; // the sheet read, for a workbook
};

// A CSV or TSV table as a project without options: the header's names and every field exactly
// as written, as tavrel-batch reads them, but in a ';'-separated table a number written with a
// decimal comma, which is given a point. `delimiter` may be csv::CsvReader::kDetect. Throws
// csv::MalformedInput, and ProjectError for a file without a header.
StudiesProject ProjectFromTable(std::FILE* file, char delimiter, TableFileNotes& notes);

// A workbook (.xlsx, .ods) or data file (.sav, .dta), known by its first bytes, as a project
// without options: the sheet `sheet` (the first where empty), its rows as a CSV table of them
// would read. Nothing where the file is none of these; throws ProjectError, with the name, where
// it cannot be read.
std::optional<StudiesProject> LoadWorkbook(const std::string& path, const std::string& sheet,
                                           TableFileNotes& notes);

// A project (.tavrel), a workbook or data file (by its first bytes), a TSV (.tsv) or a CSV
// table (any other name; ',' or ';' by its header), by its name. Throws ProjectError, with the
// name, for a file that cannot be read or used.
StudiesProject LoadStudies(const std::string& path, TableFileNotes& notes);

// Whether `text` is UTF-8.
bool IsUtf8(std::string_view text);

} // namespace tavrel::project
