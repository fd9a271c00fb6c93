#pragma once

#include <optional>
#include <string_view>

namespace tavrel::table {

// A number as a paper reports it: its value and half a unit of its last written digit, for
// the range of values that round to it ("2.1" stands for 2.05 to 2.15, "1.50e-3" for 1.495e-3
// to 1.505e-3).
struct WrittenNumber {
    double value;
    double halfUnit;
    double Low() const { return value - halfUnit; }
    double High() const { return value + halfUnit; }
    // The decimals written, where the text has a point; 0 otherwise.
    int Decimals() const;
};

// A number as a whole (the data rules' plain form), or nothing.
std::optional<WrittenNumber> ReadWrittenNumber(std::string_view text);

// A reported p: a number, or an inequality as papers write them ("<.001", "p < 0.05",
// "≥ .10", "p = .03"): an optional "p", a relation and a number, blanks anywhere between.
struct ReportedP {
    enum Relation { Equal, Below, AtMost, Above, AtLeast } relation;
    WrittenNumber bound;
};
std::optional<ReportedP> ReadReportedP(std::string_view text);

// A direction: "+", "-", "1", "-1", "positive", "negative" in any case; nothing for any other
// text.
std::optional<int> ReadSign(std::string_view text);

} // namespace tavrel::table
