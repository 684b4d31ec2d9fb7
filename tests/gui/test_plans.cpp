// The plan list, plan ordering and the Plan Settings dialog.

#include "commandids.h"
#include "fakeui.h"
#include "mainframe.h"
#include "numberspin.h"
#include "plansettingsdlg.h"
#include "rightview.h"
#include "startcheatdlg.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

class TestPlans : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeUi> m_ui;
    std::unique_ptr<CZeqEditorApp> m_app;

    CRightView* List() { return m_app->MainFrame()->GetRightPane(); }
    CZeqEditorDoc* Doc() { return m_app->Document(); }

    void Open(const QByteArray& plans) {
        const QString path = m_dir.filePath("p.zeq");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("[Start]\r\nconsClass = c\r\nscavClass = s\r\n" + plans);
        file.close();
        QVERIFY(m_app->OpenDocumentFile(path));
    }

    // "30 20 10": the Priority column from the top.
    QString Priorities() {
        QStringList cells;
        for (int row = 0; row < List()->RowCount(); ++row)
            cells << List()->CellText(row, CRightView::PriorityColumn);
        return cells.join(' ');
    }

    static QByteArray Plans(std::initializer_list<std::pair<const char*, int>> plans) {
        QByteArray text;
        int n = 0;
        for (auto [type, priority] : plans)
            text += QStringLiteral("[Plan%1]\r\nplanType = \"%2\"\r\nplanPriority = %3\r\n")
                        .arg(++n)
                        .arg(type)
                        .arg(priority)
                        .toLatin1();
        return text;
    }

    static QWidget* Child(QDialog* d, const char* name) { return d->findChild<QWidget*>(name); }

private slots:
    void init() {
        m_ui = std::make_unique<FakeUi>();
        m_app = std::make_unique<CZeqEditorApp>();
        QDir::setCurrent(ZEQ_DATA_DIR); // the shipped Plans.dat and Units.dat
        m_app->InitInstance({QString(), m_dir.filePath("settings.cfg")});
        QVERIFY(m_app->PlanManager().FindPlanType("Hold"));
    }

    void cleanup() {
        Doc()->SetModifiedFlag(false);
        m_app.reset();
        m_ui.reset();
    }

    void rowsAreSortedAndDescribed() {
        Open("[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 10\r\nplanCondition = \"exists\"\r\n"
             "planConditionClass = \"iu_spire\"\r\nplanConditionCount = 2\r\ndoNextOnFail = 1\r\n"
             "[Plan2]\r\nplanType = \"Mystery\"\r\nplanPriority = 30\r\nbuildIfNoIdle = 1\r\n"
             "doNextOnFail = 1\r\n"
             "[Plan3]\r\nplanType = \"Attacker\"\r\nplanPriority = 20\r\n");
        QCOMPARE(Priorities(), QString("30 20 10"));
        QCOMPARE(List()->CellText(2, CRightView::ConditionColumn),
                 QString("If Team Computer has 2 unit(s) of type 'Gun Spire'"));
        QCOMPARE(List()->CellText(2, CRightView::FlagsColumn), QString("doNextOnFail"));
        QCOMPARE(List()->CellText(0, CRightView::FlagsColumn),
                 QString("buildIfNoIdle, doNextOnFail"));
        QCOMPARE(List()->CellText(1, CRightView::ConditionColumn), QString());
        QCOMPARE(List()->CellText(1, CRightView::FlagsColumn), QString());
        // Known types have their icon; a type the catalog lacks has none.
        auto* model = List()->CurrentView()->model();
        QVERIFY(model->index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull() == false);
        QVERIFY(model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    }

    void deletingRemovesEverySelectedPlan() {
        Open(Plans({{"Hold", 1}, {"Hold", 2}, {"Hold", 3}, {"Hold", 4}}));
        List()->SelectRow(0, false);
        List()->SelectRow(2, false);
        List()->SelectRow(3, true);
        m_app->MainFrame()->RunCommand(ID_PLAN_DELETE);
        QCOMPARE(Priorities(), QString("3"));
        QCOMPARE(Doc()->Data().plans.CountPlans(), 1u);
        QVERIFY(Doc()->IsModified());
    }

    void moveUpAndDownExchangePriorities() {
        Open(Plans({{"A", 30}, {"B", 20}, {"C", 10}}));
        List()->SelectRow(1, true); // B, 20
        m_app->MainFrame()->RunCommand(ID_PLAN_MOVE_UP);
        QCOMPARE(Priorities(), QString("30 20 10"));
        QCOMPARE(List()->CellText(0, 0), QString("B"));
        QCOMPARE(List()->FocusedSelectedRow(), 0); // the moved plan keeps the focus
        m_app->MainFrame()->RunCommand(ID_PLAN_MOVE_DOWN);
        m_app->MainFrame()->RunCommand(ID_PLAN_MOVE_DOWN);
        QCOMPARE(List()->CellText(2, 0), QString("B"));
        QCOMPARE(List()->CellText(2, 1), QString("10"));
    }

    void movesPastEqualPrioritiesChangeNothingAndStopAt16384() {
        Open(Plans({{"A", 5}, {"B", 5}}));
        List()->SelectRow(1, true);
        m_app->MainFrame()->RunCommand(ID_PLAN_MOVE_UP);
        QCOMPARE(Priorities(), QString("5 5"));
        Doc()->Data().plans.All()[0]->priority = 20000;
        Doc()->UpdateAllViews();
        List()->SelectRow(1, true);
        m_app->MainFrame()->RunCommand(ID_PLAN_MOVE_UP);
        QCOMPARE(Priorities(), QString("16384 5"));
    }

    void autoArrangeRespacesByTens() {
        Open(Plans({{"P5", 5}, {"first50", 50}, {"second50", 50}, {"P7", 7}}));
        m_app->MainFrame()->RunCommand(ID_PLAN_AUTO_ARRANGE);
        QCOMPARE(Priorities(), QString("40 30 20 10"));
        QCOMPARE(List()->CellText(0, 0), QString("first50"));
        QCOMPARE(List()->CellText(3, 0), QString("P5"));
        QVERIFY(Doc()->IsModified());
    }

    void autoArrangeOfAnEmptyListChangesNothing() {
        m_app->MainFrame()->RunCommand(ID_PLAN_AUTO_ARRANGE);
        QVERIFY(!Doc()->IsModified());
    }

    void insertWithTheListActiveOpensPlanSettings() {
        m_app->MainFrame()->SetActivePane(List());
        WhenModal<CPlanSettingsDlg>([](CPlanSettingsDlg* dialog) {
            qobject_cast<QComboBox*>(dialog->findChild<QWidget*>("planType"))->setCurrentIndex(7);
            dialog->accept();
        });
        m_app->MainFrame()->RunCommand(ID_ITEM_INSERT);
        QCOMPARE(Doc()->Data().plans.CountPlans(), 1u);
        QCOMPARE(Doc()->Data().plans.All()[0]->planType, std::string("Hold"));
        QCOMPARE(Doc()->Data().plans.All()[0]->priority, 1u);
        QCOMPARE(List()->FocusedSelectedRow(), 0);
    }

    void planSettingsChecksBeforeWriting() {
        PlanList plans;
        CPlanSettingsDlg dialog(plans, nullptr);
        dialog.accept();
        QCOMPARE(m_ui->messages.last(),
                 QString("ERROR: You must specify a valid Plan Type and Priority!"));
        auto* type = qobject_cast<QComboBox*>(Child(&dialog, "planType"));
        type->setCurrentText("Attacker");
        qobject_cast<QComboBox*>(Child(&dialog, "condition"))->setCurrentIndex(1);
        dialog.accept();
        QCOMPARE(m_ui->messages.last(),
                 QString("ERROR: The Plan Condition parameters are not complete!"));
        QCOMPARE(plans.CountPlans(), 0u);
        qobject_cast<QLineEdit*>(Child(&dialog, "conditionClass"))->setText("iu_spire");
        qobject_cast<CNumberSpin*>(Child(&dialog, "count"))->lineEdit()->setText("999");
        qobject_cast<CNumberSpin*>(Child(&dialog, "priority"))->lineEdit()->setText("20000");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const PlanEntry& plan = *plans.All()[0];
        QCOMPARE(plan.priority, 16384u);
        QCOMPARE(plan.condition.kind, std::string("Exists"));
        QCOMPARE(plan.condition.count, 255u);
    }

    void typeCapabilitiesClearConditionAndFlags() {
        PlanList plans;
        PlanEntry* plan = plans.AddPlan("build", 7); // lower case: "BuildMinimums" is chosen
        plan->condition.Set("exists", "iu_spire", 3);
        plan->flags = PlanFlagBuildIfNoIdle | PlanFlagDoNextOnFail;
        CPlanSettingsDlg dialog(plans, plan);
        auto* type = qobject_cast<QComboBox*>(Child(&dialog, "planType"));
        QCOMPARE(type->currentText(), QString("BuildMinimums"));
        QCOMPARE(qobject_cast<QComboBox*>(Child(&dialog, "condition"))->currentIndex(), 1);
        QVERIFY(!Child(&dialog, "buildUnits")->isEnabled()); // BuildMinimums cannot build if idle
        QVERIFY(qobject_cast<QCheckBox*>(Child(&dialog, "buildUnits"))->isChecked());
        dialog.accept();
        QCOMPARE(plan->planType, std::string("BuildMinimums"));
        QCOMPARE(plan->flags, std::uint32_t(PlanFlagDoNextOnFail));
        QCOMPARE(plan->condition.kind, std::string("Exists")); // written back in its proper case
    }

    void unknownTypeOpensWithNoTypeChosen() {
        PlanList plans;
        PlanEntry* plan = plans.AddPlan("Nothing", 7);
        CPlanSettingsDlg dialog(plans, plan);
        QCOMPARE(qobject_cast<QComboBox*>(Child(&dialog, "planType"))->currentIndex(), -1);
        dialog.accept();
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(plan->planType, std::string("Nothing"));
    }

    void parametersAddSetDeleteAndDoubleClick() {
        PlanList plans;
        CPlanSettingsDlg dialog(plans, nullptr);
        auto* type = qobject_cast<QComboBox*>(Child(&dialog, "planType"));
        type->setCurrentText("BuildLoop");
        auto* parameter = qobject_cast<QComboBox*>(Child(&dialog, "parameter"));
        auto* value = qobject_cast<QLineEdit*>(Child(&dialog, "value"));
        auto* rows = qobject_cast<QTreeWidget*>(Child(&dialog, "rows"));
        QCOMPARE(parameter->count(), 4);
        dialog.OnAdd(); // nothing chosen
        QCOMPARE(m_ui->beeps, 1);

        parameter->setCurrentText("buildType");
        value->setText("\"va_darter\"");
        for (int i = 0; i < 3; ++i)
            dialog.OnAdd();
        parameter->setCurrentText("loopDelay");
        value->setText("45");
        dialog.OnAdd();
        value->setText("60");
        dialog.OnAdd(); // a single parameter replaces its row
        auto names = [rows] {
            QStringList n;
            for (int i = 0; i < rows->topLevelItemCount(); ++i)
                n << rows->topLevelItem(i)->text(0) + "=" + rows->topLevelItem(i)->text(1);
            return n.join(' ');
        };
        QCOMPARE(names(), QString("buildType1=\"va_darter\" buildType2=\"va_darter\" "
                                  "buildType3=\"va_darter\" loopDelay=60"));
        rows->clearSelection();
        rows->topLevelItem(1)->setSelected(true);
        dialog.OnDelete();
        parameter->setCurrentText("buildType");
        value->setText("x");
        dialog.OnAdd();
        QCOMPARE(names(), QString("buildType1=\"va_darter\" buildType3=\"va_darter\" loopDelay=60 "
                                  "buildType2=x"));

        rows->clearSelection();
        rows->setCurrentItem(rows->topLevelItem(2));
        QVERIFY(Child(&dialog, "set")->isEnabled());
        dialog.OnRowDoubleClicked();
        QCOMPARE(parameter->currentText(), QString("loopDelay"));
        QCOMPARE(value->text(), QString("60"));
        value->setText("90");
        dialog.OnSet();
        QCOMPARE(rows->topLevelItem(2)->text(1), QString("90"));

        type->setCurrentText("Hold");
        QCOMPARE(rows->topLevelItemCount(), 4); // rows stay when the type changes
        dialog.accept();
        QCOMPARE(plans.All()[0]->parameters.size(), std::size_t(4));
        QCOMPARE(plans.All()[0]->parameters[3].key, std::string("buildType2"));
    }

    void valuesThatWouldNotReadBackAreRefused() {
        PlanList plans;
        CPlanSettingsDlg dialog(plans, nullptr);
        qobject_cast<QComboBox*>(Child(&dialog, "planType"))->setCurrentText("Hold");
        auto* parameter = qobject_cast<QComboBox*>(Child(&dialog, "parameter"));
        auto* value = qobject_cast<QLineEdit*>(Child(&dialog, "value"));
        auto* rows = qobject_cast<QTreeWidget*>(Child(&dialog, "rows"));
        parameter->setCurrentText("holdPoint");
        for (const char* bad : {"a]", "x [y", "two words", "1 // note", "\"\u20ac\""}) {
            value->setText(QString::fromUtf8(bad));
            dialog.OnAdd();
            QCOMPARE(rows->topLevelItemCount(), 0);
            QVERIFY(m_ui->messages.last().startsWith("ERROR: This value would not be saved"));
            QCOMPARE(value->text(), QString::fromUtf8(bad)); // kept for mending
        }
        QVERIFY(m_ui->icons.back() == IUiServices::Icon::Error);
        value->setText("\"two words\"");
        dialog.OnAdd();
        QCOMPARE(rows->topLevelItemCount(), 1);
        rows->setCurrentItem(rows->topLevelItem(0));
        value->setText("a]");
        dialog.OnSet();
        QCOMPARE(rows->topLevelItem(0)->text(1), QString("\"two words\""));
        QCOMPARE(m_ui->messages.size(), 6);
    }

    void pickersQuoteTheValueButNotTheConditionClass() {
        PlanList plans;
        CPlanSettingsDlg dialog(plans, nullptr);
        qobject_cast<QComboBox*>(Child(&dialog, "planType"))->setCurrentText("Hold");
        qobject_cast<QComboBox*>(Child(&dialog, "condition"))->setCurrentIndex(2);
        m_ui->unitClasses = {"iu_spire", "iu_spire"};
        QTest::mouseClick(dialog.findChild<QToolButton*>("valuePicker"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QToolButton*>("conditionPicker"), Qt::LeftButton);
        QCOMPARE(qobject_cast<QLineEdit*>(Child(&dialog, "value"))->text(),
                 QString("\"iu_spire\""));
        QCOMPARE(qobject_cast<QLineEdit*>(Child(&dialog, "conditionClass"))->text(),
                 QString("iu_spire"));
    }

    // Locales with digits of their own must not turn untouched numbers into
    // the maximum: the dialogs show and read ASCII digits only.
    void numbersAreAsciiInEveryLocale() {
        for (const char* name : {"ar_EG", "fa_IR", "bn_BD"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            QVERIFY(QLocale().toString(7) != "7"); // the locale has digits of its own
            StartSection start{7, "c", "s", 10, 20};
            CStartCheatDlg startDialog(start);
            QCOMPARE(startDialog.findChild<CNumberSpin*>("delay")->text(), QString("20"));
            startDialog.accept();
            startDialog.WriteBack(start);
            QCOMPARE(start.scrapCount, 7u);
            QCOMPARE(start.moneyAmount, 10u);
            QCOMPARE(start.moneyDelay, 20u);

            PlanList plans;
            PlanEntry* plan = plans.AddPlan("Hold", 7);
            plan->condition.Set("Exists", "u", 3);
            CPlanSettingsDlg planDialog(plans, plan);
            planDialog.accept();
            QCOMPARE(plan->priority, 7u);
            QCOMPARE(plan->condition.count, 3u);
        }
        QLocale::setDefault(QLocale::c());
    }

    void deletingAllRowsLeavesNoParametersAndCancelNothingChanged() {
        PlanList plans;
        PlanEntry* plan = plans.AddPlan("Hold", 5);
        plan->parameters = {{"holdPoint", "\"a\"", 0}};
        {
            CPlanSettingsDlg dialog(plans, plan);
            qobject_cast<QTreeWidget*>(Child(&dialog, "rows"))->selectAll();
            dialog.OnDelete();
            qobject_cast<CNumberSpin*>(Child(&dialog, "priority"))->lineEdit()->setText("77");
            dialog.reject();
        }
        QCOMPARE(plan->parameters.size(), std::size_t(1));
        QCOMPARE(plan->priority, 5u);
        CPlanSettingsDlg dialog(plans, plan);
        qobject_cast<QTreeWidget*>(Child(&dialog, "rows"))->selectAll();
        dialog.OnDelete();
        dialog.accept();
        QVERIFY(plan->parameters.empty());
    }
};

QTEST_MAIN(TestPlans)
#include "test_plans.moc"
