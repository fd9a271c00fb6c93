#include "project/table_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tavrel::project {
namespace {

TEST(TableFile, KeepsEveryFieldAsWrittenAndEveryRowWhateverItsLength) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "tavrel-table-file-test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "t.csv") << "study,m1\r\n\"A, 2019\", 1.50 \nB\nC,2,extra\n";
    TableFileNotes notes;
    const StudiesProject studies = LoadStudies((dir / "t.csv").string(), notes);
    EXPECT_EQ(studies.columns, (std::vector<std::string>{"study", "m1", "column 3"}));
    EXPECT_EQ(studies.rows, (std::vector<std::vector<std::string>>{
                                {"A, 2019", " 1.50 ", ""}, {"B", "", ""}, {"C", "2", "extra"}}));
    EXPECT_EQ(notes.shortRows, 1);
    EXPECT_EQ(notes.longRows, 1);
    EXPECT_FALSE(notes.notUtf8);

    std::ofstream(dir / "t.TSV") << "study\tm1\nM\xfcller\t1,5\n";
    TableFileNotes latin;
    EXPECT_EQ(LoadStudies((dir / "t.TSV").string(), latin).rows[0][1], "1,5");
    EXPECT_TRUE(latin.notUtf8);

    std::ofstream(dir / "data.csv", std::ios::binary) << "$FL2@(#) IBM SPSS STATISTICS 64-bit";
    try {
        LoadStudies((dir / "data.csv").string(), notes);
        ADD_FAILURE();
    } catch (const ProjectError& e) {
        EXPECT_NE(
            std::string(e.what()).find("data.csv is an SPSS data file (.sav): cannot read it"),
            std::string::npos)
            << e.what();
    }
    std::ofstream(dir / "empty.csv") << "\n\n";
    EXPECT_THROW(LoadStudies((dir / "empty.csv").string(), notes), ProjectError);
    std::ofstream(dir / "bad.csv") << "a,b\n\"x,1\n";
    try {
        LoadStudies((dir / "bad.csv").string(), notes);
        ADD_FAILURE();
    } catch (const ProjectError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.csv: "), std::string::npos) << e.what();
    }
    std::filesystem::remove_all(dir);
}

// A write.csv2 file: ';' by its header, and only numbers with a decimal comma given a point.
TEST(TableFile, SemicolonTablesGivePointsToDecimalCommasOnly) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tavrel-table-file-csv2.csv";
    std::ofstream(path) << "\"study\";\"m1\";\"sd1\";\"note\"\n"
                           "\"Smith, 2001\";-0,25; 1,5e3 ;1.000,5\n\"Jones\";,5;2;a,b\n";
    TableFileNotes notes;
    const StudiesProject studies = LoadStudies(path.string(), notes);
    std::filesystem::remove(path);
    EXPECT_EQ(studies.columns, (std::vector<std::string>{"study", "m1", "sd1", "note"}));
    EXPECT_EQ(studies.rows,
              (std::vector<std::vector<std::string>>{{"Smith, 2001", "-0.25", " 1.5e3 ", "1.000,5"},
                                                     {"Jones", ".5", "2", "a,b"}}));
    EXPECT_EQ(notes.decimalCommas, 3);
}

// A workbook opens as its first sheet, named in the notes.
TEST(TableFile, WorkbooksOpenAsTheirFirstSheet) {
    TableFileNotes notes;
    const StudiesProject studies =
        LoadStudies(std::string(TAVREL_WORKBOOK_SAMPLES) + "/two-sheets.xlsx", notes);
    EXPECT_EQ(notes.sheet, "Studies");
    EXPECT_EQ(studies.columns,
              (std::vector<std::string>{"study", "m1", "sd1", "n1", "m2", "sd2", "n2"}));
    ASSERT_EQ(studies.rows.size(), 3u);
    EXPECT_EQ(studies.rows[2][2], ""); // the empty cell, in its place
    EXPECT_FALSE(LoadWorkbook(std::string(TAVREL_WORKBOOK_SAMPLES) + "/make-samples", {}, notes));
}

TEST(Utf8, IsToldFromOtherEncodings) {
    EXPECT_TRUE(IsUtf8("M\xc3\xbcller \xe2\x89\xa5 \xf0\x9f\x98\x80"));
    for (const char* text : {"M\xfcller", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                             "\xf4\x90\x80\x80", "\xe2\x89"}) {
        EXPECT_FALSE(IsUtf8(text)) << text;
    }
}

} // namespace
} // namespace tavrel::project
