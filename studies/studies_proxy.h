#pragma once

#include <QSortFilterProxyModel>

namespace tavrel::studies {

// The table as the view shows it: sorted by a column, numbers as numbers and texts in the
// user's collation, and, where asked, only the rows that failed or need a look.
class StudiesProxy : public QSortFilterProxyModel {
    Q_OBJECT

  public:
    explicit StudiesProxy(QObject* parent = nullptr);

    void ShowProblemsOnly(bool only);
    bool ProblemsOnly() const { return problemsOnly_; }

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    bool problemsOnly_ = false;
};

} // namespace tavrel::studies
