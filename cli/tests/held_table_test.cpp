// The held table: rows come out exactly as written, each with the appended fields or with them
// empty, whatever the blocks it is read back in, however a long field or a quoted line break
// splits a row between them.
#include "cli/held_table.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace tavrel::cli {
namespace {

constexpr std::array<std::string_view, 2> kAppended = {"a", "b"};

// Writes `rows` rows of two fields through a held table and returns the output, each data row
// given "row,x" by the appender where `filled`.
std::string Through(int rows, const std::string& longField, bool filled) {
    std::FILE* file = std::tmpfile();
    {
        csv::CsvWriter out(file, ',');
        HeldTable held(out, kAppended);
        csv::CsvWriter& writer = held.Writer();
        writer.PlainField("id");
        writer.PlainField("text");
        writer.EndRow();
        for (int row = 1; row <= rows; ++row) {
            writer.Integer(row);
            writer.Field(row == rows / 2 ? longField : "t\"q");
            writer.EndRow();
        }
        const auto append = [](long row, csv::CsvWriter& to) {
            to.Integer(row);
            to.PlainField("x");
        };
        EXPECT_TRUE(held.WriteTo(filled ? HeldTable::Appender(append) : nullptr));
    }
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

std::string Expected(int rows, const std::string& longField, bool filled) {
    std::string text = "id,text,a,b\n";
    for (int row = 1; row <= rows; ++row) {
        text += std::to_string(row) + "," +
                (row == rows / 2 ? longField : std::string("\"t\"\"q\"")) + "," +
                (filled ? std::to_string(row) + ",x" : std::string(",")) + "\n";
    }
    return text;
}

TEST(HeldTable, EveryRowGainsItsFields) {
    // Beyond a block read back, and with line breaks and quotes inside it, some right at a
    // block's end.
    std::string longField(3'000'000, 'z');
    for (std::size_t at = 1; at < longField.size(); at += 65'537) {
        longField[at] = at % 2 == 0 ? '\n' : '"';
    }
    longField[(std::size_t{1} << 20) - 40] = '\n';
    std::string quoted = "\"";
    for (const char c : longField) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    quoted += "\"";
    EXPECT_EQ(Through(50'000, longField, true), Expected(50'000, quoted, true));
    EXPECT_EQ(Through(300'000, longField, false), Expected(300'000, quoted, false));
}

} // namespace
} // namespace tavrel::cli
