#pragma once

#include "planlist.h"

#include <QDialog>

class CAppContext;
class CNumberSpin;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
struct PlanParamDef;
struct PlanTypeInfo;

// "Plan Settings": one plan's type, priority, flags, condition and
// parameters. The plan type's capabilities and parameter definitions come
// from the plan-type catalog.
class CPlanSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // The plan types offered, in this order.
    static const QStringList& PlanTypeNames();

    // `plan` is the plan to edit, or null for a new one.
    CPlanSettingsDlg(const CAppContext& context, const PlanEntry* plan, QWidget* parent = nullptr);

    // After OK: the plan as written in the dialog.
    const PlanEntry& Result() const { return m_result; }

    void accept() override;

    void OnAdd();
    void OnSet();
    void OnDelete();
    // The selected row's parameter and value into the fields below.
    void LoadRow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const PlanTypeInfo* ChosenType() const;
    const PlanParamDef* ChosenParameter() const;
    void ApplyConditionRule();
    void ApplyPlanTypeRule();
    void UpdateRowButtons();
    int FindRow(const QString& name) const;
    // Italic, with a tool tip, the rows the chosen type does not take; their
    // names.
    QStringList MarkForeignRows();
    // Refuses (with a message) a value that a saved file would not give back.
    bool ValueReadsBack(const PlanParamDef& def);

    const CAppContext& m_context;
    PlanEntry m_result;
    QComboBox* m_type;
    CNumberSpin* m_priority;
    QCheckBox* m_buildUnits;
    QCheckBox* m_skipPlan;
    QComboBox* m_condition;
    CNumberSpin* m_count;
    QLineEdit* m_conditionClass;
    QToolButton* m_conditionPicker;
    QTreeWidget* m_rows;
    QComboBox* m_parameter;
    QLineEdit* m_value;
    QPushButton* m_set;
    QPushButton* m_delete;
};
