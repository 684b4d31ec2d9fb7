#include "planlistmodel.h"

#include "planlist.h"

#include <algorithm>
#include <numeric>

namespace {

const char* const kHeaders[] = {"Plan Type", "Priority", "Condition", "Flags"};

// The plan list's one order: ComparePlanPriority, higher priorities first.
bool HigherFirst(const CPlanListModel::Row& a, const CPlanListModel::Row& b) {
    return ComparePlanPriority(a.plan, b.plan) < 0;
}

} // namespace

int CPlanListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CPlanListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant CPlanListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const Row& row = m_rows[index.row()];
    if (role == Qt::DisplayRole) return Text(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == 0) return row.icon;
    if (role == Qt::TextAlignmentRole && index.column() == 1)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CPlanListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section > 3) return {};
    if (role == Qt::DisplayRole) return tr(kHeaders[section]);
    if (role == Qt::TextAlignmentRole && section == 1)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QString CPlanListModel::Text(int row, int column) const {
    if (row < 0 || row >= m_rows.size()) return {};
    const Row& r = m_rows[row];
    switch (column) {
    case 0:
        return r.type;
    case 1:
        return QString::number(r.plan->priority);
    case 2:
        return r.condition;
    case 3:
        return r.flags;
    default:
        return {};
    }
}

PlanEntry* CPlanListModel::Plan(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row].plan : nullptr;
}

void CPlanListModel::Reset(QVector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    std::stable_sort(m_rows.begin(), m_rows.end(), HigherFirst);
    endResetModel();
}

int CPlanListModel::Append(Row row) {
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.append(std::move(row));
    endInsertRows();
    return at;
}

void CPlanListModel::Remove(int row) {
    if (row < 0 || row >= m_rows.size()) return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void CPlanListModel::PrioritiesChanged(int row) {
    emit dataChanged(index(row, 1), index(row, 1));
}

void CPlanListModel::SortByPriority() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QVector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return HigherFirst(m_rows[a], m_rows[b]); });
    QVector<Row> sorted;
    sorted.reserve(m_rows.size());
    QVector<int> newRowOf(m_rows.size());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(std::move(m_rows[order[i]]));
        newRowOf[order[i]] = i;
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after.append(this->index(newRowOf[index.row()], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
