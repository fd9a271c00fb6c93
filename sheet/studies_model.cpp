#include "sheet/studies_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QUndoStack>

namespace tavrel::sheet {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The influence columns come from the pooling, which a row evaluated alone does not have.
constexpr std::size_t kFirstPooledColumn = 6;
static_assert(StudiesModel::kComputedColumns[kFirstPooledColumn] == "weight");

} // namespace

StudiesModel::StudiesModel(QUndoStack* undo, QObject* parent)
    : QAbstractTableModel(parent), undo_(undo) {}

int StudiesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : sheet_.Rows();
}

int StudiesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : sheet_.Columns() + static_cast<int>(kComputedColumns.size());
}

QVariant StudiesModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const auto found = computed_.find(sheet_.IdAt(index.row()));
    const RowResult* computed = found == computed_.end() ? nullptr : &found->second;
    const RowState state = computed != nullptr ? computed->state : RowState::Computed;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (!IsComputed(index.column())) {
            return FromUtf8(sheet_.Cell(index.row(), index.column()));
        }
        return computed != nullptr ? computed->fields[index.column() - sheet_.Columns()]
                                   : QString();
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        if (state != RowState::Computed) {
            return computed->message;
        }
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0 && state != RowState::Computed) {
            return state == RowState::Failed ? failedIcon_ : toCheckIcon_;
        }
        return {};
    case Qt::BackgroundRole:
        if (state == RowState::Failed) {
            return QBrush(QColor(0xfd, 0xe2, 0xe1));
        }
        return state == RowState::ToCheck ? QBrush(QColor(0xfd, 0xf3, 0xd0)) : QVariant();
    case Qt::TextAlignmentRole:
        return IsComputed(index.column()) && index.column() - sheet_.Columns() >= 2
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    case kRowStateRole:
        return static_cast<int>(state);
    default:
        return {};
    }
}

QVariant StudiesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    }
    if (section < 0 || section >= columnCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (!IsComputed(section)) {
            return FromUtf8(sheet_.ColumnName(section));
        }
        const std::string_view name =
            (measured_ ? kMeasuredColumns : kComputedColumns)[section - sheet_.Columns()];
        return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    if (role == Qt::ToolTipRole && IsComputed(section)) {
        return tr("Computed by Tavrel; read-only");
    }
    const QString columnRole = IsComputed(section) ? QString() : RoleOf(section);
    if (role == Qt::ToolTipRole && !columnRole.isEmpty()) {
        return tr("%1: %2").arg(FromUtf8(sheet_.ColumnName(section)), columnRole);
    }
    if (role == Qt::FontRole && !columnRole.isEmpty()) {
        QFont font;
        font.setBold(true);
        return font;
    }
    return {};
}

Qt::ItemFlags StudiesModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    const Qt::ItemFlags shown = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return IsComputed(index.column()) ? shown : shown | Qt::ItemIsEditable;
}

bool StudiesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        IsComputed(index.column())) {
        return false;
    }
    const std::string text = value.toString().toStdString();
    const std::string& before = sheet_.Cell(index.row(), index.column());
    if (text == before) {
        return true;
    }
    const RowId id = sheet_.IdAt(index.row());
    const int column = index.column();
    Push(
        tr("Edit %1").arg(FromUtf8(sheet_.ColumnName(column))),
        [this, id, column, text] {
            WriteCells({{id, column, text}});
        },
        [this, id, column, before] {
            WriteCells({{id, column, before}});
        });
    return true;
}

QString StudiesModel::RoleOf(int column) const {
    const std::string& name = sheet_.ColumnName(column);
    const auto named = [&](std::string_view option) {
        const std::optional<std::string>* value = sheet_.View().Option(option);
        return value != nullptr && *value ? **value : std::string();
    };
    if (named("label") == name) {
        return tr("the studies' labels");
    }
    if (named("by") == name) {
        return tr("subgroups");
    }
    if (named("cluster") == name) {
        return tr("the clusters (each row's study)");
    }
    const std::string moderators = "," + named("mods") + ",";
    if (moderators.find("," + name + ",") != std::string::npos) {
        return tr("a moderator");
    }
    return {};
}

void StudiesModel::SetMarkIcons(const QIcon& failed, const QIcon& toCheck) {
    failedIcon_ = failed;
    toCheckIcon_ = toCheck;
}

void StudiesModel::Reset(StudiesSheet sheet) {
    beginResetModel();
    sheet_ = std::move(sheet);
    computed_.clear();
    std::vector<RowId> ids;
    for (int row = 0; row < sheet_.Rows(); ++row) {
        ids.push_back(sheet_.IdAt(row));
    }
    endResetModel();
    EvaluateRows(ids); // shown at once; the pooling follows
    if (undo_ != nullptr) {
        undo_->clear();
    }
    emit inputsChanged();
}

void StudiesModel::ShowEvaluation(const Evaluation& evaluation, const std::vector<RowId>& ids,
                                  bool wholeTable) {
    const bool measured = evaluation.ColumnOf("hedges_g") < 0 && evaluation.ColumnOf("yi") >= 0;
    std::array<int, kComputedColumns.size()> places{};
    for (std::size_t i = 0; i < kComputedColumns.size(); ++i) {
        const std::string_view name = (measured ? kMeasuredColumns : kComputedColumns)[i];
        places[i] = evaluation.ColumnOf(name);
    }
    if (measured != measured_) {
        measured_ = measured;
        emit headerDataChanged(Qt::Horizontal, sheet_.Columns(), columnCount() - 1);
    }
    const int mode = evaluation.ColumnOf("mode");
    const int error = evaluation.ColumnOf("error");
    for (std::size_t row = 0; row < ids.size(); ++row) {
        RowResult& shown = computed_[ids[row]];
        if (row >= evaluation.rows.size()) {
            shown = {}; // the table could not be read: nothing of the rows was computed
            continue;
        }
        const std::vector<std::string>& fields = evaluation.rows[row];
        for (std::size_t i = 0; i < places.size(); ++i) {
            if (i >= kFirstPooledColumn && !wholeTable) {
                continue; // the pooling's columns stay until the table is pooled again
            }
            shown.fields[i] = places[i] >= 0 ? FromUtf8(fields[places[i]]) : QString();
        }
        const bool failed = error >= 0 && !fields[error].empty();
        const bool toCheck = row < evaluation.toCheck.size() && evaluation.toCheck[row];
        shown.state = failed ? RowState::Failed : toCheck ? RowState::ToCheck : RowState::Computed;
        shown.message = failed                      ? FromUtf8(fields[mode] + ": " + fields[error])
                        : toCheck && places[1] >= 0 ? FromUtf8(fields[places[1]])
                                                    : QString();
    }
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

} // namespace tavrel::sheet
