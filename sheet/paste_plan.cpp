#include "sheet/paste_plan.h"

#include "table/row/row_fields.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace tavrel::sheet {

namespace {

// A column's name as names are matched: without blanks around it, in lower case.
std::string Key(std::string_view name) {
    const std::size_t start = name.find_first_not_of(" \t");
    const std::size_t end = name.find_last_not_of(" \t");
    std::string key(start == std::string_view::npos ? std::string_view{}
                                                    : name.substr(start, end - start + 1));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

bool IsNumber(const std::string& text) {
    const std::string key = Key(text);
    double value = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
    return error == std::errc{} && end == key.data() + key.size() && !key.empty();
}

// The table's column named `name`, in any case, or nullopt.
std::optional<int> ColumnNamed(const std::vector<std::string>& columns, std::string_view name) {
    const std::string key = Key(name);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (Key(columns[i]) == key) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

// A name tavrel-batch reads as an input column: its own, or escalc's.
bool IsInputName(std::string_view key) {
    return std::find(table::kColumnNames.begin(), table::kColumnNames.end(), key) !=
               table::kColumnNames.end() ||
           std::any_of(table::kEscalcNames.begin(), table::kEscalcNames.end(),
                       [&](const auto& escalc) { return escalc.first == key; });
}

bool NamesColumns(const std::vector<std::string>& columns, const std::vector<std::string>& first) {
    bool known = false;
    for (const std::string& cell : first) {
        if (IsNumber(cell)) {
            return false;
        }
        const std::string key = Key(cell);
        known = known || (!key.empty() && (ColumnNamed(columns, key) || IsInputName(key)));
    }
    return known;
}

PastePlan PlanTable(const std::vector<std::string>& columns, int rows, const CellBlock& block) {
    PastePlan plan;
    std::vector<int> target; // each pasted column's place in the table, or -1 for none
    std::vector<std::string> known = columns;
    for (const std::string& name : block.front()) {
        if (Key(name).empty()) {
            target.push_back(-1); // a column without a name holds nothing to place
        } else if (const auto column = ColumnNamed(known, name)) {
            target.push_back(*column);
        } else {
            plan.newColumns.push_back(name);
            known.push_back(name);
            target.push_back(static_cast<int>(known.size()) - 1);
        }
    }
    plan.newRows = static_cast<int>(block.size()) - 1;
    for (std::size_t line = 1; line < block.size(); ++line) {
        for (std::size_t cell = 0; cell < block[line].size(); ++cell) {
            if (target[cell] >= 0) {
                plan.writes.push_back(
                    {rows + static_cast<int>(line) - 1, target[cell], block[line][cell]});
            }
        }
    }
    return plan;
}

} // namespace

PastePlan PlanPaste(const std::vector<std::string>& columns, int rows, CellBlock block, int row,
                    int column) {
    ReadDecimalCommas(block);
    if (block.empty()) {
        return {};
    }
    if (NamesColumns(columns, block.front())) {
        return PlanTable(columns, rows, block);
    }
    PastePlan plan;
    const int height = static_cast<int>(block.size());
    const int width = static_cast<int>(block.front().size());
    plan.newRows = std::max(0, row + height - rows);
    for (int added = static_cast<int>(columns.size()); added < column + width; ++added) {
        plan.newColumns.push_back("column " + std::to_string(added + 1));
    }
    for (int line = 0; line < height; ++line) {
        for (int cell = 0; cell < width; ++cell) {
            plan.writes.push_back({row + line, column + cell, block[line][cell]});
        }
    }
    return plan;
}

} // namespace tavrel::sheet
