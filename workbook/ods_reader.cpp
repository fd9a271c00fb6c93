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

// Follows content.xml's elements, keeping the cells of the sheet asked for.
class SheetReader {
  public:
    explicit SheetReader(const std::string& sheet) : sheet_(sheet) {}

    void Start(const XmlStart& start) {
        if (done_) {
            return;
        }
        if (start.name == "table:table") {
            const char* name = start.Attribute("table:name");
            reading_ = sheet_.empty() || (name != nullptr && sheet_ == name);
            found_ = reading_ && name != nullptr ? name : found_;
        } else if (!reading_) {
            return;
        } else if (start.name == "table:table-row") {
            column_ = 0;
            rowRepeats_ = Repeated(start, "table:number-rows-repeated");
        } else if (start.name == "table:table-cell" || start.name == "table:covered-table-cell") {
            cellRepeats_ = Repeated(start, "table:number-columns-repeated");
            value_ = StoredValue(start);
            stored_ = !value_.empty();
            paragraphs_ = 0;
            inCell_ = true;
        } else if (inCell_ && start.name == "office:annotation") {
            ++note_;
        } else if (inCell_ && note_ == 0 && !stored_) {
            CellText(start);
        }
    }

    void End(std::string_view name) {
        if (!reading_ || done_) {
            return;
        }
        if (name == "office:annotation") {
            --note_;
        } else if (name == "table:table") {
            done_ = true;
        } else if (name == "table:table-cell" || name == "table:covered-table-cell") {
            for (std::size_t i = 0; i < cellRepeats_ && !value_.empty(); ++i) {
                rows_.Cell(column_ + i, value_);
            }
            column_ += cellRepeats_;
            inCell_ = false;
        } else if (name == "table:table-row") {
            rows_.EndRow(rowRepeats_);
        }
    }

    void Text(std::string_view text) {
        if (reading_ && !done_ && inCell_ && !stored_ && paragraphs_ > 0 && note_ == 0) {
            value_ += text;
        }
    }

    // The sheet read, or why there is none.
    Table Take() {
        if (!done_) {
            throw WorkbookError(sheet_.empty() ? std::string("it has no sheet")
                                               : "it has no sheet named \"" + sheet_ + "\"");
        }
        return {rows_.Take(), found_};
    }

  private:
    // A text cell's paragraphs, one to a line, and its runs of spaces and tabs.
    void CellText(const XmlStart& start) {
        if (start.name == "text:p" && paragraphs_++ > 0) {
            value_ += '\n';
        } else if (start.name == "text:s") {
            value_.append(Repeated(start, "text:c"), ' ');
        } else if (start.name == "text:tab") {
            value_ += '\t';
        }
    }

    const std::string& sheet_;
    TableRows rows_;
    std::string found_;      // the name of the sheet being read, once it is found
    bool reading_ = false;   // inside the sheet asked for
    bool done_ = false;      // past it
    std::size_t column_ = 0; // the next cell's column
    std::size_t cellRepeats_ = 1;
    std::size_t rowRepeats_ = 1;
    bool stored_ = false; // the cell's value is an attribute, not its text
    std::string value_;
    int paragraphs_ = 0;
    bool inCell_ = false;
    int note_ = 0; // inside a cell's comment, which is no part of its value
};

} // namespace

Table ReadOds(const std::string& path, const std::string& sheet) {
    const ZipXml zip(path);
    SheetReader reader(sheet);
    zip.Parse("content.xml", {[&](const XmlStart& start) { reader.Start(start); },
                              [&](std::string_view name) { reader.End(name); },
                              [&](std::string_view text) { reader.Text(text); }});
    return reader.Take();
}

} // namespace tavrel::workbook
