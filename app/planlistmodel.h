#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QVector>
#include <functional>

struct PlanEntry;

// The rows of the plan list: one plan each, always in the plans' order
// (ComparePlanPriority). A row holds only its plan: its texts are made from
// the record when they are shown, so tens of thousands of rows take little
// memory and fill at once, and a changed record shows as it is.
class CPlanListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // A plan's text in a column other than its priority's, and its icon.
    using Describe = std::function<QString(const PlanEntry& plan, int column)>;
    using Picture = std::function<QIcon(const PlanEntry& plan)>;

    CPlanListModel(Describe describe, Picture picture, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Reset(QVector<const PlanEntry*> plans);
    // New rows, put where their priorities place them.
    void Insert(const QList<const PlanEntry*>& plans);
    void Remove(const QList<const PlanEntry*>& plans);
    // Plans that changed: their rows shown again, and in order again. The
    // selection and the focus follow their rows.
    void Update(const QList<const PlanEntry*>& plans);

    const PlanEntry* Plan(int row) const;
    int RowOf(const PlanEntry* plan) const;
    QString Text(int row, int column) const;

private:
    void SortByPriority();

    Describe m_describe;
    Picture m_picture;
    QVector<const PlanEntry*> m_rows;
    mutable QHash<const PlanEntry*, int> m_rowOf; // empty until asked after a change
};
