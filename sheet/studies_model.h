#pragma once

#include "sheet/evaluation.h"
#include "sheet/studies_sheet.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

class QUndoStack;

namespace tavrel::sheet {

// The table of studies for a view: the sheet's columns as typed and editable, then the columns
// tavrel-batch computes from them, read-only and named as in its output. A row with an error
// or numbers that disagree is marked with an icon and a colour, its message in the tool tip
// and the accessible description. Every edit is one command on the undo stack, addressing
// rows by their ids, never by where a view shows them.
class StudiesModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // The computed columns shown, in order, by their names in tavrel-batch's output.
    static constexpr std::array<std::string_view, 10> kComputedColumns = {
        "computed_from", "consistency", "hedges_g", "vi",  "g_ci_low",
        "g_ci_high",     "weight",      "residual", "hat", "cooks_distance"};
    // The same in an effect measure but SMD, whose table names them so (its consistency
    // stays empty).
    static constexpr std::array<std::string_view, kComputedColumns.size()> kMeasuredColumns = {
        "computed_from", "",       "yi",       "vi",  "ci_low",
        "ci_high",       "weight", "residual", "hat", "cooks_distance"};
    // The role under which a row's state is read: a RowState.
    static constexpr int kRowStateRole = Qt::UserRole + 1;
    enum RowState { Computed, ToCheck, Failed };

    StudiesModel(QUndoStack* undo, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    const StudiesSheet& Sheet() const { return sheet_; }
    int InputColumns() const { return sheet_.Columns(); }
    bool IsComputed(int column) const { return column >= sheet_.Columns(); }
    // A new or opened table, with nothing to undo.
    void Reset(StudiesSheet sheet);
    // Shows what a run of the rows `ids` found. `wholeTable`: the run was of the whole table,
    // with its pooling; otherwise the rows' pooling columns keep what they showed.
    void ShowEvaluation(const Evaluation& evaluation, const std::vector<RowId>& ids,
                        bool wholeTable);
    // The role the input column plays in the analysis, in words ("subgroups"); empty for none.
    QString RoleOf(int column) const;
    // The icons that mark a row that failed and one whose numbers need a look.
    void SetMarkIcons(const QIcon& failed, const QIcon& toCheck);

    // Edits, each one step on the undo stack.
    void InsertEmptyRows(int row, int count);
    // Empties the cells at (row, column); the computed ones are not the user's to empty.
    void ClearCells(const std::vector<std::pair<int, int>>& cells);
    void RemoveRows(std::vector<int> rows);
    void MoveRow(int from, int to);
    void InsertColumn(int column, const QString& name);
    void RenameColumn(int column, const QString& name);
    void RemoveColumn(int column);
    void SetOption(std::string_view name, std::optional<std::string> value); // nullopt: a flag
    void ClearOption(std::string_view name);
    // Pastes the clipboard's text at (`row`, `column`) (PlanPaste); false where it held nothing.
    bool Paste(const QString& text, int row, int column);
    // The cells of `rows` and `columns` (model places, in the order given) as a block with a
    // header, as a spreadsheet reads it.
    QString CopyText(const std::vector<int>& rows, const std::vector<int>& columns) const;

  signals:
    // The cells or options changed: an evaluation of the whole table is due.
    void inputsChanged();

  private:
    struct RowResult {
        std::array<QString, kComputedColumns.size()> fields;
        RowState state = RowState::Computed;
        QString message; // the error, or what disagrees
    };
    // Pushes one undo step that does `redo` and undoes with `undo`.
    void Push(const QString& text, std::function<void()> redo, std::function<void()> undo);
    // Writes cells by id and column, then shows their rows' new results at once.
    void WriteCells(const std::vector<std::tuple<RowId, int, std::string>>& cells);
    void InsertRowsNow(int row, const std::vector<IdentifiedRow>& rows);
    std::vector<IdentifiedRow> TakeRowsNow(int row, int count);
    void InsertColumnNow(int column, const std::string& name,
                         const std::vector<std::string>& cells);
    std::vector<std::string> TakeColumnNow(int column);
    void SetOptionNow(std::string_view name,
                      const std::optional<std::optional<std::string>>& value);
    // Evaluates `ids`' rows alone, without the pooling, and shows them.
    void EvaluateRows(const std::vector<RowId>& ids);

    QUndoStack* undo_;
    QIcon failedIcon_;
    QIcon toCheckIcon_;
    StudiesSheet sheet_;
    std::unordered_map<RowId, RowResult> computed_;
    bool measured_ = false; // the last evaluation was in a measure but SMD
};

} // namespace tavrel::sheet
