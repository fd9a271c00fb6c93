#include "sheet/studies_sheet.h"

#include <algorithm>
#include <stdexcept>

namespace tavrel::sheet {

StudiesSheet::StudiesSheet(project::StudiesProject project) : project_(std::move(project)) {
    for (std::size_t row = 0; row < project_.rows.size(); ++row) {
        ids_.push_back(NewId());
    }
}

project::StudiesProject StudiesSheet::Project() const {
    return project_;
}

const std::string& StudiesSheet::Cell(int row, int column) const {
    return project_.rows.at(row).at(column);
}

int StudiesSheet::RowOf(RowId id) const {
    const auto found = std::find(ids_.begin(), ids_.end(), id);
    return found == ids_.end() ? -1 : static_cast<int>(found - ids_.begin());
}

void StudiesSheet::SetCell(RowId id, int column, std::string text) {
    const int row = RowOf(id);
    if (row < 0) {
        throw std::out_of_range("no row has this id");
    }
    project_.rows[row].at(column) = std::move(text);
}

void StudiesSheet::InsertRows(int row, std::vector<IdentifiedRow> rows) {
    for (IdentifiedRow& inserted : rows) {
        if (inserted.cells.size() != project_.columns.size()) {
            throw std::invalid_argument("a row must be as long as the header");
        }
        project_.rows.insert(project_.rows.begin() + row, std::move(inserted.cells));
        ids_.insert(ids_.begin() + row, inserted.id);
        nextId_ = std::max(nextId_, inserted.id + 1);
        ++row;
    }
}

std::vector<IdentifiedRow> StudiesSheet::TakeRows(int row, int count) {
    std::vector<IdentifiedRow> taken;
    for (int i = row; i < row + count; ++i) {
        taken.push_back({ids_.at(i), std::move(project_.rows.at(i))});
    }
    project_.rows.erase(project_.rows.begin() + row, project_.rows.begin() + row + count);
    ids_.erase(ids_.begin() + row, ids_.begin() + row + count);
    return taken;
}

void StudiesSheet::InsertColumn(int column, std::string name,
                                const std::vector<std::string>& cells) {
    if (cells.size() != project_.rows.size()) {
        throw std::invalid_argument("a column must be as long as the table");
    }
    project_.columns.insert(project_.columns.begin() + column, std::move(name));
    for (std::size_t row = 0; row < cells.size(); ++row) {
        project_.rows[row].insert(project_.rows[row].begin() + column, cells[row]);
    }
}

std::vector<std::string> StudiesSheet::TakeColumn(int column) {
    std::vector<std::string> cells;
    cells.reserve(project_.rows.size());
    for (std::vector<std::string>& row : project_.rows) {
        cells.push_back(std::move(row.at(column)));
        row.erase(row.begin() + column);
    }
    project_.columns.erase(project_.columns.begin() + column);
    return cells;
}

void StudiesSheet::RenameColumn(int column, std::string name) {
    project_.columns.at(column) = std::move(name);
}

void StudiesSheet::SetOption(std::string_view name, std::optional<std::string> value) {
    project_.SetOption(name, std::move(value));
}

void StudiesSheet::ClearOption(std::string_view name) {
    project_.ClearOption(name);
}

} // namespace tavrel::sheet
