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
    enum Column { TypeColumn, PriorityColumn, ConditionColumn, FlagsColumn, ParametersColumn };

    CRightView(CZeqEditorDoc& document, const CAppContext& context, QWidget* parent = nullptr);

    void Rebuild();

    int ViewStyle() const { return m_style; }
    void SetViewStyle(int style);

    // The width the details view wants: its columns, with room for the
    // Parameters summary.
    int WantedWidth() const;

    int RowCount() const;
    const PlanEntry* PlanAt(int row) const;
    QString CellText(int row, int column) const;
    // The row that is both focused and selected, or -1.
    int FocusedSelectedRow() const;
    QList<int> SelectedRows() const;
    // The plans of the selected rows, in the order shown.
    std::vector<const PlanEntry*> SelectedPlans() const;
    void SelectRow(int row, bool focus);
    // Selects exactly these plans' rows, focuses the first and scrolls to it.
    void SelectPlans(const QList<const PlanEntry*>& plans);
    QItemSelectionModel* SelectionModel() const { return m_selection; }
    QAbstractItemView* CurrentView() const;

public slots:
    void OnPlanNew();
    void OnPlanEdit();
    void OnPlanDelete();
    void OnPlanMoveUp();
    void OnPlanMoveDown();
    // Whether the focused plan can move by one row (-1 up, +1 down); `why`
    // tells the user when its priority cannot.
    bool CanMovePlan(int neighbourOffset, QString* why = nullptr) const;
    void OnPlanAutoArrange();

signals:
    void SelectionChanged();
    void ContextMenuRequested(const QPoint& globalPos);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildIcons();
    void FitGrid();
    QIcon IconFor(const PlanEntry& plan) const;
    QString Describe(const PlanEntry& plan, int column) const;
    void MovePlan(int neighbourOffset, const QString& text);

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
