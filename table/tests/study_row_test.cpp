// A table's field as data: a number as a whole, or missing, and nothing read in part.
#include "table/row/study_row.h"

#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>

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

// ReadDataField reads plain decimals by its own scan and ReadNumber's fast path, for speed; it
// must say exactly what the plain reading by from_chars says, on every text.
DataField ByFromChars(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (lower.empty() || lower == "." || lower == "na" || lower == "nan") {
        return {DataField::Missing, 0};
    }
    if (text.size() > 1 && text[0] == '+' &&
        (std::isdigit(static_cast<unsigned char>(text[1])) || text[1] == '.')) {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() ||
        (error != std::errc{} && error != std::errc::result_out_of_range)) {
        return {DataField::NotANumber, 0};
    }
    if (error == std::errc::result_out_of_range || !std::isfinite(value)) {
        return {DataField::NotFinite, 0};
    }
    return {DataField::Number, value};
}

TEST(StudyRow, ReadsEveryTextAsFromCharsDoes) {
    std::mt19937 random(17);
    const std::string alphabet = "0123456789.+-eE naNifty\t,x";
    std::uniform_int_distribution<std::size_t> length(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        const std::size_t size = length(random);
        // Half of the texts are numbers in shape, so that both readings have work to do.
        for (std::size_t c = 0; c < size; ++c) {
            text += i % 2 == 0 ? alphabet[pick(random)]
                               : (c == size / 2 ? '.' : static_cast<char>('0' + digit(random)));
        }
        const DataField ours = ReadDataField(text);
        const DataField reference = ByFromChars(text);
        ASSERT_EQ(ours.kind, reference.kind) << '"' << text << '"';
        ASSERT_EQ(std::bit_cast<std::uint64_t>(ours.value),
                  std::bit_cast<std::uint64_t>(reference.value))
            << '"' << text << '"';
    }
}

} // namespace
} // namespace tavrel::table
