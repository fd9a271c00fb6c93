#include "csv/file_kind.h"

#include <array>

namespace tavrel::csv {

namespace {

// Each format by the bytes it begins with (its magic number, as file(1) knows them).
struct Magic {
    std::string_view start;
    const char* kind;
};

constexpr std::array<Magic, 11> kMagics = {{
    {"%PDF", "a PDF document"},
    {std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8),
     "an old Excel workbook or other Office file (.xls, .doc)"},
    {"$FL2", "an SPSS data file (.sav)"},
    {"$FL3", "an SPSS data file (.zsav)"},
    {"<stata_dta>", "a Stata data file (.dta)"},
    {"\x1F\x8B", "a gzip-compressed file"},
    {"\x89PNG", "a PNG image"},
    {"\xFF\xD8\xFF", "a JPEG image"},
    {"{\\rtf", "an RTF document"},
    {"\xFF\xFE", "text in UTF-16 (as Excel saves \"Unicode text\")"},
    {"\xFE\xFF", "text in UTF-16"},
}};

// A ZIP archive's first entry names what it holds: OpenDocument puts "mimetype" first, with
// its type as the entry's content; Office Open XML usually "[Content_Types].xml".
std::string ZipKind(std::string_view beginning) {
    constexpr std::size_t kFirstName = 30; // the local file header's fixed part
    const std::string_view rest = beginning.size() > kFirstName ? beginning.substr(kFirstName) : "";
    if (rest.starts_with("mimetype")) {
        return rest.find("opendocument.spreadsheet") != std::string_view::npos
                   ? "an OpenDocument spreadsheet (.ods)"
                   : "an OpenDocument file";
    }
    if (rest.starts_with("[Content_Types].xml") || rest.starts_with("_rels/") ||
        rest.starts_with("docProps/") || rest.starts_with("xl/")) {
        return "an Excel workbook or other Office Open XML file (.xlsx, .docx)";
    }
    return "a ZIP archive";
}

} // namespace

std::optional<std::string> ForeignFileKind(std::string_view beginning) {
    if (beginning.starts_with(std::string_view("PK\x03\x04", 4))) {
        return ZipKind(beginning);
    }
    for (const Magic& magic : kMagics) {
        if (beginning.starts_with(magic.start)) {
            return std::string(magic.kind);
        }
    }
    // Text holds no NUL; a binary file soon does.
    if (beginning.find('\0') != std::string_view::npos) {
        return std::string("a binary file");
    }
    return std::nullopt;
}

std::string NotATable(const std::string& name, const std::string& kind) {
    return name + " is " + kind +
           ", not a CSV or TSV table: save its table as CSV (UTF-8) from the program that made it";
}

} // namespace tavrel::csv
