#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QVector>

struct PlanEntry;

// The rows of the plan list: one plan each, its texts made once when the row
// is made, always in the plans' order (ComparePlanPriority). Rebuilding and
// sorting work on a plain vector, so a list of tens of thousands of plans
// fills at once.
class CPlanListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Row {
        const PlanEntry* plan = nullptr;
        QIcon icon;
        QString type, condition, flags, parameters;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Reset(QVector<Row> rows);
    // New rows, put where their priorities place them.
    void Insert(QVector<Row> rows);
    void Remove(const QList<const PlanEntry*>& plans);
    // Rows whose plans changed: new texts, and the rows in order again. The
    // selection and the focus follow their rows.
    void Update(QVector<Row> rows);

    const PlanEntry* Plan(int row) const;
    int RowOf(const PlanEntry* plan) const;
    QString Text(int row, int column) const;

private:
    void SortByPriority();

    QVector<Row> m_rows;
    mutable QHash<const PlanEntry*, int> m_rowOf; // empty until asked after a change
};
