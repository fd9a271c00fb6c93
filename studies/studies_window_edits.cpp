// The Studies window's commands on its table: the clipboard, rows and columns, the filter.
#include "studies/analysis_panel.h"
#include "studies/studies_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>
#include <set>

namespace tavrel::studies {

namespace {

QAction* NewAction(QObject* parent, const QString& text, const QKeySequence& keys = {}) {
    auto* action = new QAction(text, parent);
    action->setShortcut(keys);
    return action;
}

} // namespace

void StudiesWindow::SetUpActions() {
    save_ = NewAction(this, tr("&Save"), QKeySequence::Save);
    saveAs_ = NewAction(this, tr("Save &As…"), QKeySequence::SaveAs);
    export_ = NewAction(this, tr("&Export Results…"));
    exportPlot_ = NewAction(this, tr("Export &Plot…"));
    close_ = NewAction(this, tr("&Close"), QKeySequence::Close);
    cut_ = NewAction(this, tr("Cu&t"), QKeySequence::Cut);
    copy_ = NewAction(this, tr("&Copy"), QKeySequence::Copy);
    paste_ = NewAction(this, tr("&Paste"), QKeySequence::Paste);
    clear_ = NewAction(this, tr("&Delete"), QKeySequence::Delete);
    selectAll_ = NewAction(this, tr("Select &All"), QKeySequence::SelectAll);
    insertAbove_ = NewAction(this, tr("Insert Row &Above"), Qt::CTRL | Qt::SHIFT | Qt::Key_Up);
    insertBelow_ = NewAction(this, tr("Insert Row &Below"), Qt::CTRL | Qt::SHIFT | Qt::Key_Down);
    deleteRows_ = NewAction(this, tr("Delete &Rows"), Qt::CTRL | Qt::Key_Minus);
    moveUp_ = NewAction(this, tr("Move Row &Up"), Qt::ALT | Qt::SHIFT | Qt::Key_Up);
    moveDown_ = NewAction(this, tr("Move Row Do&wn"), Qt::ALT | Qt::SHIFT | Qt::Key_Down);
    insertColumn_ = NewAction(this, tr("Insert &Column…"));
    renameColumn_ = NewAction(this, tr("Re&name Column…"));
    deleteColumn_ = NewAction(this, tr("Delete Co&lumn"));
    problemsOnly_ = NewAction(this, tr("Only Rows With &Problems"));
    problemsOnly_->setCheckable(true);
    labels_ = NewAction(this, tr("Column Holds the Study &Labels"));
    subgroups_ = NewAction(this, tr("Column Forms &Subgroups"));
    moderator_ = NewAction(this, tr("Column Is a &Moderator"));
    clusters_ = NewAction(this, tr("Column Names Each Row's Clust&er"));
    for (const auto& [action, option] :
         {std::pair{labels_, "label"}, std::pair{subgroups_, "by"}, std::pair{moderator_, "mods"},
          std::pair{clusters_, "cluster"}}) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this,
                [this, option = option](bool on) { SetColumnRole(option, on); });
    }

    connect(save_, &QAction::triggered, this, &StudiesWindow::Save);
    connect(saveAs_, &QAction::triggered, this, &StudiesWindow::SaveAs);
    connect(export_, &QAction::triggered, this, &StudiesWindow::ExportResults);
    connect(exportPlot_, &QAction::triggered, this, &StudiesWindow::ExportPlot);
    connect(close_, &QAction::triggered, this, &QWidget::close);
    connect(cut_, &QAction::triggered, this, [this] {
        CopySelection();
        ClearSelection();
    });
    connect(copy_, &QAction::triggered, this, &StudiesWindow::CopySelection);
    connect(paste_, &QAction::triggered, this, &StudiesWindow::PasteClipboard);
    connect(clear_, &QAction::triggered, this, &StudiesWindow::ClearSelection);
    connect(selectAll_, &QAction::triggered, table_, &QTableView::selectAll);
    connect(insertAbove_, &QAction::triggered, this, [this] { InsertRows(false); });
    connect(insertBelow_, &QAction::triggered, this, [this] { InsertRows(true); });
    connect(deleteRows_, &QAction::triggered, this, [this] { model_.RemoveRows(SelectedRows()); });
    connect(moveUp_, &QAction::triggered, this, [this] { MoveRow(-1); });
    connect(moveDown_, &QAction::triggered, this, [this] { MoveRow(1); });
    connect(insertColumn_, &QAction::triggered, this, &StudiesWindow::InsertColumn);
    connect(renameColumn_, &QAction::triggered, this, &StudiesWindow::RenameColumn);
    connect(deleteColumn_, &QAction::triggered, this, [this] {
        const int column = CurrentColumn();
        if (column >= 0 && !model_.IsComputed(column)) {
            model_.RemoveColumn(column);
        }
    });
    connect(problemsOnly_, &QAction::toggled, &proxy_, &StudiesProxy::ShowProblemsOnly);
    // The table's own keys (Delete, the clipboard's) act on it, not on a text being edited.
    for (QAction* action : {cut_, copy_, paste_, clear_, selectAll_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        table_->addAction(action);
    }
    // Sorting is a view of the table, not an edit: the header's clicks sort it.
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder);
}

void StudiesWindow::SetUpMenus() {
    QAction* undo = undo_.createUndoAction(this, tr("&Undo"));
    undo->setShortcuts(QKeySequence::Undo);
    QAction* redo = undo_.createRedoAction(this, tr("&Redo"));
    redo->setShortcuts(QKeySequence::Redo);
    auto* edit = new QMenu(tr("&Edit"), this);
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addActions({cut_, copy_, paste_, clear_});
    edit->addSeparator();
    edit->addAction(selectAll_);
    auto* rows = new QMenu(tr("&Table"), this);
    rows->addActions({insertAbove_, insertBelow_, deleteRows_, moveUp_, moveDown_});
    rows->addSeparator();
    rows->addActions({insertColumn_, renameColumn_, deleteColumn_});
    rows->addSeparator();
    rows->addActions({labels_, subgroups_, moderator_, clusters_});
    connect(rows, &QMenu::aboutToShow, this, &StudiesWindow::ShowColumnRoles);
    connect(table_->selectionModel(), &QItemSelectionModel::currentColumnChanged, this,
            &StudiesWindow::ShowColumnRoles);
    connect(&model_, &QAbstractItemModel::headerDataChanged, this, &StudiesWindow::ShowColumnRoles);
    auto* view = new QMenu(tr("&View"), this);
    view->addAction(problemsOnly_);
    menus_ = {edit, rows, view};
    // The header's own menu: what can be done with a column, and the roles it can play.
    table_->horizontalHeader()->setContextMenuPolicy(Qt::ActionsContextMenu);
    table_->horizontalHeader()->addActions(
        {insertColumn_, renameColumn_, deleteColumn_, labels_, subgroups_, moderator_, clusters_});
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

int StudiesWindow::CurrentRow() const {
    const QModelIndex current = proxy_.mapToSource(table_->currentIndex());
    return current.isValid() ? current.row() : -1;
}

int StudiesWindow::CurrentColumn() const {
    const QModelIndex current = table_->currentIndex();
    return current.isValid() ? current.column() : -1;
}

std::vector<int> StudiesWindow::SelectedRows() const {
    std::vector<int> rows;
    std::set<int> seen;
    QModelIndexList selected = table_->selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end());
    for (const QModelIndex& index : selected) {
        const int row = proxy_.mapToSource(index).row();
        if (seen.insert(row).second) {
            rows.push_back(row);
        }
    }
    if (rows.empty() && CurrentRow() >= 0) {
        rows.push_back(CurrentRow());
    }
    return rows;
}

std::vector<int> StudiesWindow::SelectedColumns() const {
    std::set<int> columns;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes()) {
        columns.insert(index.column());
    }
    return {columns.begin(), columns.end()};
}

void StudiesWindow::CopySelection() {
    const std::vector<int> rows = SelectedRows();
    const std::vector<int> columns = SelectedColumns();
    if (rows.empty() || columns.empty()) {
        return;
    }
    QApplication::clipboard()->setText(model_.CopyText(rows, columns));
}

void StudiesWindow::PasteClipboard() {
    const QString text = QApplication::clipboard()->text();
    const int row = CurrentRow() >= 0 ? CurrentRow() : model_.rowCount();
    const int column = std::max(CurrentColumn(), 0);
    if (column >= model_.InputColumns() || !model_.Paste(text, row, column)) {
        QApplication::beep();
        statusBar()->showMessage(column >= model_.InputColumns()
                                     ? tr("The computed columns are read-only.")
                                     : tr("The clipboard holds no cells."),
                                 5000);
    }
}

void StudiesWindow::ClearSelection() {
    std::vector<std::pair<int, int>> cells;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes()) {
        const QModelIndex cell = proxy_.mapToSource(index);
        cells.emplace_back(cell.row(), cell.column());
    }
    model_.ClearCells(cells);
}

void StudiesWindow::InsertRows(bool below) {
    const int row = CurrentRow();
    model_.InsertEmptyRows(row < 0 ? model_.rowCount() : row + (below ? 1 : 0), 1);
}

void StudiesWindow::MoveRow(int by) {
    const int row = CurrentRow();
    if (row >= 0) {
        model_.MoveRow(row, row + by);
    }
}

void StudiesWindow::InsertColumn() {
    bool given = false;
    const QString name = QInputDialog::getText(this, tr("Insert Column"), tr("Column name:"),
                                               QLineEdit::Normal, QString(), &given);
    if (given && !name.trimmed().isEmpty()) {
        const int column = CurrentColumn();
        model_.InsertColumn(column < 0 || model_.IsComputed(column) ? model_.InputColumns()
                                                                    : column + 1,
                            name.trimmed());
    }
}

void StudiesWindow::RenameColumn() {
    const int column = CurrentColumn();
    if (column < 0 || model_.IsComputed(column)) {
        return;
    }
    bool given = false;
    const QString before = model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const QString name = QInputDialog::getText(this, tr("Rename Column"), tr("Column name:"),
                                               QLineEdit::Normal, before, &given);
    if (given && !name.trimmed().isEmpty()) {
        model_.RenameColumn(column, name.trimmed());
    }
}

void StudiesWindow::ShowColumnRoles() {
    const int column = CurrentColumn();
    const bool input = column >= 0 && !model_.IsComputed(column);
    const std::string name = input ? model_.Sheet().ColumnName(column) : std::string();
    const project::StudiesProject& studies = model_.Sheet().View();
    const auto value = [&](std::string_view option) {
        const std::optional<std::string>* given = studies.Option(option);
        return given != nullptr && *given ? **given : std::string();
    };
    const QStringList moderators = QString::fromStdString(value("mods")).split(QLatin1Char(','));
    for (QAction* action : {labels_, subgroups_, moderator_, clusters_}) {
        action->setEnabled(input);
    }
    labels_->setChecked(input && value("label") == name);
    subgroups_->setChecked(input && value("by") == name);
    clusters_->setChecked(input && value("cluster") == name);
    moderator_->setChecked(input && moderators.contains(QString::fromStdString(name)));
}

void StudiesWindow::SetColumnRole(std::string_view option, bool on) {
    const int column = CurrentColumn();
    if (column < 0 || model_.IsComputed(column)) {
        return;
    }
    const QString name = QString::fromStdString(model_.Sheet().ColumnName(column));
    if (option != "mods") {
        on ? model_.SetOption(option, name.toStdString()) : model_.ClearOption(option);
        return;
    }
    const std::optional<std::string>* given = model_.Sheet().View().Option("mods");
    QStringList moderators = given != nullptr && *given
                                 ? QString::fromStdString(**given).split(QLatin1Char(','))
                                 : QStringList();
    moderators.removeAll(name);
    if (on) {
        moderators << name;
    }
    moderators.isEmpty()
        ? model_.ClearOption("mods")
        : model_.SetOption("mods", moderators.join(QLatin1Char(',')).toStdString());
}

void StudiesWindow::ShowCurrentRowMessage() {
    const QModelIndex current = table_->currentIndex();
    const QString message =
        current.isValid() ? current.data(Qt::ToolTipRole).toString() : QString();
    if (!message.isEmpty()) {
        statusBar()->showMessage(tr("Row %1: %2").arg(CurrentRow() + 1).arg(message));
    }
}

} // namespace tavrel::studies
