#pragma once

#include "planlistmodel.h"

#include <QIcon>
#include <QVector>
#include <QWidget>

class CAppContext;
class CZeqEditorDoc;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedWidget;
class QTreeView;
struct PlanEntry;

// The plan list: one row per plan, always ordered by priority, highest
// first, shown in one of four styles. One model and one selection feed both
// the details view and the icon/list view.
class CRightView : public QWidget {
    Q_OBJECT

public:
    enum Style { LargeIcons = 0, Details = 1, SmallIcons = 2, List = 3 }; // as stored
    enum Column { TypeColumn, PriorityColumn, ConditionColumn, FlagsColumn };

    CRightView(CZeqEditorDoc& document, const CAppContext& context, QWidget* parent = nullptr);

    // Appends a row for the plan; its index, or -1 for no plan.
    int InsertPlanRow(PlanEntry* plan);
    void Rebuild();

    int ViewStyle() const { return m_style; }
    void SetViewStyle(int style);

    int RowCount() const;
    PlanEntry* PlanAt(int row) const;
    QString CellText(int row, int column) const;
    // The row that is both focused and selected, or -1.
    int FocusedSelectedRow() const;
    QList<int> SelectedRows() const;
    void SelectRow(int row, bool focus);
    QItemSelectionModel* SelectionModel() const { return m_selection; }
    QAbstractItemView* CurrentView() const;

public slots:
    void OnPlanNew();
    void OnPlanEdit();
    void OnPlanDelete();
    void OnPlanMoveUp();
    void OnPlanMoveDown();
    void OnPlanAutoArrange();

signals:
    void SelectionChanged();
    void ContextMenuRequested(const QPoint& globalPos);

private:
    void BuildIcons();
    QIcon IconFor(const PlanEntry& plan) const;
    CPlanListModel::Row MakeRow(PlanEntry* plan) const;
    void SetPriorityCell(int row);
    void Sort();
    void Changed();
    void MovePlan(int neighbourOffset);

    CZeqEditorDoc& m_document;
    const CAppContext& m_context;
    CPlanListModel* m_model;
    QItemSelectionModel* m_selection;
    QStackedWidget* m_stack;
    QTreeView* m_details;
    QListView* m_icons;
    QVector<QIcon> m_typeIcons;
    int m_style = Details;
};
