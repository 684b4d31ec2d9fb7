// The panes of the main window: the match tree and the plan list, with plan
// ordering, driven through the frame's commands.

#include "commandids.h"
#include "fakeui.h"
#include "leftview.h"
#include "mainframe.h"
#include "matchdlg.h"
#include "plansettingsdlg.h"
#include "rightview.h"
#include "testcontext.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>

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

class TestPanes : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeUi> m_ui;
    std::unique_ptr<CZeqEditorApp> m_app;

    CLeftView* Tree() { return m_app->MainFrame()->GetLeftPane(); }
    CRightView* List() { return m_app->MainFrame()->GetRightPane(); }
    CZeqEditorDoc* Doc() { return m_app->Document(); }

    void Open(const QByteArray& text) {
        QVERIFY(m_app->OpenDocumentFile(Write(
            m_dir.filePath("p.zeq"), "[Start]\r\nconsClass = c\r\nscavClass = s\r\n" + text)));
    }
    void OpenMatches(const QByteArray& match) { Open("[Match]\r\n" + match); }

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

private slots:
    void init() {
        m_ui = std::make_unique<FakeUi>();
        m_app = std::make_unique<CZeqEditorApp>();
        QDir::setCurrent(ZEQ_DATA_DIR); // the shipped Plans.dat and Units.dat
        m_app->InitInstance({QString(), m_dir.filePath("settings.cfg")});
        QVERIFY(m_app->PlanManager().FindPlanType("Hold"));
        // A mod's units beside its files: the shipped ones and its own.
        QFile shipped(QStringLiteral(ZEQ_DATA_DIR "/Units.dat")),
            units(m_dir.filePath("Units.dat"));
        QVERIFY(shipped.open(QIODevice::ReadOnly) && units.open(QIODevice::WriteOnly));
        units.write(shipped.readAll() +
                    "CreateGroup(\"Units\") { AddItem(\"tank\", \"Tank\"); "
                    "AddItem(\"scout\", \"Scout\"); AddItem(\"tower\", \"Gun Tower\"); }");
    }

    void cleanup() {
        Doc()->SetModifiedFlag(false);
        m_app.reset();
        m_ui.reset();
        QFile::remove(m_dir.filePath("settings.cfg")); // each test starts afresh
    }

    void groupsShareDisplayNamesAndSkipMatchesWithoutAttackers() {
        OpenMatches("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\nattackType1_2 = "
                    "\"zz_unknown\"\r\n"
                    "targetType2 = \"TANK\"\r\nattackType2_1 = \"tower\"\r\n"
                    "targetType3 = \"alone\"\r\n"
                    "targetType4 = \"other\"\r\nattackType4_1 = \"tank\"\r\n");
        QCOMPARE(Shape(Tree()), QString("other{Tank} Tank{Gun Tower|Scout, zz_unknown}"));
        QCOMPARE(m_app->MainFrame()->MatchCountText(), QString("4 Matches"));
    }

    void newMatchIsSelectedInItsExpandedGroup() {
        OpenMatches("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n");
        WhenModal<CMatchDlg>([](CMatchDlg* dialog) {
            dialog->findChild<QLineEdit*>("target")->setText("tank");
            dialog->OnNew();
            dialog->accept();
        });
        m_app->MainFrame()->RunCommand(ID_MATCH_NEW);
        QCOMPARE(Shape(Tree()), QString("Tank{Custom|Scout}"));
        QCOMPARE(Tree()->currentItem()->text(0), QString("Custom"));
        QVERIFY(Tree()->currentItem()->parent()->isExpanded());
        QTRY_COMPARE(Doc()->Data().matches.CountMatches(), 2u);
    }

    void editMovesAMatchToItsNewGroupAndRemovesTheEmptyOne() {
        OpenMatches("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n"
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

        QString shown; // a target's row opens its match; attackers by name and class
        WhenModal<CMatchDlg>([&shown](CMatchDlg* dialog) {
            auto* list = dialog->findChild<QListView*>("attackers");
            shown = qobject_cast<QStyledItemDelegate*>(list->itemDelegate())
                        ->displayText(list->model()->index(0, 0).data(), {});
            dialog->reject();
        });
        Tree()->setCurrentItem(Find(Tree(), "Gun Tower"));
        m_app->MainFrame()->RunCommand(ID_ITEM_EDIT);
        QCOMPARE(shown, QString("Scout (scout)"));
    }

    void deletingTheLastMatchRemovesItsGroup() {
        OpenMatches("targetType1 = \"tank\"\r\nattackType1_1 = \"scout\"\r\n"
                    "targetType2 = \"tank\"\r\nattackType2_1 = \"tower\"\r\n"
                    "targetType3 = \"scout\"\r\nattackType3_1 = \"tank\"\r\n");
        Tree()->setCurrentItem(Find(Tree(), "Gun Tower"));
        m_app->MainFrame()->RunCommand(ID_MATCH_DELETE);
        QCOMPARE(Shape(Tree()), QString("Scout{Tank} Tank{Scout}"));
        QCOMPARE(Tree()->currentItem()->text(0), QString("Tank")); // the group is selected
        Tree()->setCurrentItem(Find(Tree(), "Scout")->child(0));
        m_app->MainFrame()->RunCommand(ID_MATCH_DELETE);
        QCOMPARE(Shape(Tree()), QString("Tank{Scout}"));
        Tree()->setCurrentItem(Tree()->topLevelItem(0)); // a group goes with all its matches
        m_app->MainFrame()->RunCommand(ID_ITEM_DELETE);
        QCOMPARE(Doc()->Data().matches.CountMatches(), 0u);
    }

    void rowsAreSortedAndDescribed() {
        Open("[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 10\r\nplanCondition = \"exists\"\r\n"
             "planConditionClass = \"iu_spire\"\r\nplanConditionCount = 2\r\ndoNextOnFail = 1\r\n"
             "holdType1 = \"iu_spire\"\r\nholdCount1 = 2\r\nholdPoint = \"gate\"\r\n"
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
        QCOMPARE(List()->CellText(2, CRightView::ParametersColumn),
                 QString::fromUtf8("2 \u00d7 Gun Spire at gate"));
        QCOMPARE(List()->CurrentView()->model()->index(2, 4).data(Qt::ToolTipRole).toString(),
                 List()->CellText(2, CRightView::ParametersColumn));
        // Known types have their icon; a type the catalog lacks has none.
        auto* model = List()->CurrentView()->model();
        QVERIFY(model->index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull() == false);
        QVERIFY(model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        // A changed plan's row is shown again whole, as far as its parameters.
        QSignalSpy shown(model, &QAbstractItemModel::dataChanged);
        PlanEntry edited = *List()->PlanAt(2);
        edited.parameters.back().value = "\"wall\"";
        Doc()->ChangePlan(List()->PlanAt(2), edited);
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last().at(1).toModelIndex().column(), int(CRightView::ParametersColumn));
        QCOMPARE(List()->CellText(2, CRightView::ParametersColumn),
                 QString::fromUtf8("2 \u00d7 Gun Spire at wall"));
    }

    // A plan type's icon comes from the catalog's strip at every display
    // scale, enlarged where the strip is small, not from the built-in art.
    // A strip of small icons, then one of large ones (then the art), drawn
    // sharp at every scale.
    void catalogIconsAtEveryScale() {
        TestContext shipped;
        shipped.planTypes.transparent16 = 0xFF00FF;
        for (const auto& [size, colour] :
             {std::pair{16, QColor(10, 200, 30)}, std::pair{32, QColor(20, 40, 220)}}) {
            QImage strip(16 * size, size, QImage::Format_RGB32);
            strip.fill(colour);
            const QString file = shipped.dir.filePath(QStringLiteral("strip%1.png").arg(size));
            QVERIFY(strip.save(file));
            (size == 16 ? shipped.planTypes.iconImage16 : shipped.planTypes.iconImage32) =
                file.toStdString();
            CZeqEditorDoc doc(shipped.context);
            CRightView view(doc, shipped.context);
            doc.AddPlans({PlanEntry{"Hold", 5, 0, {}, {}}}, "Add");
            const QIcon icon =
                view.CurrentView()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
            for (qreal scale : {1.0, 1.25, 1.5, 2.0}) {
                const QImage shown = icon.pixmap(QSize(size, size), scale).toImage();
                QCOMPARE(shown.width(), qRound(size * scale));
                QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), colour);
            }
        }
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
        m_app->MainFrame()->RunCommand(ID_PLAN_MOVE_DOWN); // the last: no neighbour
        QCOMPARE(Priorities(), QString("30 20 10"));
        Doc()->SetModifiedFlag(false);
        Open(Plans({{"A", 16384}, {"B", 16384}})); // past an equal priority: no room
        List()->SelectRow(1, true);
        QVERIFY(!m_app->MainFrame()->Action(ID_PLAN_MOVE_UP)->isEnabled());
        QVERIFY(m_app->MainFrame()->statusBar()->currentMessage().contains("16384"));
    }

    void autoArrangeRespacesByTens() {
        m_app->MainFrame()->RunCommand(ID_PLAN_AUTO_ARRANGE); // an empty list
        QVERIFY(!Doc()->IsModified());
        Open(Plans({{"P5", 5}, {"first50", 50}, {"second50", 50}, {"P7", 7}}));
        m_app->MainFrame()->RunCommand(ID_PLAN_AUTO_ARRANGE);
        QCOMPARE(Priorities(), QString("40 30 20 10"));
        QCOMPARE(List()->CellText(0, 0), QString("first50"));
        QCOMPARE(List()->CellText(3, 0), QString("P5"));
        QVERIFY(Doc()->IsModified());
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
};

QTEST_MAIN(TestPanes)
#include "test_panes.moc"
