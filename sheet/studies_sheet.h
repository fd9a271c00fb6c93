#pragma once

#include "project/studies_project.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel::sheet {

// A row's name for as long as the sheet lives, whatever is inserted, removed, sorted or moved
// around it: what edits and their undo address.
using RowId = std::uint64_t;

// One row with its id, as it is taken out of the sheet and put back.
struct IdentifiedRow {
    RowId id;
    std::vector<std::string> cells;
};

// The table of studies as typed: the header's names and every cell's text, each row with its
// id, and the options of its analysis. Plain data: the model shows it, the undo commands
// change it.
class StudiesSheet {
  public:
    StudiesSheet() = default;
    explicit StudiesSheet(project::StudiesProject project);

    project::StudiesProject Project() const;
    const project::StudiesProject& View() const { return project_; }

    int Rows() const { return static_cast<int>(project_.rows.size()); }
    int Columns() const { return static_cast<int>(project_.columns.size()); }
    const std::string& Cell(int row, int column) const;
    const std::string& ColumnName(int column) const { return project_.columns.at(column); }
    RowId IdAt(int row) const { return ids_.at(row); }
    // Where the row `id` stands, or -1 where it is not in the sheet.
    int RowOf(RowId id) const;
    // An id no row has had.
    RowId NewId() { return nextId_++; }

    void SetCell(RowId id, int column, std::string text);
    // Puts `rows` in at `row`, in order; each is as long as the header.
    void InsertRows(int row, std::vector<IdentifiedRow> rows);
    // Takes out the `count` rows from `row`, and gives them back.
    std::vector<IdentifiedRow> TakeRows(int row, int count);
    void InsertColumn(int column, std::string name, const std::vector<std::string>& cells);
    // Takes out a column and gives back its cells, row by row.
    std::vector<std::string> TakeColumn(int column);
    void RenameColumn(int column, std::string name);
    // Sets an option of the analysis (nullopt: a flag on), or puts it back to its default.
    void SetOption(std::string_view name, std::optional<std::string> value);
    void ClearOption(std::string_view name);

  private:
    project::StudiesProject project_;
    std::vector<RowId> ids_;
    RowId nextId_ = 1;
};

} // namespace tavrel::sheet
