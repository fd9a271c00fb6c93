#include "table/row/written_number.h"

#include "table/row/study_row.h"

#include <cctype>
#include <cmath>
#include <string>

namespace tavrel::table {

namespace {

bool SameWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) {
            return false;
        }
    }
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

int WrittenNumber::Decimals() const {
    const int decimals = static_cast<int>(std::lround(-std::log10(2 * halfUnit)));
    return decimals > 0 ? decimals : 0;
}

std::optional<WrittenNumber> ReadWrittenNumber(std::string_view text) {
    text = TrimBlanks(text);
    const DataField field = ReadDataField(text);
    if (field.kind != DataField::Number) {
        return std::nullopt;
    }
    // The last written digit's place: the digits after the point, less the exponent.
    const std::size_t exponentAt = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, exponentAt);
    const std::size_t point = mantissa.find('.');
    const long decimals =
        point == std::string_view::npos ? 0 : static_cast<long>(mantissa.size() - point - 1);
    const long exponent = exponentAt == std::string_view::npos
                              ? 0
                              : std::stol(std::string(text.substr(exponentAt + 1)));
    return WrittenNumber{field.value,
                         0.5 * std::pow(10.0, static_cast<double>(exponent - decimals))};
}

std::optional<ReportedP> ReadReportedP(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && (text.front() == 'p' || text.front() == 'P')) {
        text = TrimBlanks(text.substr(1));
    }
    struct Spelling {
        std::string_view text;
        ReportedP::Relation relation;
    };
    // Longest first, so that "<=" is not read as "<".
    static constexpr Spelling kRelations[] = {
        {"<=", ReportedP::AtMost},      {">=", ReportedP::AtLeast}, {"\u2264", ReportedP::AtMost},
        {"\u2265", ReportedP::AtLeast}, {"<", ReportedP::Below},    {">", ReportedP::Above},
        {"=", ReportedP::Equal}};
    ReportedP::Relation relation = ReportedP::Equal;
    for (const Spelling& spelling : kRelations) {
        if (StartsWith(text, spelling.text)) {
            relation = spelling.relation;
            text.remove_prefix(spelling.text.size());
            break;
        }
    }
    const std::optional<WrittenNumber> bound = ReadWrittenNumber(text);
    if (!bound) {
        return std::nullopt;
    }
    return ReportedP{relation, *bound};
}

std::optional<int> ReadSign(std::string_view text) {
    text = TrimBlanks(text);
    if (text == "+" || text == "1" || text == "+1" || SameWord(text, "positive")) {
        return 1;
    }
    if (text == "-" || text == "-1" || SameWord(text, "negative")) {
        return -1;
    }
    return std::nullopt;
}

} // namespace tavrel::table
