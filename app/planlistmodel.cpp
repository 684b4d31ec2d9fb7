#include "planlistmodel.h"

#include "planlist.h"

#include <QSet>
#include <algorithm>
#include <numeric>

namespace {

const char* const kHeaders[] = {"Plan Type", "Priority", "Condition", "Flags", "Parameters"};

// The plan list's one order: ComparePlanPriority, higher priorities first.
bool HigherFirst(const CPlanListModel::Row& a, const CPlanListModel::Row& b) {
    return ComparePlanPriority(a.plan, b.plan) < 0;
}

// Past this many separate runs of rows, removing them one run at a time
// costs more than making the list afresh.
constexpr int kMaxRemovedRuns = 64;

} // namespace

int CPlanListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CPlanListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::size(kHeaders));
}

QVariant CPlanListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const Row& row = m_rows[index.row()];
    if (role == Qt::DisplayRole) return Text(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == 0) return row.icon;
    // The icon styles show names only: the priority is in the tool tip; a
    // summary of the parameters cut short in its column is whole in its own.
    if (role == Qt::ToolTipRole)
        return index.column() == 4 && !row.parameters.isEmpty()
                   ? row.parameters
                   : tr("%1, priority %2").arg(row.type).arg(row.plan->priority);
    if (role == Qt::TextAlignmentRole && index.column() == 1)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CPlanListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(std::size(kHeaders)))
        return {};
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
    case 4:
        return r.parameters;
    default:
        return {};
    }
}

const PlanEntry* CPlanListModel::Plan(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row].plan : nullptr;
}

int CPlanListModel::RowOf(const PlanEntry* plan) const {
    if (m_rowOf.isEmpty())
        for (int row = 0; row < m_rows.size(); ++row)
            m_rowOf.insert(m_rows[row].plan, row);
    return m_rowOf.value(plan, -1);
}

void CPlanListModel::Reset(QVector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    std::stable_sort(m_rows.begin(), m_rows.end(), HigherFirst);
    m_rowOf.clear();
    endResetModel();
}

void CPlanListModel::Insert(QVector<Row> rows) {
    if (rows.isEmpty()) return;
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at + int(rows.size()) - 1);
    m_rows.append(std::move(rows));
    m_rowOf.clear();
    endInsertRows();
    SortByPriority();
}

void CPlanListModel::Remove(const QList<const PlanEntry*>& plans) {
    const QSet<const PlanEntry*> gone(plans.begin(), plans.end());
    // The rows to go as runs, from the bottom up so the rest keep their numbers.
    QVector<std::pair<int, int>> runs;
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (!gone.contains(m_rows[row].plan)) continue;
        if (!runs.isEmpty() && runs.last().first == row + 1)
            runs.last().first = row;
        else
            runs.append({row, row});
    }
    if (runs.size() > kMaxRemovedRuns) {
        QVector<Row> kept;
        for (Row& row : m_rows)
            if (!gone.contains(row.plan)) kept.append(std::move(row));
        Reset(std::move(kept));
        return;
    }
    for (const auto& [first, last] : runs) {
        beginRemoveRows({}, first, last);
        m_rows.remove(first, last - first + 1);
        m_rowOf.clear();
        endRemoveRows();
    }
}

void CPlanListModel::Update(QVector<Row> rows) {
    for (Row& changed : rows) {
        const int row = RowOf(changed.plan);
        if (row < 0) continue;
        m_rows[row] = std::move(changed);
        emit dataChanged(index(row, 0), index(row, 3));
    }
    SortByPriority();
}

void CPlanListModel::SortByPriority() {
    if (std::is_sorted(m_rows.begin(), m_rows.end(), HigherFirst)) return;
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
    m_rowOf.clear();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after.append(this->index(newRowOf[index.row()], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
