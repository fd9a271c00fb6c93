#include "studies/studies_proxy.h"

#include "sheet/studies_model.h"

#include <QCollator>

namespace tavrel::studies {

StudiesProxy::StudiesProxy(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(Qt::DisplayRole);
}

void StudiesProxy::ShowProblemsOnly(bool only) {
    problemsOnly_ = only;
    invalidateRowsFilter();
}

bool StudiesProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (!problemsOnly_) {
        return true;
    }
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return index.data(sheet::StudiesModel::kRowStateRole).toInt() != sheet::StudiesModel::Computed;
}

bool StudiesProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const QString a = left.data().toString().trimmed();
    const QString b = right.data().toString().trimmed();
    bool aNumber = false;
    bool bNumber = false;
    const double x = a.toDouble(&aNumber);
    const double y = b.toDouble(&bNumber);
    if (aNumber && bNumber) {
        return x < y;
    }
    if (aNumber != bNumber) {
        return aNumber; // numbers before texts and empty cells
    }
    static const QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        return c;
    }();
    return collator.compare(a, b) < 0;
}

} // namespace tavrel::studies
