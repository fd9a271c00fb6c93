#include "csv/csv_reader.h"
#include "csv/csv_writer.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::csv {
namespace {

struct Read {
    std::vector<std::vector<std::string>> records;
    std::vector<long> lines;
};

Read ReadText(const std::string& text, char delimiter = ',', std::size_t buffer = 1 << 18) {
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    Read read;
    CsvReader(file, delimiter, buffer).ReadAll([&](const Record& record) {
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

// A header with more semicolons than commas outside quotes is a ';'-separated table (R's
// write.csv2); a comma inside a quoted name does not count, nor does anything past the header.
TEST(CsvReader, DetectsTheDelimiterByTheHeader) {
    const auto detected = [](const std::string& text) {
        std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
        CsvReader reader(file, CsvReader::kDetect);
        std::vector<std::size_t> widths;
        reader.ReadAll([&](const Record& record) { widths.push_back(record.fields.size()); });
        std::fclose(file);
        return std::pair{reader.Delimiter(), widths};
    };
    EXPECT_EQ(detected("\"study\";\"m1\";\"sd1\"\n1;0,5;1,25\n"),
              (std::pair{';', std::vector<std::size_t>{3, 3}}));
    EXPECT_EQ(detected("\"a, b\";\"c, d\";e\n1;2;3\n").first, ';');
    EXPECT_EQ(detected("study,m1,sd1\nA;B,1,2\n").first, ',');
    EXPECT_EQ(detected("\xEF\xBB\xBFx;y\n").first, ';'); // after a byte-order mark
    EXPECT_EQ(detected("only\n").first, ',');
    EXPECT_EQ(detected("").first, ',');
}

TEST(CsvReader, TabSeparatedHasNoQuoting) {
    const Read read = ReadText("a\tb\n\"x\t1 2\n", '\t');
    EXPECT_EQ(read.records, (Rows{{"a", "b"}, {"\"x", "1 2"}}));
}

TEST(CsvReader, MalformedQuotingNamesItsLine) {
    try {
        ReadText("a,b\n1,2\n\"x\"y,3\n");
        FAIL() << "no error";
    } catch (const MalformedInput& e) {
        EXPECT_EQ(e.Line(), 3);
    }
    try {
        ReadText("a,b\n\n\"two\nlines\",\"never closed,3\n");
        FAIL() << "no error";
    } catch (const MalformedInput& e) {
        EXPECT_EQ(e.Line(), 4); // where the open quote is
    }
}

TEST(CsvReader, LoneCarriageReturnsEndLinesAndTheLastLineNeedsNoBreak) {
    const Read read = ReadText("a,b\r1,2\r\r3,\"4\"");
    EXPECT_EQ(read.records, (Rows{{"a", "b"}, {"1", "2"}, {"3", "4"}}));
    EXPECT_EQ(read.lines, (std::vector<long>{1, 2, 4}));
}

TEST(CsvReader, QuotesOutsideQuotedFieldsAreMalformed) {
    for (const std::string text : {"a,b\n1,x\"y\n", "a,b\n1, \"y\"\n", "a,b\n1,\"y\" \n"}) {
        try {
            ReadText(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const MalformedInput& e) {
            EXPECT_EQ(e.Line(), 2) << text;
        }
    }
}

// The reader splits records where they lie in its buffer and unquotes fields in place, so a
// record cut by the end of a read is the case to get right: a byte-order mark, a CRLF, a
// doubled quote and a quoted line break, each cut at every place by buffers of every size.
TEST(CsvReader, RecordsCutByTheEndOfARead) {
    const std::string text = "\xEF\xBB\xBF"
                             "a,b\r\nxy,1\r\n\"say \"\"hi\"\"\r\nthere\",2\r\r\n3,4";
    for (std::size_t buffer = 1; buffer <= text.size() + 1; ++buffer) {
        const Read read = ReadText(text, ',', buffer);
        EXPECT_EQ(read.records,
                  (Rows{{"a", "b"}, {"xy", "1"}, {"say \"hi\"\r\nthere", "2"}, {"3", "4"}}))
            << buffer;
        EXPECT_EQ(read.lines, (std::vector<long>{1, 2, 3, 6})) << buffer;
    }
}

TEST(CsvReader, RecordsLongerThanOneReadBuffer) {
    const std::string wide(200000, 'x');
    const Read read = ReadText("a,b\n" + wide + ",\"" + wide + "\"\n");
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1][0].size(), wide.size());
    EXPECT_EQ(read.records[1][1], wide);
}

// Inside quoted fields too, a lone CR ends a line, as it does outside them.
TEST(CsvReader, LoneCarriageReturnsInQuotedFieldsCountAsLines) {
    const std::string text = "a,b\r\"x\ry\r\nz\",1\r\r\"w\"q,2\r";
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    long line = 0;
    try {
        CsvReader(file, ',').ReadAll([](const Record&) {});
    } catch (const MalformedInput& e) {
        line = e.Line();
    }
    std::fclose(file);
    EXPECT_EQ(line, 6);
}

TEST(CsvReader, ARecordPastTheLimitIsRefusedWithTheLineItStartsOn) {
    const std::string text = "a,b\n1,2\n\n" + std::string(5000, 'x') + "\n3,4\n";
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    long line = 0;
    int records = 0;
    try {
        CsvReader(file, ',', 64, 4096).ReadAll([&](const Record&) { ++records; });
    } catch (const MalformedInput& e) {
        line = e.Line();
    }
    std::fclose(file);
    EXPECT_EQ(records, 2);
    EXPECT_EQ(line, 4);
}

// The writer quotes a field that holds a lone CR: written plain, a pass-through note would
// split its output row in two when read back.
TEST(CsvWriter, FieldsWithLineBreaksOfAnyKindAreQuotedAndReadBackWhole) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    {
        CsvWriter writer(file, ',');
        for (const char* note : {"lone\rCR", "line\nfeed", "both\r\n", "a,b", "say \"hi\""}) {
            writer.Field(note);
            writer.Field("x");
            writer.EndRow();
        }
        ASSERT_TRUE(writer.Flush());
    }
    std::fclose(file);
    const std::string written(data, size);
    std::free(data);
    const Read read = ReadText(written);
    EXPECT_EQ(read.records, (Rows{{"lone\rCR", "x"},
                                  {"line\nfeed", "x"},
                                  {"both\r\n", "x"},
                                  {"a,b", "x"},
                                  {"say \"hi\"", "x"}}));
}

} // namespace
} // namespace tavrel::csv
