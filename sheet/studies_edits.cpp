// The model's edits: each one step on the undo stack, done and undone by rows' ids.
#include "sheet/paste_plan.h"
#include "sheet/studies_model.h"

#include <QUndoCommand>
#include <QUndoStack>
#include <algorithm>

namespace tavrel::sheet {

namespace {

// One step: what it does and how it is undone.
class Step : public QUndoCommand {
  public:
    Step(const QString& text, std::function<void()> redo, std::function<void()> undo)
        : QUndoCommand(text), redo_(std::move(redo)), undo_(std::move(undo)) {}
    void redo() override { redo_(); }
    void undo() override { undo_(); }

  private:
    std::function<void()> redo_;
    std::function<void()> undo_;
};

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// An option's state: absent (its default), a flag on (nullopt inside), or a value.
using OptionState = std::optional<std::optional<std::string>>;

OptionState StateOf(const StudiesSheet& sheet, std::string_view name) {
    const std::optional<std::string>* value = sheet.View().Option(name);
    return value != nullptr ? OptionState(*value) : std::nullopt;
}

} // namespace

void StudiesModel::Push(const QString& text, std::function<void()> redo,
                        std::function<void()> undo) {
    if (undo_ == nullptr) {
        redo(); // a model without a stack (a test's) edits at once
        return;
    }
    undo_->push(new Step(text, std::move(redo), std::move(undo)));
}

void StudiesModel::WriteCells(const std::vector<std::tuple<RowId, int, std::string>>& cells) {
    std::vector<RowId> ids;
    int first = rowCount();
    int last = -1;
    for (const auto& [id, column, text] : cells) {
        sheet_.SetCell(id, column, text);
        const int row = sheet_.RowOf(id);
        first = std::min(first, row);
        last = std::max(last, row);
        if (ids.empty() || ids.back() != id) {
            ids.push_back(id);
        }
    }
    if (last >= 0) {
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
    }
    EvaluateRows(ids);
    emit inputsChanged();
}

void StudiesModel::EvaluateRows(const std::vector<RowId>& ids) {
    project::StudiesProject rows;
    rows.columns = sheet_.View().columns;
    rows.options = sheet_.View().options;
    for (const RowId id : ids) {
        rows.rows.push_back(sheet_.View().rows.at(sheet_.RowOf(id)));
    }
    cli::Options options;
    try {
        options = AnalysisOptions(rows);
    } catch (const cli::UsageError&) {
        // The analysis panel says what is wrong with them; the rows are computed by default.
    }
    options.meta = false;
    ShowEvaluation(Evaluate(rows, options), ids, false);
}

void StudiesModel::InsertRowsNow(int row, const std::vector<IdentifiedRow>& rows) {
    beginInsertRows({}, row, row + static_cast<int>(rows.size()) - 1);
    sheet_.InsertRows(row, rows);
    endInsertRows();
    std::vector<RowId> ids;
    for (const IdentifiedRow& inserted : rows) {
        ids.push_back(inserted.id);
    }
    EvaluateRows(ids);
    emit inputsChanged();
}

std::vector<IdentifiedRow> StudiesModel::TakeRowsNow(int row, int count) {
    beginRemoveRows({}, row, row + count - 1);
    std::vector<IdentifiedRow> taken = sheet_.TakeRows(row, count);
    endRemoveRows();
    emit inputsChanged();
    return taken;
}

void StudiesModel::InsertEmptyRows(int row, int count) {
    std::vector<IdentifiedRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back({sheet_.NewId(), std::vector<std::string>(sheet_.Columns())});
    }
    const RowId first = rows.front().id;
    Push(
        count == 1 ? tr("Insert Row") : tr("Insert %1 Rows").arg(count),
        [this, row, rows] { InsertRowsNow(row, rows); },
        [this, first, count] { TakeRowsNow(sheet_.RowOf(first), count); });
}

void StudiesModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) {
        return;
    }
    // Each removed row by id, and where it stood, so that undo puts it back there.
    std::vector<std::pair<int, RowId>> removed;
    for (const int row : rows) {
        removed.emplace_back(row, sheet_.IdAt(row));
    }
    auto kept = std::make_shared<std::vector<IdentifiedRow>>();
    Push(
        removed.size() == 1 ? tr("Delete Row") : tr("Delete %1 Rows").arg(removed.size()),
        [this, removed, kept] {
            kept->clear();
            for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
                kept->insert(kept->begin(), TakeRowsNow(sheet_.RowOf(it->second), 1).front());
            }
        },
        [this, removed, kept] {
            for (std::size_t i = 0; i < removed.size(); ++i) {
                InsertRowsNow(removed[i].first, {(*kept)[i]});
            }
        });
}

void StudiesModel::MoveRow(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= rowCount() || to >= rowCount()) {
        return;
    }
    const RowId id = sheet_.IdAt(from);
    const auto move = [this, id](int target) {
        const int at = sheet_.RowOf(id);
        beginMoveRows({}, at, at, {}, target > at ? target + 1 : target);
        std::vector<IdentifiedRow> row = sheet_.TakeRows(at, 1);
        sheet_.InsertRows(target, std::move(row));
        endMoveRows();
        emit inputsChanged();
    };
    Push(
        tr("Move Row"), [move, to] { move(to); }, [move, from] { move(from); });
}

void StudiesModel::InsertColumnNow(int column, const std::string& name,
                                   const std::vector<std::string>& cells) {
    beginInsertColumns({}, column, column);
    sheet_.InsertColumn(column, name, cells);
    endInsertColumns();
    emit inputsChanged();
}

std::vector<std::string> StudiesModel::TakeColumnNow(int column) {
    beginRemoveColumns({}, column, column);
    std::vector<std::string> cells = sheet_.TakeColumn(column);
    endRemoveColumns();
    emit inputsChanged();
    return cells;
}

void StudiesModel::InsertColumn(int column, const QString& name) {
    const std::string text = Utf8(name);
    Push(
        tr("Insert Column %1").arg(name),
        [this, column, text] {
            InsertColumnNow(column, text, std::vector<std::string>(sheet_.Rows()));
        },
        [this, column] { TakeColumnNow(column); });
}

void StudiesModel::RemoveColumn(int column) {
    const std::string name = sheet_.ColumnName(column);
    auto cells = std::make_shared<std::vector<std::string>>();
    Push(
        tr("Delete Column %1").arg(QString::fromStdString(name)),
        [this, column, cells] { *cells = TakeColumnNow(column); },
        [this, column, name, cells] { InsertColumnNow(column, name, *cells); });
}

void StudiesModel::RenameColumn(int column, const QString& name) {
    const std::string before = sheet_.ColumnName(column);
    const std::string after = Utf8(name);
    if (before == after) {
        return;
    }
    const auto rename = [this, column](const std::string& text) {
        sheet_.RenameColumn(column, text);
        emit headerDataChanged(Qt::Horizontal, column, column);
        emit inputsChanged();
    };
    Push(
        tr("Rename Column %1").arg(QString::fromStdString(before)),
        [rename, after] { rename(after); }, [rename, before] { rename(before); });
}

void StudiesModel::SetOptionNow(std::string_view name, const OptionState& value) {
    value ? sheet_.SetOption(name, *value) : sheet_.ClearOption(name);
    if (sheet_.Columns() > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, sheet_.Columns() - 1); // the columns' roles
    }
    emit inputsChanged();
}

void StudiesModel::SetOption(std::string_view name, std::optional<std::string> value) {
    const OptionState before = StateOf(sheet_, name);
    const OptionState after(std::move(value));
    if (before == after) {
        return;
    }
    const std::string option(name);
    Push(
        tr("Set %1").arg(QString::fromStdString(option)),
        [this, option, after] { SetOptionNow(option, after); },
        [this, option, before] { SetOptionNow(option, before); });
}

void StudiesModel::ClearOption(std::string_view name) {
    const OptionState before = StateOf(sheet_, name);
    if (!before) {
        return;
    }
    const std::string option(name);
    Push(
        tr("Reset %1").arg(QString::fromStdString(option)),
        [this, option] { SetOptionNow(option, std::nullopt); },
        [this, option, before] { SetOptionNow(option, before); });
}

} // namespace tavrel::sheet
