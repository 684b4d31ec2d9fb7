// The dialogs that edit one record each, on a context of their own: no
// application is started.

#include "aboutdlg.h"
#include "fakeui.h"
#include "keyboardcheck.h"
#include "matchdlg.h"
#include "numberspin.h"
#include "plansettingsdlg.h"
#include "startcheatdlg.h"
#include "testcontext.h"
#include "unitclassedit.h"
#include "unitpicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

template <typename W> W* Child(QWidget* dialog, const char* name) {
    W* widget = dialog->findChild<W*>(name);
    Q_ASSERT(widget);
    return widget;
}

// The parameter rows as "name=value name=value".
QString Rows(const QTreeWidget* rows) {
    QStringList n;
    for (int i = 0; i < rows->topLevelItemCount(); ++i)
        n << rows->topLevelItem(i)->text(0) + "=" + rows->topLevelItem(i)->text(1);
    return n.join(' ');
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

    FakeUi ui;
    TestContext shipped;

private slots:
    void init() { ui.Reset(); }

    void startCheatChecksAndClamps() {
        StartSection start;
        start.consClass = "cons";
        CStartCheatDlg dialog(shipped.context, start);
        dialog.accept(); // no scavenger
        QCOMPARE(ui.messages,
                 QStringList{"You need to specify a Constructor and a Scavenger class!"});

        // A cheat that would not be saved says so while it is so.
        auto* note = Child<QLabel>(&dialog, "cheatNote");
        QVERIFY(note->isHidden()); // both 0: no cheat
        Child<CNumberSpin>(&dialog, "amount")->lineEdit()->setText("8");
        QVERIFY(!note->isHidden());
        Child<CNumberSpin>(&dialog, "delay")->lineEdit()->setText("3");
        QVERIFY(note->isHidden());

        // The class fields take what a plan file keeps: 16 characters, no quotes.
        auto* scavenger = Child<QLineEdit>(&dialog, "scavenger");
        QTest::keyClicks(scavenger, "it's \"abcdefghijklmnopqrst");
        QCOMPARE(scavenger->text(), QString("its abcdefghijkl"));
        for (auto [name, text] : {std::pair{"delay", "5000"}, {"amount", "999"}, {"scrap", "12"}})
            Child<CNumberSpin>(&dialog, name)->lineEdit()->setText(text);
        dialog.accept();
        const StartSection& result = dialog.Result();
        QCOMPARE(result.moneyDelay, 3600u);
        QCOMPARE(result.moneyAmount, 255u);
        QCOMPARE(result.scrapCount, 12u);
    }

    // Each picker fills its own field (a value quoted, a class not); a
    // dismissed one changes nothing.
    void pickersFillTheirOwnField() {
        CStartCheatDlg start(shipped.context, StartSection{});
        Child<QLineEdit>(&start, "scavenger")->setText("kept");
        CMatchDlg match(shipped.context, nullptr);
        CPlanSettingsDlg plan(shipped.context, nullptr);
        Child<QComboBox>(&plan, "planType")->setCurrentText("Hold");
        Child<QComboBox>(&plan, "condition")->setCurrentIndex(2);
        ui.unitClasses = {"iu_builder", "", "iu_spire", "iu_builder", "", "iu_spire", "iu_spire"};
        const std::pair<QDialog*, const char*> clicks[] = {
            {&start, "constructorPicker"}, {&start, "scavengerPicker"}, {&match, "targetPicker"},
            {&match, "attackerPicker"},    {&match, "attackerPicker"},  {&plan, "valuePicker"},
            {&plan, "conditionPicker"}};
        for (auto [dialog, picker] : clicks)
            QTest::mouseClick(Child<QToolButton>(dialog, picker), Qt::LeftButton);
        QCOMPARE(Child<QLineEdit>(&start, "constructor")->text(), QString("iu_builder"));
        QCOMPARE(Child<QLineEdit>(&start, "scavenger")->text(), QString("kept"));
        QCOMPARE(Child<QLineEdit>(&match, "target")->text(), QString("iu_spire"));
        QCOMPARE(Child<QListWidget>(&match, "attackers")->count(), 1);
        QCOMPARE(Child<QLineEdit>(&plan, "value")->text(), QString("\"iu_spire\""));
        QCOMPARE(Child<QLineEdit>(&plan, "conditionClass")->text(), QString("iu_spire"));
    }

    void matchOkNeedsATargetAndRows() {
        CMatchDlg dialog(shipped.context, nullptr);
        dialog.accept();
        Child<QLineEdit>(&dialog, "target")->setText("tank");
        dialog.accept();
        QCOMPARE(ui.beeps, 2);
        dialog.OnNew();
        dialog.OnNew();
        Child<QLineEdit>(&dialog, "target")->setText("abcdefghijklmnopqrst");
        dialog.accept();
        QCOMPARE(dialog.Result().unitClass, std::string("abcdefghijklmnop"));
        QCOMPARE(dialog.Result().attackers[1].unitClass, std::string("Custom"));

        // Removing every attacker leaves nothing to accept.
        auto* list = Child<QListWidget>(&dialog, "attackers");
        list->clearSelection();
        dialog.OnDelete(); // nothing selected
        for (int rows = list->count(); rows > 0; --rows) {
            list->item(0)->setSelected(true);
            dialog.OnDelete();
        }
        QCOMPARE(list->count(), 0);
        dialog.accept();
        QCOMPARE(ui.beeps, 4);
    }

    // A row renamed to nothing keeps its label; a name is a unit class.
    void renamingToEmptyKeepsTheLabel() {
        CMatchDlg dialog(shipped.context, nullptr);
        dialog.show();
        auto* list = Child<QListWidget>(&dialog, "attackers");
        dialog.OnRename();
        QCOMPARE(ui.beeps, 1); // no row
        dialog.OnNew();
        auto* editor = list->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, "re'named-and-then-some");
        QCOMPARE(editor->text(), QString("renamed-and-then"));
        editor->clear();
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!list->findChild<QLineEdit*>()); // committed and closed
        QCOMPARE(list->item(0)->text(), QString("Custom"));
    }

    // The menu of groups and units, with a search field at its top that
    // lists the matching units and chooses one with Enter.
    void unitPickerMirrorsTheCatalogAndSearches() {
        CUnitList units;
        UnitGroup* a = units.AddGroup("A");
        CUnitList::AddUnit(a, "Alpha", "a1");
        CUnitList::AddUnit(CUnitList::AddSubGroup(a, "A1"), "Beta", "b1");
        const UnitPickerMenu picker = units.BuildUnitMenu();
        std::unique_ptr<QMenu> menu = CreateUnitMenu(picker, nullptr);
        QAction* group = menu->actions().last();
        QCOMPARE(group->text(), QString("A"));
        QCOMPARE(group->menu()->actions()[0]->menu()->actions()[0]->data().toInt(), 1024);

        auto* search = menu->findChild<QLineEdit*>("unitSearch");
        QVERIFY(search);
        search->setText("B1");
        QVERIFY(!group->isVisible());
        QCOMPARE(menu->actions().last()->text(), QString("Beta  (b1)"));
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(picker.UnitForCommand(ChosenUnitCommand(menu.get(), nullptr))->unitClass,
                 std::string("b1"));
    }

    // Tab follows the layout; buttons shown by their icons are named for
    // screen readers; unknown unit classes are marked.
    void keyboardAndScreenReaders() {
        CStartCheatDlg start(shipped.context, StartSection{});
        CMatchDlg match(shipped.context, nullptr);
        CPlanSettingsDlg plan(shipped.context, nullptr);
        Child<QComboBox>(&plan, "planType")->setCurrentText("Hold"); // its controls enabled
        Child<QComboBox>(&plan, "condition")->setCurrentIndex(1);
        const std::pair<QDialog*, QStringList> dialogs[] = {
            {&start,
             {"scrap", "constructor", "constructorPicker", "scavenger", "scavengerPicker", "amount",
              "delay"}},
            {&match,
             {"target", "targetPicker", "attackers", "attackerPicker", "new", "rename", "delete"}},
            {&plan,
             {"planType", "priority", "buildUnits", "skipPlan", "condition", "count",
              "conditionClass", "conditionPicker", "rows", "parameter", "value", "valuePicker",
              "add", "set", "delete"}}};
        for (const auto& [dialog, order] : dialogs) {
            QStringList chain;
            for (QWidget* w = Child<QWidget>(dialog, qPrintable(order[0]));
                 chain.size() < order.size(); w = w->nextInFocusChain())
                if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") &&
                    w->focusPolicy() & Qt::TabFocus)
                    chain << w->objectName();
            QCOMPARE(chain, order);
        }
        auto* target = Child<CUnitClassEdit>(&match, "target");
        target->setText("iu_nothing"); // its mark shown
        CAboutDlg about(nullptr);
        for (QDialog* dialog : {static_cast<QDialog*>(&start), static_cast<QDialog*>(&match),
                                static_cast<QDialog*>(&plan), static_cast<QDialog*>(&about)}) {
            dialog->show();
            QCOMPARE(UnnamedControls(dialog).join(", "), QString());
            QCOMPARE(MnemonicClashes(dialog).join(", "), QString());
            dialog->hide();
        }
        target->setText("iu_spire");
        QVERIFY(!target->ShowsUnknownMark());
        target->setText("iu_nothing");
        QVERIFY(target->ShowsUnknownMark());
    }

    void planSettingsChecksBeforeWriting() {
        CPlanSettingsDlg dialog(shipped.context, nullptr);
        dialog.accept();
        QCOMPARE(ui.messages.last(),
                 QString("ERROR: You must specify a valid Plan Type and Priority!"));
        Child<QComboBox>(&dialog, "planType")->setCurrentText("Attacker");
        Child<QComboBox>(&dialog, "condition")->setCurrentIndex(1);
        dialog.accept();
        QCOMPARE(ui.messages.last(),
                 QString("ERROR: The Plan Condition parameters are not complete!"));
        Child<QLineEdit>(&dialog, "conditionClass")->setText("iu_spire");
        Child<CNumberSpin>(&dialog, "count")->lineEdit()->setText("999");
        Child<CNumberSpin>(&dialog, "priority")->lineEdit()->setText("20000");
        dialog.accept();
        const PlanEntry& plan = dialog.Result();
        QCOMPARE(plan.priority, 16384u);
        QCOMPARE(plan.condition.kind, std::string("Exists"));
        QCOMPARE(plan.condition.count, 255u);
    }

    void typeCapabilitiesClearConditionAndFlags() {
        PlanEntry plan{"build", 7, PlanFlagBuildIfNoIdle | PlanFlagDoNextOnFail, {}, {}};
        plan.condition.Set("exists", "iu_spire", 3);
        CPlanSettingsDlg dialog(shipped.context, &plan);
        QCOMPARE(Child<QComboBox>(&dialog, "planType")->currentText(), QString("BuildMinimums"));
        QCOMPARE(Child<QComboBox>(&dialog, "condition")->currentIndex(), 1);
        QVERIFY(!Child<QCheckBox>(&dialog, "buildUnits")->isEnabled()); // not for BuildMinimums
        QVERIFY(Child<QCheckBox>(&dialog, "buildUnits")->isChecked());
        dialog.accept();
        QCOMPARE(dialog.Result().flags, std::uint32_t(PlanFlagDoNextOnFail));
        QCOMPARE(dialog.Result().condition.kind, std::string("Exists")); // in its proper case

        PlanEntry unknown{"Nothing", 7, 0, {}, {}};
        CPlanSettingsDlg unknownDialog(shipped.context, &unknown);
        QCOMPARE(Child<QComboBox>(&unknownDialog, "planType")->currentIndex(), -1);
        unknownDialog.accept();
        QCOMPARE(unknownDialog.result(), int(QDialog::Rejected));
    }

    void parametersAddSetDeleteAndChoose() {
        CPlanSettingsDlg dialog(shipped.context, nullptr);
        auto* type = Child<QComboBox>(&dialog, "planType");
        type->setCurrentText("BuildLoop");
        auto* parameter = Child<QComboBox>(&dialog, "parameter");
        auto* value = Child<QLineEdit>(&dialog, "value");
        auto* rows = Child<QTreeWidget>(&dialog, "rows");
        QCOMPARE(parameter->count(), 4);
        dialog.OnAdd(); // nothing chosen
        QCOMPARE(ui.beeps, 1);

        parameter->setCurrentText("buildType");
        value->setText("\"va_darter\"");
        for (int i = 0; i < 3; ++i)
            dialog.OnAdd();
        parameter->setCurrentText("loopDelay");
        value->setText("45");
        dialog.OnAdd();
        value->setText("60");
        dialog.OnAdd(); // a single parameter replaces its row
        QCOMPARE(Rows(rows), QString("buildType1=\"va_darter\" buildType2=\"va_darter\" "
                                     "buildType3=\"va_darter\" loopDelay=60"));
        // Del in the list deletes the chosen rows; in the Value field a character.
        rows->clearSelection();
        rows->topLevelItem(1)->setSelected(true);
        value->setFocus();
        QTest::keyClick(value, Qt::Key_Home);
        QTest::keyClick(value, Qt::Key_Delete);
        QCOMPARE(value->text(), QString("0"));
        QTest::keyClick(rows, Qt::Key_Delete);
        parameter->setCurrentText("buildType");
        value->setText("x");
        dialog.OnAdd();
        QCOMPARE(Rows(rows), QString("buildType1=\"va_darter\" buildType3=\"va_darter\" "
                                     "loopDelay=60 buildType2=\"x\"")); // a text goes in quotes

        QCOMPARE(rows->selectedItems(), QList<QTreeWidgetItem*>{rows->topLevelItem(3)});

        // Choosing a row, by keys too, shows it in the fields; Set writes
        // only into the row of the parameter the fields name.
        rows->setFocus();
        rows->setCurrentItem(rows->topLevelItem(0));
        QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Down);
        QCOMPARE(parameter->currentText(), QString("loopDelay"));
        QCOMPARE(value->text(), QString("60"));
        parameter->setCurrentText("buildType");
        value->setText("5");
        const int beeps = ui.beeps;
        dialog.OnSet();
        QCOMPARE(ui.beeps, beeps + 1);
        QCOMPARE(rows->topLevelItem(2)->text(1), QString("60"));
        parameter->setCurrentText("loopDelay");
        value->setText("90");
        QTest::keyClick(value, Qt::Key_Return); // Enter sets the chosen row
        QCOMPARE(rows->topLevelItem(2)->text(1), QString("90"));
        rows->clearSelection();
        QTest::keyClick(value, Qt::Key_Return); // and adds nothing without one
        QCOMPARE(rows->topLevelItemCount(), 4);
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // nor closes the dialog

        type->setCurrentText("Hold");
        QCOMPARE(rows->topLevelItemCount(), 4); // rows stay when the type changes
        dialog.accept();
        QCOMPARE(dialog.Result().parameters[3].key, std::string("buildType2"));
    }

    // A text is quoted as typed; what still would not read back is refused.
    void valuesThatWouldNotReadBackAreRefused() {
        CPlanSettingsDlg dialog(shipped.context, nullptr);
        Child<QComboBox>(&dialog, "planType")->setCurrentText("Hold");
        auto* parameter = Child<QComboBox>(&dialog, "parameter");
        parameter->setCurrentText("holdCount");
        auto* value = Child<QLineEdit>(&dialog, "value");
        auto* rows = Child<QTreeWidget>(&dialog, "rows");
        for (const char* bad : {"a]", "x [y", "two words", "1 // note", "\"\u0416\""}) {
            value->setText(QString::fromUtf8(bad));
            dialog.OnAdd();
            QCOMPARE(rows->topLevelItemCount(), 0);
            QVERIFY(ui.messages.last().startsWith("ERROR: This value would not be saved"));
            QCOMPARE(value->text(), QString::fromUtf8(bad)); // kept for mending
        }
        QVERIFY(ui.icons.back() == IUiServices::Icon::Error);
        parameter->setCurrentText("holdPoint");
        value->setText("two words");
        dialog.OnAdd();
        QCOMPARE(Rows(rows), QString("holdPoint=\"two words\""));
        rows->setCurrentItem(rows->topLevelItem(0));
        value->setText("\"a] // b");
        dialog.OnSet();
        QCOMPARE(rows->topLevelItem(0)->text(1), QString("\"two words\""));
        QCOMPARE(ui.messages.size(), 6);

        // Not of the parameter's kind: said as the Issues panel says it, and
        // kept only when the user wants it so.
        parameter->setCurrentText("holdCount");
        value->setText("3x");
        ui.choices = {1, 0}; // Change It, then Keep It
        dialog.OnAdd();
        QCOMPARE(ui.questions.last(),
                 QString("'3x': the parameter takes a whole number, 0 or more."));
        dialog.OnAdd();
        QCOMPARE(Rows(rows), QString("holdPoint=\"two words\" holdCount1=3x"));
        // Another type: what it does not take is marked and offered for removal.
        ui.choices = {1}; // Keep Them
        Child<QComboBox>(&dialog, "planType")->setCurrentText("BuildLoop");
        QVERIFY(ui.questions.last().endsWith("does not take holdPoint, holdCount1. Remove them?"));
        QVERIFY(rows->topLevelItem(1)->font(0).italic());
    }

    // Locales with digits of their own must not turn untouched numbers into
    // the maximum: the dialogs show and read ASCII digits only.
    void numbersAreAsciiInEveryLocale() {
        for (const char* name : {"ar_EG", "bn_BD"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            QVERIFY(QLocale().toString(7) != "7"); // the locale has digits of its own
            const StartSection start{7, "c", "s", 10, 20};
            CStartCheatDlg startDialog(shipped.context, start);
            startDialog.accept();
            QCOMPARE(startDialog.Result().scrapCount, 7u);
            QCOMPARE(startDialog.Result().moneyDelay, 20u);

            PlanEntry plan{"Hold", 7, 0, {}, {}};
            plan.condition.Set("Exists", "u", 3);
            CPlanSettingsDlg planDialog(shipped.context, &plan);
            planDialog.accept();
            QCOMPARE(planDialog.Result().priority, 7u);
            QCOMPARE(planDialog.Result().condition.count, 3u);
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
