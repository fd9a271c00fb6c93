#include "workbook/readers.h"
#include "workbook/table_rows.h"
#include "workbook/zip_xml.h"

#include <cstddef>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// Office Open XML (ECMA-376 part 1, SpreadsheetML): the workbook lists its sheets, each a
// relationship to its part; text cells hold an index into the shared strings.
namespace tavrel::workbook {

namespace {

// The column of a cell reference ("B7" is 1), or npos where it is none.
std::size_t ColumnOf(std::string_view reference) {
    std::size_t column = 0;
    std::size_t letters = 0;
    while (letters < reference.size() && reference[letters] >= 'A' && reference[letters] <= 'Z' &&
           letters < 3) {
        column = column * 26 + static_cast<std::size_t>(reference[letters] - 'A' + 1);
        ++letters;
    }
    return letters == 0 ? std::string::npos : column - 1;
}

// Each shared string's text: the text of its runs, without phonetic guides.
std::vector<std::string> SharedStrings(const ZipXml& zip) {
    std::vector<std::string> strings;
    if (!zip.Has("xl/sharedStrings.xml")) {
        return strings;
    }
    bool inText = false;
    int phonetic = 0;
    zip.Parse("xl/sharedStrings.xml", {[&](const XmlStart& start) {
                                           if (start.name == "si") {
                                               strings.emplace_back();
                                           } else if (start.name == "rPh") {
                                               ++phonetic;
                                           }
                                           inText = start.name == "t" && phonetic == 0;
                                       },
                                       [&](std::string_view name) {
                                           phonetic -= name == "rPh" ? 1 : 0;
                                           inText = false;
                                       },
                                       [&](std::string_view text) {
                                           if (inText && !strings.empty()) {
                                               strings.back() += text;
                                           }
                                       }});
    return strings;
}

// The part of the sheet named `wanted` (the first where empty), and its name.
std::pair<std::string, std::string> SheetPart(const ZipXml& zip, const std::string& wanted) {
    std::vector<std::pair<std::string, std::string>> sheets; // name, relationship id
    zip.Parse("xl/workbook.xml", {[&](const XmlStart& start) {
                                      if (start.name == "sheet") {
                                          const char* name = start.Attribute("name");
                                          const char* id = start.Attribute("r:id");
                                          sheets.emplace_back(name ? name : "", id ? id : "");
                                      }
                                  },
                                  {},
                                  {}});
    std::map<std::string, std::string> targets;
    zip.Parse("xl/_rels/workbook.xml.rels", {[&](const XmlStart& start) {
                                                 const char* id = start.Attribute("Id");
                                                 const char* target = start.Attribute("Target");
                                                 if (start.name == "Relationship" && id && target) {
                                                     targets[id] = target;
                                                 }
                                             },
                                             {},
                                             {}});
    for (const auto& [name, id] : sheets) {
        if (wanted.empty() || name == wanted) {
            const std::string target = targets[id];
            if (target.empty()) {
                break;
            }
            // Relative to xl/, or absolute from the archive's root.
            return {target[0] == '/' ? target.substr(1) : "xl/" + target, name};
        }
    }
    throw WorkbookError(wanted.empty() ? std::string("it has no sheet")
                                       : "it has no sheet named \"" + wanted + "\"");
}

} // namespace

Table ReadXlsx(const std::string& path, const std::string& sheet) {
    const ZipXml zip(path);
    const std::vector<std::string> strings = SharedStrings(zip);
    const auto [part, name] = SheetPart(zip, sheet);
    TableRows rows;
    std::string type; // the cell's t attribute
    std::size_t column = 0;
    std::size_t next = 0; // the column a cell without a reference takes
    std::string value;
    bool inValue = false;
    bool inCell = false;
    zip.Parse(part, {[&](const XmlStart& start) {
                         if (start.name == "c") {
                             const char* reference = start.Attribute("r");
                             column = reference ? ColumnOf(reference) : next;
                             column = column == std::string::npos ? next : column;
                             const char* t = start.Attribute("t");
                             type = t ? t : "n";
                             value.clear();
                             inCell = true;
                         }
                         inValue = inCell && (start.name == "v" || start.name == "t");
                     },
                     [&](std::string_view element) {
                         if (element == "c") {
                             if (type == "s") {
                                 const std::size_t index = std::strtoul(value.c_str(), nullptr, 10);
                                 value = index < strings.size() ? strings[index] : std::string();
                             } else if (type == "b") {
                                 value = value == "1" ? "TRUE" : "FALSE";
                             }
                             rows.Cell(column, std::move(value));
                             value.clear();
                             next = column + 1;
                             inCell = false;
                         } else if (element == "row") {
                             rows.EndRow();
                             next = 0;
                         }
                         inValue = false;
                     },
                     [&](std::string_view text) {
                         if (inValue) {
                             value += text;
                         }
                     }});
    return {rows.Take(), name};
}

} // namespace tavrel::workbook
