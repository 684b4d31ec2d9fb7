#include "plansettingsdlg.h"

#include "appcontext.h"
#include "iconbutton.h"
#include "numberspin.h"
#include "planformat.h"
#include "planmanager.h"
#include "qtext.h"
#include "textvalues.h"
#include "uiservices.h"
#include "unitclassedit.h"
#include "unitlist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The condition list: entry 0 is no condition, entry i writes the kind i - 1.
const char* const kConditionTexts[] = {"--- No condition ---", "Team Computer has",
                                       "Team Computer has NOT", "Team Human has",
                                       "Team Human has NOT"};

std::string_view KindOfChoice(int choice) {
    return choice > 0 ? kConditionKinds[std::size_t(choice - 1)] : std::string_view();
}

// The first entry that begins with `text`, case ignored; -1 for none.
int FindPrefix(const QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text, Qt::CaseInsensitive)) return i;
    return -1;
}

} // namespace

const QStringList& CPlanSettingsDlg::PlanTypeNames() {
    static const QStringList names = {
        "CollectPool", "CollectField", "BuildMinimums",  "BaseBuildMinimums", "Upgrade",
        "DefendArea",  "ClearArea",    "Hold",           "Attacker",          "Recover",
        "Service",     "BuildLoop",    "DistributeUnits"};
    return names;
}

CPlanSettingsDlg::CPlanSettingsDlg(const CAppContext& context, const PlanEntry* plan,
                                   QWidget* parent)
    : QDialog(parent), m_context(context), m_type(new QComboBox),
      m_priority(new CNumberSpin(1, int(kMaxPriority))),
      m_buildUnits(new QCheckBox(tr(" build units if necessary "))),
      m_skipPlan(new QCheckBox(tr(" skip plan on failure "))), m_condition(new QComboBox),
      m_count(new CNumberSpin(1, int(kMaxConditionCount))),
      m_conditionClass(new CUnitClassEdit(context.Units())),
      m_conditionPicker(NewPickerButton("conditionPicker")), m_rows(new QTreeWidget),
      m_parameter(new QComboBox), m_value(new QLineEdit), m_set(new QPushButton(tr("&Set"))),
      m_delete(new QPushButton(tr("&Delete"))) {
    setWindowTitle(tr("Plan Settings"));
    m_type->setObjectName("planType");
    m_priority->setObjectName("priority");
    m_buildUnits->setObjectName("buildUnits");
    m_skipPlan->setObjectName("skipPlan");
    // Read out without the blanks that space the boxes' texts.
    for (QCheckBox* box : {m_buildUnits, m_skipPlan})
        box->setAccessibleName(box->text().trimmed());
    m_condition->setObjectName("condition");
    m_count->setObjectName("count");
    m_conditionClass->setObjectName("conditionClass");
    m_rows->setObjectName("rows");
    m_rows->setAccessibleName(tr("Parameters"));
    m_parameter->setObjectName("parameter");
    m_value->setObjectName("value");
    m_set->setObjectName("set");
    m_delete->setObjectName("delete");

    m_type->addItems(PlanTypeNames());
    m_type->setCurrentIndex(-1);
    for (const char* text : kConditionTexts)
        m_condition->addItem(QString::fromLatin1(text));
    m_rows->setColumnCount(2);
    m_rows->setHeaderLabels({tr("Parameter"), tr("Data")});
    m_rows->setRootIsDecorated(false);
    m_rows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setSortingEnabled(false);
    m_rows->installEventFilter(this);
    m_rows->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_set->setEnabled(false);
    m_delete->setEnabled(false);

    if (plan) {
        m_result = *plan;
        m_type->setCurrentIndex(FindPrefix(m_type, ToQt(plan->planType)));
        m_priority->setValue(int(std::min(plan->priority, kMaxPriority)));
        m_buildUnits->setChecked(plan->flags & PlanFlagBuildIfNoIdle);
        m_skipPlan->setChecked(plan->flags & PlanFlagDoNextOnFail);
        int choice = 0;
        for (int i = 1; i < 5; ++i)
            if (NamesEqual(plan->condition.kind, KindOfChoice(i))) choice = i;
        m_condition->setCurrentIndex(choice);
        m_count->setValue(int(plan->condition.count));
        m_conditionClass->setText(ToQt(plan->condition.unitClass));
        for (const PlanParameter& parameter : plan->parameters)
            new QTreeWidgetItem(m_rows, {ToQt(parameter.key), ToQt(parameter.value)});
    }

    QToolButton* valuePicker = NewPickerButton("valuePicker");
    auto* add = new QPushButton(tr("&Add"));
    add->setObjectName("add");
    connect(m_type, &QComboBox::currentIndexChanged, this, &CPlanSettingsDlg::ApplyPlanTypeRule);
    // Parameters the new type does not take: marked, and offered for removal.
    connect(m_type, &QComboBox::currentIndexChanged, this, [this] {
        const QStringList foreign = MarkForeignRows();
        if (foreign.isEmpty() ||
            Ui().Choose(this, IUiServices::Icon::Question,
                        tr("Plan type %1 does not take %2. Remove them?")
                            .arg(m_type->currentText(), foreign.join(QStringLiteral(", "))),
                        {tr("&Remove Them"), tr("&Keep Them")}, 0) != 0)
            return;
        for (const QString& name : foreign)
            delete m_rows->topLevelItem(FindRow(name));
        UpdateRowButtons();
    });
    connect(m_condition, &QComboBox::currentIndexChanged, this,
            &CPlanSettingsDlg::ApplyConditionRule);
    connect(m_conditionPicker, &QToolButton::clicked, this, [this] {
        if (const UnitItem* unit = Ui().PickUnit(m_conditionPicker, m_context.Units()))
            m_conditionClass->setText(ToQt(unit->unitClass));
    });
    connect(valuePicker, &QToolButton::clicked, this, [this, valuePicker] {
        if (const UnitItem* unit = Ui().PickUnit(valuePicker, m_context.Units()))
            m_value->setText(ToQt(QuoteValue(unit->unitClass)));
    });
    connect(add, &QPushButton::clicked, this, &CPlanSettingsDlg::OnAdd);
    connect(m_set, &QPushButton::clicked, this, &CPlanSettingsDlg::OnSet);
    connect(m_delete, &QPushButton::clicked, this, &CPlanSettingsDlg::OnDelete);
    // A row chosen by mouse or keys shows its parameter and value below, so
    // that Set changes the row the fields name.
    const auto rowChosen = [this] {
        UpdateRowButtons();
        LoadRow();
    };
    connect(m_rows, &QTreeWidget::itemSelectionChanged, this, rowChosen);
    connect(m_rows, &QTreeWidget::currentItemChanged, this, rowChosen);

    auto* typeBox = new QGroupBox(tr("Plan Type"));
    auto* typeLayout = new QGridLayout(typeBox);
    auto* priorityLabel = new QLabel(tr("Plan &Priority:"));
    priorityLabel->setBuddy(m_priority);
    typeLayout->addWidget(m_type, 0, 0, 1, 2);
    typeLayout->addWidget(priorityLabel, 1, 0);
    typeLayout->addWidget(m_priority, 1, 1);
    typeLayout->addWidget(m_buildUnits, 2, 0, 1, 2);
    typeLayout->addWidget(m_skipPlan, 3, 0, 1, 2);

    auto* conditionBox = new QGroupBox(tr("Plan Condition"));
    auto* conditionLayout = new QVBoxLayout(conditionBox);
    auto* conditionRow = new QHBoxLayout;
    conditionRow->addWidget(m_count);
    conditionRow->addWidget(new QLabel(tr(" units of type ")));
    conditionRow->addWidget(m_conditionClass, 1);
    conditionRow->addWidget(m_conditionPicker);
    conditionLayout->addWidget(m_condition);
    conditionLayout->addLayout(conditionRow);
    conditionLayout->addStretch();

    auto* dataBox = new QGroupBox(tr("Plan Data"));
    auto* dataLayout = new QGridLayout(dataBox);
    auto* parameterLabel = new QLabel(tr("Parameter:"));
    parameterLabel->setBuddy(m_parameter);
    auto* valueLabel = new QLabel(tr("Value:"));
    valueLabel->setBuddy(m_value);
    dataLayout->addWidget(m_rows, 0, 0, 1, 4);
    dataLayout->addWidget(parameterLabel, 1, 0);
    dataLayout->addWidget(m_parameter, 1, 1, 1, 3);
    dataLayout->addWidget(valueLabel, 2, 0);
    dataLayout->addWidget(m_value, 2, 1, 1, 2);
    dataLayout->addWidget(valuePicker, 2, 3);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addStretch();
    rowButtons->addWidget(add);
    rowButtons->addWidget(m_set);
    rowButtons->addWidget(m_delete);
    dataLayout->addLayout(rowButtons, 3, 0, 1, 4);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPlanSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(typeBox);
    top->addWidget(conditionBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(dataBox, 1);
    layout->addWidget(buttons);
    resize(620, 460);
    SetTabOrder({m_type, m_priority, m_buildUnits, m_skipPlan, m_condition, m_count,
                 m_conditionClass, m_conditionPicker, m_rows, m_parameter, m_value, valuePicker,
                 add, m_set, m_delete, buttons});
    // Enter in the Value field sets the selected row, as "&Set" does, instead
    // of closing the dialog and dropping what was typed.
    m_value->installEventFilter(this);

    ApplyConditionRule();
    ApplyPlanTypeRule();
    MarkForeignRows();
}

const PlanTypeInfo* CPlanSettingsDlg::ChosenType() const {
    if (m_type->currentIndex() < 0) return nullptr;
    return m_context.PlanTypes().FindPlanType(FromQt(m_type->currentText()));
}

void CPlanSettingsDlg::ApplyConditionRule() {
    const bool on = m_condition->currentIndex() > 0;
    for (QWidget* w : {static_cast<QWidget*>(m_count), static_cast<QWidget*>(m_conditionClass),
                       static_cast<QWidget*>(m_conditionPicker)})
        w->setEnabled(on);
}

void CPlanSettingsDlg::ApplyPlanTypeRule() {
    const PlanTypeInfo* type = ChosenType();
    m_parameter->clear();
    if (type)
        for (const PlanParamDef& def : type->params)
            m_parameter->addItem(ToQt(def.name));
    m_parameter->setCurrentIndex(-1);

    const std::uint32_t flags = type ? type->flags : 0;
    if (flags & PlanTypeHasCondition) {
        m_condition->setEnabled(true);
        ApplyConditionRule();
    } else {
        for (QWidget* w :
             {static_cast<QWidget*>(m_condition), static_cast<QWidget*>(m_count),
              static_cast<QWidget*>(m_conditionClass), static_cast<QWidget*>(m_conditionPicker)})
            w->setEnabled(false);
    }
    // A disabled box keeps its check mark until OK clears it.
    m_buildUnits->setEnabled(flags & PlanTypeBuildIfNoIdle);
    m_skipPlan->setEnabled(flags & PlanTypeDoNextOnFail);
}

QStringList CPlanSettingsDlg::MarkForeignRows() {
    const PlanTypeInfo* type = ChosenType();
    QStringList foreign;
    for (int i = 0; i < m_rows->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_rows->topLevelItem(i);
        const bool taken = !type || CPlanManager::FindParamDef(type, FromQt(row->text(0)));
        QFont font = row->font(0);
        font.setItalic(!taken);
        row->setFont(0, font);
        row->setToolTip(0, taken
                               ? QString()
                               : tr("Not a parameter of plan type %1").arg(m_type->currentText()));
        if (!taken) foreign << row->text(0);
    }
    return foreign;
}

int CPlanSettingsDlg::FindRow(const QString& name) const {
    for (int i = 0; i < m_rows->topLevelItemCount(); ++i)
        if (m_rows->topLevelItem(i)->text(0).compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool CPlanSettingsDlg::ValueReadsBack(const PlanParamDef& def) {
    // A text is written in quotes, as the unit picker writes a unit class.
    if (def.ValueKind() == ParamKindString && !m_value->text().startsWith('"') &&
        !m_value->text().startsWith('\'') && FirstWithoutByte(m_value->text()) < 0)
        m_value->setText(ToQt(QuoteValue(FromQt(m_value->text()))));
    const QString text = m_value->text();
    const qsizetype bad = FirstWithoutByte(text);
    const QString problem = bad >= 0 ? tr("'%1' has no byte in a plan file").arg(text.mid(bad, 1))
                                     : ToQt(ValueProblem(FromQt(text)));
    if (problem.isEmpty()) {
        // The kind the plan type gives the parameter, in the Issues panel's
        // words; a value the game would read otherwise may still be kept.
        const ParamValueProblem kind = CheckParamValue(def, def.name, FromQt(text));
        if (kind.code.empty() || Ui().Choose(this, IUiServices::Icon::Warning,
                                             tr("'%1': %2.").arg(text, ToQt(kind.words)),
                                             {tr("&Keep It"), tr("&Change It")}, 1) == 0)
            return true;
        m_value->setFocus();
        return false;
    }
    Ui().ShowMessage(this, IUiServices::Icon::Error,
                     tr("ERROR: This value would not be saved as written: %1.\n\n"
                        "Put text with blanks, brackets or // between double quotes.")
                         .arg(problem));
    m_value->setFocus();
    return false;
}

void CPlanSettingsDlg::OnAdd() {
    const PlanTypeInfo* type = ChosenType();
    const int choice = m_parameter->currentIndex();
    if (!type || choice < 0 || choice >= int(type->params.size()) || m_value->text().isEmpty()) {
        Ui().Beep();
        return;
    }
    const PlanParamDef& def = type->params[std::size_t(choice)];
    if (!ValueReadsBack(def)) return;
    const QString name = ToQt(def.name);
    QTreeWidgetItem* row = nullptr;
    if (!def.IsMulti()) {
        const int existing = FindRow(name);
        row = existing >= 0 ? m_rows->topLevelItem(existing) : new QTreeWidgetItem(m_rows, {name});
    } else {
        unsigned long n = 1;
        while (FindRow(name + QString::number(n)) >= 0)
            ++n;
        row = new QTreeWidgetItem(m_rows, {name + QString::number(n)});
    }
    row->setText(1, m_value->text());
    m_rows->setCurrentItem(row, 0, QItemSelectionModel::ClearAndSelect);
    UpdateRowButtons();
}

const PlanParamDef* CPlanSettingsDlg::ChosenParameter() const {
    const PlanTypeInfo* type = ChosenType();
    const int choice = m_parameter->currentIndex();
    return type && choice >= 0 && choice < int(type->params.size())
               ? &type->params[std::size_t(choice)]
               : nullptr;
}

void CPlanSettingsDlg::OnSet() {
    QTreeWidgetItem* row = m_rows->currentItem();
    if (!row || !row->isSelected() || m_value->text().isEmpty()) return;
    // The value goes into the row of the parameter the fields name, or nowhere.
    const PlanParamDef* def = ChosenParameter();
    if (CPlanManager::FindParamDef(ChosenType(), FromQt(row->text(0))) != def || !def) {
        Ui().Beep();
        return;
    }
    if (!ValueReadsBack(*def)) return;
    row->setText(1, m_value->text());
}

void CPlanSettingsDlg::OnDelete() {
    qDeleteAll(m_rows->selectedItems());
    UpdateRowButtons();
}

void CPlanSettingsDlg::LoadRow() {
    QTreeWidgetItem* row = m_rows->currentItem();
    if (!row || !row->isSelected()) return;
    const PlanParamDef* def = CPlanManager::FindParamDef(ChosenType(), FromQt(row->text(0)));
    m_parameter->setCurrentIndex(def ? FindPrefix(m_parameter, ToQt(def->name)) : -1);
    m_value->setText(row->text(1));
}

void CPlanSettingsDlg::UpdateRowButtons() {
    m_delete->setEnabled(!m_rows->selectedItems().isEmpty());
    QTreeWidgetItem* current = m_rows->currentItem();
    m_set->setEnabled(current && current->isSelected());
}

bool CPlanSettingsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_value && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnSet();
            return true;
        }
    }
    if (watched == m_rows && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CPlanSettingsDlg::accept() {
    const int priority = m_priority->ReadValue();
    if (m_type->currentIndex() < 0 || priority <= 0) {
        Ui().ShowMessage(this, IUiServices::Icon::Error,
                         tr("ERROR: You must specify a valid Plan Type and Priority!"));
        return;
    }
    const PlanTypeInfo* type = ChosenType();
    const std::uint32_t capabilities = type ? type->flags : 0;
    int choice = m_condition->currentIndex();
    const int count = m_count->ReadValue();
    if (!(capabilities & PlanTypeHasCondition)) {
        choice = 0;
    } else if (choice > 0 && (count <= 0 || m_conditionClass->text().isEmpty())) {
        Ui().ShowMessage(this, IUiServices::Icon::Error,
                         tr("ERROR: The Plan Condition parameters are not complete!"));
        return;
    }
    const bool buildUnits = (capabilities & PlanTypeBuildIfNoIdle) && m_buildUnits->isChecked();
    const bool skipPlan = (capabilities & PlanTypeDoNextOnFail) && m_skipPlan->isChecked();

    // Both checks passed: the plan as the dialog shows it.
    m_result.planType = FieldText(FromQt(m_type->currentText()), kPlanTypeLimit);
    m_result.priority = std::min(std::uint32_t(priority), kMaxPriority);
    const std::string conditionClass = choice > 0 ? FromQt(m_conditionClass->text()) : "";
    m_result.condition.Set(KindOfChoice(choice), conditionClass, std::uint32_t(count));
    m_result.flags = 0;
    if (skipPlan) m_result.flags |= PlanFlagDoNextOnFail;
    if (buildUnits) m_result.flags |= PlanFlagBuildIfNoIdle;
    m_result.parameters.clear();
    for (int i = 0; i < m_rows->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_rows->topLevelItem(i);
        m_result.parameters.push_back({FromQt(row->text(0)), FromQt(row->text(1))});
    }
    QDialog::accept();
}
