#include "sheet/clipboard_text.h"

#include <algorithm>

namespace tavrel::sheet {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number written with one separator between digits, such as "-12,5" or "0.25": where the
// separator stands, or npos for anything else.
std::size_t SeparatorOf(std::string_view text, char separator) {
    std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    const std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos || at == start || at + 1 == text.size()) {
        return std::string_view::npos;
    }
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), IsDigit);
    };
    return digits(text.substr(start, at - start)) && digits(text.substr(at + 1))
               ? at
               : std::string_view::npos;
}

// Reads one field from `at`, quoted or not, up to the tab or line break after it.
std::string Field(std::string_view text, std::size_t& at) {
    std::string field;
    if (at < text.size() && text[at] == '"') {
        for (++at; at < text.size(); ++at) {
            if (text[at] != '"') {
                field += text[at];
            } else if (at + 1 < text.size() && text[at + 1] == '"') {
                field += '"';
                ++at;
            } else {
                ++at;
                break;
            }
        }
    }
    // Anything after a closing quote, or an unquoted field, as it stands.
    const std::size_t end = std::min(text.find_first_of("\t\r\n", at), text.size());
    field.append(text.substr(at, end - at));
    at = end;
    return field;
}

} // namespace

CellBlock ReadCellBlock(std::string_view text) {
    CellBlock block;
    std::size_t at = 0;
    while (at < text.size()) {
        std::vector<std::string> row;
        for (;;) {
            row.push_back(Field(text, at));
            if (at < text.size() && text[at] == '\t') {
                ++at;
                continue;
            }
            break;
        }
        if (at < text.size()) { // a line break: CRLF, LF or CR
            at += text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
        }
        block.push_back(std::move(row));
    }
    std::size_t widest = 0;
    for (const auto& row : block) {
        widest = std::max(widest, row.size());
    }
    for (auto& row : block) {
        row.resize(widest);
    }
    return block;
}

std::string WriteCellBlock(const CellBlock& block) {
    std::string text;
    for (const auto& row : block) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) {
                text += '\t';
            }
            const std::string& field = row[i];
            if (field.find_first_of("\t\r\n\"") == std::string::npos) {
                text += field;
                continue;
            }
            text += '"';
            for (const char c : field) {
                text += c == '"' ? std::string("\"\"") : std::string(1, c);
            }
            text += '"';
        }
        text += '\n';
    }
    return text;
}

void ReadDecimalCommas(CellBlock& block) {
    bool decimalComma = false;
    for (const auto& row : block) {
        for (const std::string& cell : row) {
            if (SeparatorOf(cell, '.') != std::string::npos) {
                return; // the block writes decimal points: its commas are something else
            }
            const std::size_t comma = SeparatorOf(cell, ',');
            if (comma == std::string::npos) {
                continue;
            }
            const std::size_t sign = cell[0] == '-' || cell[0] == '+' ? 1 : 0;
            decimalComma = decimalComma || cell.size() - comma - 1 != 3 ||
                           (comma == sign + 1 && cell[sign] == '0');
        }
    }
    if (!decimalComma) {
        return;
    }
    for (auto& row : block) {
        for (std::string& cell : row) {
            if (const std::size_t comma = SeparatorOf(cell, ','); comma != std::string::npos) {
                cell[comma] = '.';
            }
        }
    }
}

} // namespace tavrel::sheet
