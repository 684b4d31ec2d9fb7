#include "planlistmodel.h"

#include "planlist.h"

#include <QSet>
#include <algorithm>
#include <numeric>

namespace {

const char* const kHeaders[] = {"Plan Type", "Priority", "Condition", "Flags", "Parameters"};

// The plan list's one order: ComparePlanPriority, higher priorities first.
bool HigherFirst(const PlanEntry* a, const PlanEntry* b) {
    return ComparePlanPriority(a, b) < 0;
}

// Past this many separate runs of rows, removing them one run at a time
// costs more than making the list afresh.
constexpr int kMaxRemovedRuns = 64;

} // namespace

CPlanListModel::CPlanListModel(Describe describe, Picture picture, QObject* parent)
    : QAbstractTableModel(parent), m_describe(std::move(describe)), m_picture(std::move(picture)) {}

int CPlanListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CPlanListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::size(kHeaders));
}

QVariant CPlanListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const PlanEntry& plan = *m_rows[index.row()];
    if (role == Qt::DisplayRole) return Text(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == 0) return m_picture(plan);
    // The icon styles show names only: the priority is in the tool tip; a
    // summary of the parameters cut short in its column is whole in its own.
    if (role == Qt::ToolTipRole) {
        const QString parameters = index.column() == 4 ? m_describe(plan, 4) : QString();
        return !parameters.isEmpty()
                   ? parameters
                   : tr("%1, priority %2").arg(m_describe(plan, 0)).arg(plan.priority);
    }
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
    if (column == 1) return QString::number(m_rows[row]->priority);
    return column >= 0 && column < int(std::size(kHeaders)) ? m_describe(*m_rows[row], column)
                                                            : QString();
}

const PlanEntry* CPlanListModel::Plan(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row] : nullptr;
}

int CPlanListModel::RowOf(const PlanEntry* plan) const {
    if (m_rowOf.isEmpty())
        for (int row = 0; row < m_rows.size(); ++row)
            m_rowOf.insert(m_rows[row], row);
    return m_rowOf.value(plan, -1);
}

void CPlanListModel::Reset(QVector<const PlanEntry*> plans) {
    beginResetModel();
    m_rows = std::move(plans);
    std::stable_sort(m_rows.begin(), m_rows.end(), HigherFirst);
    m_rowOf.clear();
    endResetModel();
}

void CPlanListModel::Insert(const QList<const PlanEntry*>& plans) {
    if (plans.isEmpty()) return;
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at + int(plans.size()) - 1);
    m_rows.append(plans);
    m_rowOf.clear();
    endInsertRows();
    SortByPriority();
}

void CPlanListModel::Remove(const QList<const PlanEntry*>& plans) {
    const QSet<const PlanEntry*> gone(plans.begin(), plans.end());
    // The rows to go as runs, from the bottom up so the rest keep their numbers.
    QVector<std::pair<int, int>> runs;
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (!gone.contains(m_rows[row])) continue;
        if (!runs.isEmpty() && runs.last().first == row + 1)
            runs.last().first = row;
        else
            runs.append({row, row});
    }
    if (runs.size() > kMaxRemovedRuns) {
        QVector<const PlanEntry*> kept;
        for (const PlanEntry* plan : m_rows)
            if (!gone.contains(plan)) kept.append(plan);
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

void CPlanListModel::Update(const QList<const PlanEntry*>& plans) {
    for (const PlanEntry* plan : plans) {
        const int row = RowOf(plan);
        if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
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
    QVector<const PlanEntry*> sorted;
    sorted.reserve(m_rows.size());
    QVector<int> newRowOf(m_rows.size());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(m_rows[order[i]]);
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
