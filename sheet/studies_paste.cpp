// Pasting into the model and copying out of it, as spreadsheets put blocks on the clipboard.
#include "sheet/paste_plan.h"
#include "sheet/studies_model.h"

#include <QUndoStack>

namespace tavrel::sheet {

bool StudiesModel::Paste(const QString& text, int row, int column) {
    const PastePlan plan =
        PlanPaste(sheet_.View().columns, sheet_.Rows(), ReadCellBlock(text.toStdString()),
                  std::max(row, 0), std::max(column, 0));
    if (plan.writes.empty() && plan.newColumns.empty() && plan.newRows == 0) {
        return false;
    }
    if (undo_ != nullptr) {
        undo_->beginMacro(tr("Paste"));
    }
    for (const std::string& name : plan.newColumns) {
        InsertColumn(sheet_.Columns(), QString::fromStdString(name));
    }
    if (plan.newRows > 0) {
        InsertEmptyRows(sheet_.Rows(), plan.newRows);
    }
    std::vector<std::tuple<RowId, int, std::string>> after;
    std::vector<std::tuple<RowId, int, std::string>> before;
    for (const PastePlan::Write& write : plan.writes) {
        const RowId id = sheet_.IdAt(write.row);
        after.emplace_back(id, write.column, write.text);
        before.emplace_back(id, write.column, sheet_.Cell(write.row, write.column));
    }
    Push(
        tr("Paste Cells"), [this, after] { WriteCells(after); },
        [this, before] { WriteCells(before); });
    if (undo_ != nullptr) {
        undo_->endMacro();
    }
    return true;
}

void StudiesModel::ClearCells(const std::vector<std::pair<int, int>>& cells) {
    std::vector<std::tuple<RowId, int, std::string>> after;
    std::vector<std::tuple<RowId, int, std::string>> before;
    for (const auto& [row, column] : cells) {
        if (!IsComputed(column) && !sheet_.Cell(row, column).empty()) {
            after.emplace_back(sheet_.IdAt(row), column, std::string());
            before.emplace_back(sheet_.IdAt(row), column, sheet_.Cell(row, column));
        }
    }
    if (!after.empty()) {
        Push(
            tr("Delete"), [this, after] { WriteCells(after); },
            [this, before] { WriteCells(before); });
    }
}

QString StudiesModel::CopyText(const std::vector<int>& rows,
                               const std::vector<int>& columns) const {
    CellBlock block;
    std::vector<std::string> header;
    for (const int column : columns) {
        header.push_back(
            headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    }
    block.push_back(std::move(header));
    for (const int row : rows) {
        std::vector<std::string> cells;
        for (const int column : columns) {
            cells.push_back(data(index(row, column), Qt::DisplayRole).toString().toStdString());
        }
        block.push_back(std::move(cells));
    }
    return QString::fromStdString(WriteCellBlock(block));
}

} // namespace tavrel::sheet
