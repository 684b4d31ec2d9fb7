#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QVector>

struct PlanEntry;

// The rows of the plan list: one plan each, its texts made once when the row
// is made. Rebuilding and sorting work on a plain vector, so a list of tens
// of thousands of plans fills at once.
class CPlanListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Row {
        PlanEntry* plan = nullptr;
        QIcon icon;
        QString type, condition, flags;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Reset(QVector<Row> rows);
    int Append(Row row);
    void Remove(int row);
    PlanEntry* Plan(int row) const;
    QString Text(int row, int column) const;
    // After priorities changed: shows them and puts the rows in order again.
    void PrioritiesChanged(int row);
    // Highest priority first; rows of equal priority keep their order. The
    // selection and the focus follow their rows.
    void SortByPriority();

private:
    QVector<Row> m_rows;
};
