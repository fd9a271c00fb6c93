// A table's field as data: a number as a whole, or missing, and nothing read in part.
#include "table/study_row.h"

#include <gtest/gtest.h>

namespace tavrel::table {
namespace {

TEST(StudyRow, AFieldIsANumberAsAWholeOrMissing) {
    for (const char* missing : {"", "  ", "NA", "na", "Na", "NaN", "nan", ".", " . ", "\tNA "}) {
        EXPECT_EQ(ReadDataField(missing).kind, DataField::Missing) << missing;
    }
    for (const char* text : {"1/2", "--5", "+-5", "++5", "12abc", "<.001", "1,5", "0x10", "1e", "-",
                             "+", "e5", "1 2"}) {
        EXPECT_EQ(ReadDataField(text).kind, DataField::NotANumber) << text;
    }
    for (const char* text : {"inf", "-Infinity", "1e400"}) {
        EXPECT_EQ(ReadDataField(text).kind, DataField::NotFinite) << text;
    }
    EXPECT_EQ(ReadDataField(" +.5 ").value, 0.5);
    EXPECT_EQ(ReadDataField("-2.5e-3").value, -0.0025);
    EXPECT_EQ(ReadDataField("\t7\t").value, 7);
}

} // namespace
} // namespace tavrel::table
