// The held table: rows come out exactly as written, each with the appended fields; past the
// row limit they go out as they come, the appended fields empty, whatever the writer's blocks
// and however a long field splits a row between them.
#include "cli/held_table.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace tavrel::cli {
namespace {

constexpr std::array<std::string_view, 2> kAppended = {"a", "b"};

// Writes `rows` rows of two fields through a table held to `mostRows` rows and returns the
// output, each data row given "row,x" by the appender where it is called.
std::string Through(std::size_t mostRows, int rows, const std::string& longField, bool* spilled) {
    std::FILE* file = std::tmpfile();
    {
        csv::CsvWriter out(file, ',');
        HeldTable held(out, kAppended, mostRows);
        csv::CsvWriter& writer = held.Writer();
        writer.PlainField("id");
        writer.PlainField("text");
        writer.EndRow();
        for (int row = 1; row <= rows; ++row) {
            writer.Integer(row);
            writer.Field(row == rows / 2 ? longField : "t\"q");
            writer.EndRow();
        }
        EXPECT_TRUE(held.WriteTo([](long row, csv::CsvWriter& to) {
            to.Integer(row);
            to.PlainField("x");
        }));
        *spilled = held.Spilled();
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
    bool spilled = true;
    const std::string longField(200'000, 'z'); // beyond the writer's slack: written directly
    EXPECT_EQ(Through(100'000, 50'000, longField, &spilled), Expected(50'000, longField, true));
    EXPECT_FALSE(spilled);
}

TEST(HeldTable, PastTheLimitRowsGoOutWithTheFieldsEmpty) {
    bool spilled = false;
    const std::string longField(200'000, 'z');
    EXPECT_EQ(Through(1'000, 300'000, longField, &spilled), Expected(300'000, longField, false));
    EXPECT_TRUE(spilled);
}

} // namespace
} // namespace tavrel::cli
