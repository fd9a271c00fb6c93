#include "workbook/workbook.h"

#include "workbook/readers.h"

namespace tavrel::workbook {

std::optional<Kind> KindOf(std::string_view beginning) {
    if (beginning.starts_with("$FL2")) {
        return Kind::Sav;
    }
    if (beginning.starts_with("<stata_dta>") ||
        // Stata 8 to 12 (formats 113 to 115), little- or big-endian, data type 1.
        (beginning.size() >= 2 &&
         (beginning[0] == 'q' || beginning[0] == 'r' || beginning[0] == 's' ||
          beginning[0] == 'o') &&
         (beginning[1] == 1 || beginning[1] == 2) && beginning.size() >= 4 && beginning[2] == 1 &&
         beginning[3] == 0)) {
        return Kind::Dta;
    }
    if (!beginning.starts_with(std::string_view("PK\x03\x04", 4))) {
        return std::nullopt;
    }
    // A ZIP archive's first entry names what it holds: OpenDocument puts "mimetype" first,
    // Office Open XML usually "[Content_Types].xml".
    constexpr std::size_t kFirstName = 30; // the local file header's fixed part
    const std::string_view rest = beginning.size() > kFirstName ? beginning.substr(kFirstName) : "";
    if (rest.starts_with("mimetype")) {
        return rest.find("opendocument.spreadsheet") != std::string_view::npos
                   ? std::optional(Kind::Ods)
                   : std::nullopt;
    }
    if (rest.starts_with("[Content_Types].xml") || rest.starts_with("_rels/") ||
        rest.starts_with("docProps/") || rest.starts_with("xl/")) {
        return Kind::Xlsx;
    }
    return std::nullopt;
}

std::string KindName(Kind kind) {
    switch (kind) {
    case Kind::Xlsx:
        return "an Excel workbook (.xlsx)";
    case Kind::Ods:
        return "an OpenDocument spreadsheet (.ods)";
    case Kind::Sav:
        return "an SPSS data file (.sav)";
    case Kind::Dta:
        break;
    }
    return "a Stata data file (.dta)";
}

Table ReadTable(const std::string& path, Kind kind, const std::string& sheet) {
    switch (kind) {
    case Kind::Xlsx:
        return ReadXlsx(path, sheet);
    case Kind::Ods:
        return ReadOds(path, sheet);
    case Kind::Sav:
    case Kind::Dta:
        break;
    }
    return ReadDataFile(path, kind);
}

} // namespace tavrel::workbook
