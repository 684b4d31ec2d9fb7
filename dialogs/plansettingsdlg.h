#pragma once

#include <QDialog>

class CNumberSpin;
class PlanList;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
struct PlanEntry;
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
    CPlanSettingsDlg(PlanList& plans, PlanEntry* plan, QWidget* parent = nullptr);

    // After OK: the plan written (the new one for a new plan).
    PlanEntry* Plan() const { return m_plan; }

    void accept() override;

    void OnAdd();
    void OnSet();
    void OnDelete();
    void OnRowDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const PlanTypeInfo* ChosenType() const;
    void ApplyConditionRule();
    void ApplyPlanTypeRule();
    void UpdateRowButtons();
    int FindRow(const QString& name) const;
    // Refuses (with a message) a value that a saved file would not give back.
    bool ValueReadsBack();

    PlanList& m_plans;
    PlanEntry* m_plan;
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
