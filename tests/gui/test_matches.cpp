// The match tree and the Match dialog.

#include "commandids.h"
#include "fakeui.h"
#include "leftview.h"
#include "mainframe.h"
#include "matchdlg.h"
#include "unitpicker.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// The tree as "Group{match|match} Group{...}" in display order.
QString Shape(const QTreeWidget* tree) {
    QStringList groups;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* group = tree->topLevelItem(i);
        QStringList matches;
        for (int j = 0; j < group->childCount(); ++j)
            matches << group->child(j)->text(0);
        groups << group->text(0) + "{" + matches.join("|") + "}";
    }
    return groups.join(" ");
}

QTreeWidgetItem* Find(QTreeWidget* tree, const QString& text) {
    const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

} // namespace

class TestMatches : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeUi> m_ui;
    std::unique_ptr<CZeqEditorApp> m_app;

    CLeftView* Tree() { return m_app->MainFrame()->GetLeftPane(); }
    CZeqEditorDoc* Doc() { return m_app->Document(); }

    void Open(const QByteArray& match) {
        const QString path = m_dir.filePath("m.zeq");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("[Start]\r\nconsClass = c\r\nscavClass = s\r\n[Match]\r\n" + match);
        file.close();
        QVERIFY(m_app->OpenDocumentFile(path));
    }

private slots:
    void init() {
        m_ui = std::make_unique<FakeUi>();
        m_app = std::make_unique<CZeqEditorApp>();
        m_app->InitInstance({QString(), m_dir.filePath("settings.cfg")});
        UnitGroup* group = m_app->UnitList().AddGroup("Units");
        CUnitList::AddUnit(group, "Tank", "tank");
        CUnitList::AddUnit(group, "Scout", "scout");
        CUnitList::AddUnit(group, "Gun Tower", "tower");
    }

    void cleanup() {
        Doc()->SetModifiedFlag(false);
        m_app.reset();
        m_ui.reset();
    }

    void groupsShareDisplayNamesAndSkipMatchesWithoutAttackers() {
        Open("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\nattackType1_2 = "
             "\"zz_unknown\"\r\n"
             "targetType2 = \"TANK\"\r\nattackType2_1 = \"tower\"\r\n"
             "targetType3 = \"alone\"\r\n"
             "targetType4 = \"other\"\r\nattackType4_1 = \"tank\"\r\n");
        QCOMPARE(Shape(Tree()), QString("other{Tank} Tank{Gun Tower|Scout, zz_unknown}"));
        QVERIFY(!Tree()->topLevelItem(0)->isExpanded());
        QCOMPARE(m_app->MainFrame()->MatchCountText(), QString("4 Matches"));
    }

    void newMatchIsSelectedInItsExpandedGroup() {
        Open("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n");
        WhenModal<CMatchDlg>([](CMatchDlg* dialog) {
            dialog->findChild<QLineEdit*>("target")->setText("tank");
            dialog->OnNew();
            dialog->accept();
        });
        m_app->MainFrame()->RunCommand(ID_MATCH_NEW);
        QCOMPARE(Shape(Tree()), QString("Tank{Custom|Scout}"));
        QCOMPARE(Tree()->currentItem()->text(0), QString("Custom"));
        QVERIFY(Tree()->currentItem()->parent()->isExpanded());
        QVERIFY(Doc()->IsModified());
        QTRY_COMPARE(Doc()->Data().matches.CountMatches(), 2u);
    }

    void editMovesAMatchToItsNewGroupAndRemovesTheEmptyOne() {
        Open("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n"
             "targetType2 = \"tower\"\r\nattackType2_1 = \"tank\"\r\n");
        MatchEntry* first = Doc()->Data().matches.All()[0].get();
        Tree()->setCurrentItem(Find(Tree(), "Scout"));
        WhenModal<CMatchDlg>([](CMatchDlg* dialog) {
            dialog->findChild<QLineEdit*>("target")->setText("tower");
            dialog->accept();
        });
        m_app->MainFrame()->RunCommand(ID_ITEM_EDIT); // the tree is the active pane
        QCOMPARE(Shape(Tree()), QString("Gun Tower{Scout|Tank}"));
        QCOMPARE(Doc()->Data().matches.All()[0].get(), first); // keeps its place
        QCOMPARE(first->unitClass, std::string("tower"));
    }

    void deletingTheLastMatchRemovesItsGroup() {
        Open("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n"
             "targetType2 = \"tank\"\r\nattackType2_1 = \"tower\"\r\n"
             "targetType3 = \"scout\"\r\nattackType3_1 = \"tank\"\r\n");
        Tree()->setCurrentItem(Find(Tree(), "Gun Tower"));
        m_app->MainFrame()->RunCommand(ID_MATCH_DELETE);
        QCOMPARE(Shape(Tree()), QString("Scout{Tank} Tank{Scout}"));
        QCOMPARE(Tree()->currentItem()->text(0), QString("Tank")); // the group is selected
        Tree()->setCurrentItem(Find(Tree(), "Scout")->child(0));
        m_app->MainFrame()->RunCommand(ID_MATCH_DELETE);
        QCOMPARE(Shape(Tree()), QString("Tank{Scout}"));
        QCOMPARE(Doc()->Data().matches.CountMatches(), 1u);
    }

    void deletingAGroupRemovesAllItsMatches() {
        Open("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n"
             "targetType2 = \"TANK\"\r\nattackType2_1 = \"tower\"\r\n"
             "targetType3 = \"scout\"\r\nattackType3_1 = \"tank\"\r\n");
        Tree()->setCurrentItem(Tree()->topLevelItem(1)); // "Tank"
        m_app->MainFrame()->RunCommand(ID_ITEM_DELETE);
        QCOMPARE(Shape(Tree()), QString("Scout{Tank}"));
        QCOMPARE(Doc()->Data().matches.CountMatches(), 1u);
        QCOMPARE(Doc()->Data().matches.All()[0]->unitClass, std::string("scout"));
        QVERIFY(Doc()->IsModified());
    }

    void dialogOkNeedsATargetAndRows() {
        MatchList matches;
        CMatchDlg dialog(matches, nullptr);
        dialog.accept();
        QCOMPARE(m_ui->beeps, 1);
        dialog.findChild<QLineEdit*>("target")->setText("tank");
        dialog.accept();
        QCOMPARE(m_ui->beeps, 2);
        QCOMPARE(matches.CountMatches(), 0u);
        dialog.OnNew();
        dialog.OnNew();
        dialog.reject(); // Cancel changes nothing
        QCOMPARE(matches.CountMatches(), 0u);
        dialog.findChild<QLineEdit*>("target")->setText("abcdefghijklmnopqrst");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(matches.CountMatches(), 1u);
        QCOMPARE(dialog.Entry()->unitClass, std::string("abcdefghijklmnop"));
        QCOMPARE(dialog.Entry()->attackers.size(), std::size_t(2));
        QCOMPARE(dialog.Entry()->attackers[1].unitClass, std::string("Custom"));
    }

    void removingEveryRowOnlyBeepsAndKeepsTheStoredMatch() {
        MatchList matches;
        MatchEntry* entry = matches.AddTarget("tank");
        MatchList::AddAttacker(entry, "scout");
        CMatchDlg dialog(matches, entry);
        auto* list = dialog.findChild<QListWidget*>("attackers");
        dialog.OnDelete(); // nothing selected
        QCOMPARE(m_ui->beeps, 1);
        list->item(0)->setSelected(true);
        dialog.OnDelete();
        QCOMPARE(list->count(), 0);
        dialog.accept();
        QCOMPARE(m_ui->beeps, 2);
        QCOMPARE(entry->attackers.size(), std::size_t(1));
    }

    void renamingToEmptyKeepsTheLabel() {
        MatchList matches;
        CMatchDlg dialog(matches, nullptr);
        dialog.show();
        auto* list = dialog.findChild<QListWidget*>("attackers");
        dialog.OnRename();
        QCOMPARE(m_ui->beeps, 1); // no row
        dialog.OnNew();
        auto* editor = list->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->clear();
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!list->findChild<QLineEdit*>()); // committed and closed
        QCOMPARE(list->item(0)->text(), QString("Custom"));
        QTest::qWait(20); // the closed editor goes away
        list->item(0)->setSelected(true);
        dialog.OnRename();
        QCOMPARE(m_ui->beeps, 1);
        editor = list->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, "re'named-and-then-some");
        QCOMPARE(editor->text(), QString("renamed-and-then"));
        editor->setText("renamed");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(list->item(0)->text(), QString("renamed"));
    }

    void pickersFillTheTargetAndAppendAttackers() {
        MatchList matches;
        CMatchDlg dialog(matches, nullptr);
        m_ui->unitClasses = {"tower", "scout"};
        QTest::mouseClick(dialog.findChild<QToolButton*>("targetPicker"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QToolButton*>("attackerPicker"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QToolButton*>("attackerPicker"), Qt::LeftButton);
        QCOMPARE(dialog.findChild<QLineEdit*>("target")->text(), QString("tower"));
        QCOMPARE(dialog.findChild<QListWidget*>("attackers")->count(), 1); // second dismissed
    }

    void unitMenuMirrorsTheCatalog() {
        CUnitList units;
        UnitGroup* a = units.AddGroup("A");
        CUnitList::AddUnit(a, "a1", "a1");
        CUnitList::AddUnit(CUnitList::AddSubGroup(a, "A1"), "b1", "b1");
        units.AddGroup("Empty");
        const UnitPickerMenu picker = units.BuildUnitMenu();
        std::unique_ptr<QMenu> menu = CreateUnitMenu(picker, nullptr);
        const QList<QAction*> groups = menu->actions();
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0]->text(), QString("A"));
        const QList<QAction*> inA = groups[0]->menu()->actions();
        QCOMPARE(inA.size(), 2);
        QVERIFY(inA[0]->menu()); // the sub-group first
        QCOMPARE(inA[0]->menu()->actions()[0]->data().toInt(), 1024);
        QCOMPARE(inA[1]->data().toInt(), 1025);
        QCOMPARE(picker.UnitForCommand(inA[1]->data().toInt())->unitClass, std::string("a1"));
        QVERIFY(groups[1]->menu()->actions().isEmpty());
    }
};

QTEST_MAIN(TestMatches)
#include "test_matches.moc"
