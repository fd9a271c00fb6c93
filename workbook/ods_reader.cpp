#include "workbook/readers.h"
#include "workbook/table_rows.h"
#include "workbook/zip_xml.h"

#include <cstddef>
#include <cstdlib>
#include <string>

// OpenDocument (ISO/IEC 26300, OpenDocument 1.2 part 1, 9.1): content.xml holds each sheet as a
// table:table of rows and cells, a cell's value in office:value (numbers), office:date-value,
// office:boolean-value or its paragraphs' text; a cell or row may stand for several.
namespace tavrel::workbook {

namespace {

// A repeat count, capped: a sheet's unused rest is written as one row repeated a million times.
std::size_t Repeated(const XmlStart& start, const char* attribute) {
    const char* text = start.Attribute(attribute);
    const unsigned long count = text != nullptr ? std::strtoul(text, nullptr, 10) : 1;
    constexpr unsigned long kMost = 1 << 20;
    return count < 1 ? 1 : static_cast<std::size_t>(count < kMost ? count : kMost);
}

// The value a cell stores, where it is not text: a number's digits as written in the file.
std::string StoredValue(const XmlStart& start) {
    const char* type = start.Attribute("office:value-type");
    if (type == nullptr) {
        return {};
    }
    const std::string_view kind = type;
    const char* value = kind == "date"      ? start.Attribute("office:date-value")
                        : kind == "time"    ? start.Attribute("office:time-value")
                        : kind == "boolean" ? start.Attribute("office:boolean-value")
                        : kind == "string"  ? nullptr
                                            : start.Attribute("office:value");
    return value != nullptr ? value : std::string();
}

} // namespace

Table ReadOds(const std::string& path, const std::string& sheet) {
    const ZipXml zip(path);
    TableRows rows;
    std::string found;      // the name of the sheet being read, once it is found
    bool reading = false;   // inside the sheet asked for
    bool done = false;      // past it
    std::size_t column = 0; // the next cell's column
    std::size_t cellRepeats = 1;
    std::size_t rowRepeats = 1;
    bool stored = false; // the cell's value is an attribute, not its text
    std::string value;
    int paragraphs = 0;
    bool inCell = false;
    int note = 0; // inside a cell's comment, which is no part of its value
    zip.Parse("content.xml",
              {[&](const XmlStart& start) {
                   if (done) {
                       return;
                   }
                   if (start.name == "table:table") {
                       const char* name = start.Attribute("table:name");
                       reading = sheet.empty() || (name != nullptr && sheet == name);
                       if (reading) {
                           found = name != nullptr ? name : "";
                       }
                   } else if (!reading) {
                       return;
                   } else if (start.name == "table:table-row") {
                       column = 0;
                       rowRepeats = Repeated(start, "table:number-rows-repeated");
                   } else if (start.name == "table:table-cell" ||
                              start.name == "table:covered-table-cell") {
                       cellRepeats = Repeated(start, "table:number-columns-repeated");
                       value = StoredValue(start);
                       stored = !value.empty();
                       paragraphs = 0;
                       inCell = true;
                   } else if (inCell && start.name == "office:annotation") {
                       ++note;
                   } else if (note > 0) {
                       return;
                   } else if (inCell && start.name == "text:p") {
                       if (!stored && paragraphs++ > 0) {
                           value += '\n';
                       }
                   } else if (inCell && !stored && start.name == "text:s") {
                       value.append(Repeated(start, "text:c"), ' ');
                   } else if (inCell && !stored && start.name == "text:tab") {
                       value += '\t';
                   }
               },
               [&](std::string_view name) {
                   if (!reading || done) {
                       return;
                   }
                   if (name == "office:annotation") {
                       --note;
                   } else if (name == "table:table") {
                       done = true;
                   } else if (name == "table:table-cell" || name == "table:covered-table-cell") {
                       if (!value.empty()) {
                           for (std::size_t i = 0; i < cellRepeats; ++i) {
                               rows.Cell(column + i, value);
                           }
                       }
                       column += cellRepeats;
                       inCell = false;
                   } else if (name == "table:table-row") {
                       rows.EndRow(rowRepeats);
                   }
               },
               [&](std::string_view text) {
                   if (reading && !done && inCell && !stored && paragraphs > 0 && note == 0) {
                       value += text;
                   }
               }});
    if (!done) {
        throw WorkbookError(sheet.empty() ? std::string("it has no sheet")
                                          : "it has no sheet named \"" + sheet + "\"");
    }
    return {rows.Take(), found};
}

} // namespace tavrel::workbook
