#include "csv/file_kind.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrel::csv {
namespace {

// A ZIP archive whose first entry is `name`: the local file header's 30 bytes, then the name.
std::string ZipWith(const std::string& name) {
    return std::string("PK\x03\x04", 4) + std::string(26, '\x01') + name;
}

TEST(FileKind, IsToldByItsFirstBytes) {
    const struct {
        std::string beginning;
        const char* kind; // null: may be a table
    } cases[] = {
        {"%PDF-1.7\n%\xE2\xE3", "a PDF document"},
        {ZipWith("[Content_Types].xml"), "an Excel workbook or other Office Open XML file"},
        {ZipWith("mimetypeapplication/vnd.oasis.opendocument.spreadsheet"),
         "an OpenDocument spreadsheet (.ods)"},
        {ZipWith("data/studies.csv"), "a ZIP archive"},
        {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10), "an old Excel workbook"},
        {"$FL2@(#) IBM SPSS STATISTICS", "an SPSS data file (.sav)"},
        {"<stata_dta><header><release>118", "a Stata data file (.dta)"},
        {std::string("\x1F\x8B\x08\0", 4), "a gzip-compressed file"},
        {std::string("\xFF\xFEs\0t\0u\0", 8), "text in UTF-16"},
        {std::string("study,m1\0\0", 10), "a binary file"},
        {"study,m1,sd1,n1\nA,1,2,3\n", nullptr},
        {"\xEF\xBB\xBFstudy;m1\n", nullptr}, // UTF-8 with its byte-order mark
        {"", nullptr},
    };
    for (const auto& [beginning, kind] : cases) {
        const std::optional<std::string> found = ForeignFileKind(beginning);
        if (kind == nullptr) {
            EXPECT_FALSE(found) << *found;
        } else {
            ASSERT_TRUE(found) << kind;
            EXPECT_TRUE(found->starts_with(kind)) << *found;
        }
    }
}

} // namespace
} // namespace tavrel::csv
