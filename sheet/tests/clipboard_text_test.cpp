#include "sheet/clipboard_text.h"
#include "sheet/paste_plan.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrel::sheet {
namespace {

TEST(CellBlock, ReadsWhatSpreadsheetsCopy) {
    const struct {
        const char* text;
        CellBlock block;
    } cases[] = {
        {"", {}},
        {"a\tb\n", {{"a", "b"}}},                       // the final line break is no row
        {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}}, // CRLF
        {"a\rb", {{"a"}, {"b"}}},                       // CR alone, no final break
        {"a\t\tc\n\t\t\n", {{"a", "", "c"}, {"", "", ""}}},
        {"\"x\ty\"\t\"two\nlines\"\n", {{"x\ty", "two\nlines"}}},
        {"\"say \"\"hi\"\"\"\t5\"\n", {{"say \"hi\"", "5\""}}}, // a quote inside is kept
        {"a\tb\tc\nd\n", {{"a", "b", "c"}, {"d", "", ""}}},     // short rows filled
        {"\n\n", {{""}, {""}}},
    };
    for (const auto& [text, block] : cases) {
        EXPECT_EQ(ReadCellBlock(text), block) << text;
    }
}

TEST(CellBlock, WrittenAsASpreadsheetReadsItBack) {
    const CellBlock block = {
        {"study", "note"}, {"A, 2019", "says \"no\""}, {"B", "two\nlines"}, {"", "tab\there"}};
    const std::string text = WriteCellBlock(block);
    EXPECT_EQ(text,
              "study\tnote\nA, 2019\t\"says \"\"no\"\"\"\nB\t\"two\nlines\"\n\t\"tab\there\"\n");
    EXPECT_EQ(ReadCellBlock(text), block);
}

TEST(DecimalCommas, BecomePointsOnlyWhereTheBlockWritesThem) {
    const struct {
        CellBlock block;
        CellBlock read;
    } cases[] = {
        {{{"A", "0,25", "1,500", "-12,5"}}, {{"A", "0.25", "1.500", "-12.5"}}},
        {{{"1,5", "20"}}, {{"1.5", "20"}}},
        {{{"1,500", "2,000"}}, {{"1,500", "2,000"}}}, // thousands, perhaps: left for the table
        {{{"1,5", "2.5"}}, {{"1,5", "2.5"}}},         // points beside: the comma is not decimal
        {{{"Smith, 2019", "0,3"}}, {{"Smith, 2019", "0.3"}}},
        {{{"1,2,3", ",5", "5,"}, {"0,5", "", ""}}, {{"1,2,3", ",5", "5,"}, {"0.5", "", ""}}},
    };
    for (auto [block, read] : cases) {
        ReadDecimalCommas(block);
        EXPECT_EQ(block, read);
    }
}

const std::vector<std::string> kColumns = {"study", "m1", "sd1", "n1", "m2", "sd2", "n2"};

TEST(PlanPaste, ABlockWithAHeaderAddsItsRowsUnderTheColumnsItNames) {
    const PastePlan plan =
        PlanPaste(kColumns, 3, {{"Study", "N1", "year", ""}, {"X", "20", "2001", "?"}}, 0, 4);
    EXPECT_EQ(plan.newColumns, std::vector<std::string>{"year"});
    EXPECT_EQ(plan.newRows, 1);
    ASSERT_EQ(plan.writes.size(), 3U);
    EXPECT_EQ(plan.writes[0].row, 3);
    EXPECT_EQ(plan.writes[0].column, 0);
    EXPECT_EQ(plan.writes[1].column, 3);
    EXPECT_EQ(plan.writes[2].column, 7);
    EXPECT_EQ(plan.writes[2].text, "2001");
    // A header of escalc's names is a header too.
    EXPECT_EQ(PlanPaste({"study"}, 0, {{"m1i", "sd1i"}, {"1", "2"}}, 0, 0).newRows, 1);
    // A header of names tavrel-batch knows, into a table without them.
    EXPECT_EQ(PlanPaste({"study"}, 0, {{"t", "n1", "n2"}, {"2,5", "10", "12"}}, 0, 0).newColumns,
              (std::vector<std::string>{"t", "n1", "n2"}));
}

TEST(PlanPaste, AnyOtherBlockIsWrittenOverTheCellsAndGrowsTheTable) {
    // A first row with a number in it is data, whatever else it says.
    const PastePlan plan = PlanPaste(kColumns, 2, {{"m1", "1,5"}, {"n1", "0,5"}}, 1, 6);
    EXPECT_EQ(plan.newRows, 1);
    EXPECT_EQ(plan.newColumns, std::vector<std::string>{"column 8"});
    ASSERT_EQ(plan.writes.size(), 4U);
    EXPECT_EQ(plan.writes[1].row, 1);
    EXPECT_EQ(plan.writes[1].column, 7);
    EXPECT_EQ(plan.writes[1].text, "1.5");
    EXPECT_EQ(plan.writes[3].row, 2);
    EXPECT_TRUE(PlanPaste(kColumns, 2, {}, 0, 0).writes.empty());
}

} // namespace
} // namespace tavrel::sheet
