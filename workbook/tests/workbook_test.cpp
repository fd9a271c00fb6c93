// Each reader on a file written by a program that writes that format for real (see
// samples/make-samples): the sheet asked for, texts and numbers as stored, value labels.
#include "workbook/workbook.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace tavrel::workbook {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string Sample(const std::string& name) {
    return std::string(TAVREL_WORKBOOK_SAMPLES) + "/" + name;
}

std::string Beginning(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes(128, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

const Rows kStudies = {{"study", "m1", "sd1", "n1", "m2", "sd2", "n2"},
                       {"Smith, 2001", "100", "15.5", "20", "110", "15", "20"},
                       {"Jones", "27.25", "7", "31", "29", "4", "32"}};

TEST(Workbook, ExcelSheetsByPlaceOrName) {
    const std::string path = Sample("two-sheets.xlsx");
    EXPECT_EQ(KindOf(Beginning(path)), Kind::Xlsx);
    const Table first = ReadTable(path, Kind::Xlsx);
    EXPECT_EQ(first.sheet, "Studies");
    ASSERT_EQ(first.rows.size(), 4u);
    EXPECT_EQ(Rows(first.rows.begin(), first.rows.begin() + 3), kStudies);
    // An empty cell inside a row stays in its place; a formula without a stored value is empty.
    EXPECT_EQ(first.rows[3], (std::vector<std::string>{"Lee", "5", "", "12", "6", "1.25", "12"}));
    const Table second = ReadTable(path, Kind::Xlsx, "Correlations");
    EXPECT_EQ(second.rows, (Rows{{"r", "n"}, {"0.3", "40"}, {"-0.125", "25"}}));
    try {
        ReadTable(path, Kind::Xlsx, "Sheet9");
        ADD_FAILURE();
    } catch (const WorkbookError& e) {
        EXPECT_STREQ(e.what(), "it has no sheet named \"Sheet9\"");
    }
}

TEST(Workbook, OpenDocumentKeepsStoredNumbersNotTheirDisplay) {
    const std::string path = Sample("two-sheets.ods");
    EXPECT_EQ(KindOf(Beginning(path)), Kind::Ods);
    EXPECT_EQ(ReadTable(path, Kind::Ods).rows, (Rows{{"copied from the papers"}}));
    // Shown as "15,5", stored as 15.5; the sheet's million repeated empty rows are no rows.
    const Table studies = ReadTable(path, Kind::Ods, "Studies");
    EXPECT_EQ(studies.rows, kStudies);
    EXPECT_THROW(ReadTable(path, Kind::Ods, "Other"), WorkbookError);
}

TEST(Workbook, DataFilesWithValueLabels) {
    for (const auto& [name, kind] :
         {std::pair{"labelled.sav", Kind::Sav}, std::pair{"labelled.dta", Kind::Dta}}) {
        const std::string path = Sample(name);
        EXPECT_EQ(KindOf(Beginning(path)), kind) << name;
        const Table table = ReadTable(path, kind);
        ASSERT_EQ(table.rows.size(), 4u) << name;
        EXPECT_EQ(table.rows[0], (std::vector<std::string>{"study", "m1", "sd1", "n1", "m2", "sd2",
                                                           "n2", "group"}));
        EXPECT_EQ(table.rows[1], (std::vector<std::string>{"Smith, 2001", "100", "15.5", "20",
                                                           "110", "15", "20", "Adults"}))
            << name;
        EXPECT_EQ(table.rows[3][2], "") << name; // a missing value
        EXPECT_EQ(table.rows[2][7], "Children") << name;
    }
}

TEST(Workbook, DamagedFilesSayWhy) {
    const std::string path = testing::TempDir() + "damaged.xlsx";
    std::ofstream(path, std::ios::binary) << std::string("PK\x03\x04", 4) << "not really a zip";
    EXPECT_THROW(ReadTable(path, Kind::Xlsx), WorkbookError);
    std::ofstream(path, std::ios::binary) << "$FL2 and then nothing";
    EXPECT_THROW(ReadTable(path, Kind::Sav), WorkbookError);
    EXPECT_EQ(KindOf("study,m1\n"), std::nullopt);
    EXPECT_EQ(KindOf(std::string("PK\x03\x04", 4) + std::string(26, 'x') + "word/document.xml"),
              std::nullopt);
}

} // namespace
} // namespace tavrel::workbook
