#include "batch/csv_reader.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrel::batch {
namespace {

struct Read {
    std::vector<std::vector<std::string>> records;
    std::vector<long> lines;
};

Read ReadText(const std::string& text, char delimiter = ',') {
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    Read read;
    CsvReader(file, delimiter).ReadAll([&](const Record& record) {
        read.records.emplace_back(record.fields.begin(), record.fields.end());
        read.lines.push_back(record.line);
    });
    std::fclose(file);
    return read;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(CsvReader, QuotedFieldsKeepDelimitersQuotesAndLineBreaks) {
    const Read read = ReadText("a,b,c\n\"x, y\",\"say \"\"hi\"\"\",\"two\nlines\"\n3,,\" \"\n");
    EXPECT_EQ(read.records,
              (Rows{{"a", "b", "c"}, {"x, y", "say \"hi\"", "two\nlines"}, {"3", "", " "}}));
    EXPECT_EQ(read.lines, (std::vector<long>{1, 2, 4}));
}

TEST(CsvReader, CrlfByteOrderMarkAndBlankLines) {
    const Read read = ReadText("\xEF\xBB\xBFm1,n1\r\n\r\n 1 ,2\r\n\n3,4");
    EXPECT_EQ(read.records, (Rows{{"m1", "n1"}, {" 1 ", "2"}, {"3", "4"}}));
    EXPECT_EQ(read.lines, (std::vector<long>{1, 3, 5})); // blank lines still count
}

TEST(CsvReader, TabSeparatedHasNoQuoting) {
    const Read read = ReadText("a\tb\n\"x\t1 2\n", '\t');
    EXPECT_EQ(read.records, (Rows{{"a", "b"}, {"\"x", "1 2"}}));
}

TEST(CsvReader, MalformedQuotingNamesItsLine) {
    try {
        ReadText("a,b\n1,2\n\"x\"y,3\n");
        FAIL() << "no error";
    } catch (const InputError& e) {
        EXPECT_EQ(e.Line(), 3);
    }
    EXPECT_THROW(ReadText("a,b\n\"never closed,3\n"), InputError);
}

TEST(CsvReader, RecordsLongerThanOneReadBuffer) {
    const std::string wide(200000, 'x');
    const Read read = ReadText("a,b\n" + wide + ",\"" + wide + "\"\n");
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1][0].size(), wide.size());
    EXPECT_EQ(read.records[1][1], wide);
}

} // namespace
} // namespace tavrel::batch
