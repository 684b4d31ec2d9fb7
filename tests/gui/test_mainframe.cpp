// Start-up, the main frame's commands and the document's open and save steps.

#include "commandids.h"
#include "desktopui.h"
#include "fakeui.h"
#include "helpwindow.h"
#include "issuespanel.h"
#include "keyboardcheck.h"
#include "leftview.h"
#include "mainframe.h"
#include "matchdlg.h"
#include "plansettingsdlg.h"
#include "rightview.h"
#include "sourceeditordlg.h"
#include "startcheatdlg.h"
#include "syntaxedit.h"
#include "testcontext.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

const QByteArray kTwoPlans = "[Start]\r\nconsClass = \"c\"\r\nscavClass = \"s\"\r\n"
                             "[Match]\r\ntargetType1 = \"t\"\r\nattackType1_1 = \"a\"\r\n"
                             "[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 10\r\n"
                             "[Plan2]\r\nplanType = \"Attacker\"\r\nplanPriority = 30\r\n";

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_startDir;
    FakeUi ui;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Starts the application with a fresh settings file in the test folder.
    std::unique_ptr<CZeqEditorApp> Start(const QString& file = {}) {
        auto app = std::make_unique<CZeqEditorApp>();
        app->InitInstance({file, Path("settings.cfg")});
        return app;
    }

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }

    void init() {
        ui.Reset();
        QDir::setCurrent(m_startDir);
        QFile::remove(Path("settings.cfg"));
    }

    void catalogsComeFromTheWorkingDirectoryFirst() {
        QDir(m_dir.path()).mkpath("work");
        QDir(m_dir.path()).mkpath("prog/bin");
        QDir(m_dir.path()).mkpath("prog/share/zeq-editor");
        const QByteArray units = "CreateGroup(\"G\") { AddItem(\"u\", \"From %1\"); }";
        Write(Path("work/Units.dat"), QByteArray(units).replace("%1", "work"));
        Write(Path("prog/bin/Units.dat"), QByteArray(units).replace("%1", "program"));
        Write(Path("prog/share/zeq-editor/Units.dat"), QByteArray(units).replace("%1", "share"));
        Write(Path("prog/share/zeq-editor/Plans.dat"), "CreatePlanType(\"Installed\");");

        CZeqEditorApp app;
        QDir::setCurrent(Path("work"));
        app.LoadCatalogs(Path("prog/bin"));
        QCOMPARE(app.UnitList().GetUnitDisplayName("u"), std::string("From work"));
        QVERIFY(app.PlanManager().FindPlanType("Installed")); // only the installed copy exists

        // A syntax error: the next place is read, and the user hears of it.
        Write(Path("work/Units.dat"), "CreateGroup(\"G\" {");
        app.LoadCatalogs(Path("prog/bin"));
        QCOMPARE(app.UnitList().GetUnitDisplayName("u"), std::string("From program"));
        QFile::remove(Path("prog/bin/Units.dat"));
        app.LoadCatalogs(Path("prog/bin"));
        QCOMPARE(app.UnitList().GetUnitDisplayName("u"), std::string("From share"));
        QCOMPARE(app.CatalogNotes().size(), 1);
        QVERIFY(!app.CatalogNotes()[0].error);
        QVERIFY(app.CatalogNotes()[0].text.contains(
            "work/Units.dat: Line 1: Found '{' or '}' inside of parameter block. (skipped; "));

        QFile::remove(Path("prog/share/zeq-editor/Units.dat"));
        QFile::remove(Path("prog/share/zeq-editor/Plans.dat"));
        app.LoadCatalogs(Path("prog/bin"));
        QCOMPARE(app.CatalogNotes().size(), 2); // nothing read: say why
        QVERIFY(app.CatalogNotes()[0].error);
        QVERIFY(app.CatalogNotes()[0].text.endsWith("inside of parameter block."));
        QCOMPARE(app.CatalogNotes()[1].text, QString("Plans.dat was not found"));

        // A mod's own catalog beside its file comes first, is named, and is
        // read again when it changes: the file is checked against it anew.
        QDir(m_dir.path()).mkpath("mod");
        Write(Path("mod/Units.dat"), QByteArray(units).replace("%1", "mod"));
        auto opened = Start(Write(Path("mod/a.zeq"), kTwoPlans));
        QCOMPARE(opened->UnitList().GetUnitDisplayName("u"), std::string("From mod"));
        QVERIFY(opened->CatalogsInUse().endsWith("Units: " +
                                                 QDir::toNativeSeparators(Path("mod/Units.dat"))));
        auto unknown = [&] { // unit classes not in the catalog: c, s, t and a
            const auto& findings = opened->Document()->Report().Findings();
            return std::count_if(findings.begin(), findings.end(),
                                 [](const Finding& f) { return f.code == "unit-unknown"; });
        };
        QCOMPARE(unknown(), 4);
        QTest::qWait(20);
        Write(Path("mod/Units.dat"),
              QByteArray(units).replace("}", "AddItem(\"c\", \"C\"); AddItem(\"s\", \"S\"); }"));
        QTRY_COMPARE(unknown(), 2);
    }

    void countsFollowTheDocument() {
        auto app = Start(Write(Path("two.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        QCOMPARE(frame->MatchCountText(), QString("1 Match"));
        auto shows = [frame](const QString& text) {
            for (QLabel* label : frame->findChildren<QLabel*>())
                if (label->text() == text) return true;
            return false;
        };
        QTRY_VERIFY(shows("2 Plans"));
        app->Document()->RemovePlans({app->Document()->Data().plans.All()[0].get()}, "Delete");
        QCOMPARE(frame->PlanCountText(), QString("1 Plan"));
        QTRY_VERIFY(shows("1 Plan")); // once the posted recount has run
    }

    void commandEnablingRules() {
        auto app = Start(Write(Path("rules.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        frame->UpdateCommandUI();
        for (int id :
             {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_MATCH_EDIT,
              ID_MATCH_DELETE, ID_PLAN_EDIT, ID_PLAN_DELETE, ID_PLAN_MOVE_UP, ID_PLAN_MOVE_DOWN})
            QVERIFY2(!frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : {ID_FILE_NEW, ID_MATCH_NEW, ID_PLAN_NEW, ID_PLAN_AUTO_ARRANGE, ID_ITEM_INSERT,
                       ID_ITEM_EDIT, ID_ITEM_DELETE, ID_EDIT_START_CHEAT, ID_EDIT_SOURCE})
            QVERIFY2(frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));

        CRightView* list = frame->GetRightPane();
        list->SelectRow(0, true);
        QVERIFY(!frame->Action(ID_PLAN_MOVE_UP)->isEnabled());
        QVERIFY(frame->Action(ID_PLAN_MOVE_DOWN)->isEnabled());
        list->SelectionModel()->clearSelection();
        list->SelectRow(1, true);
        QVERIFY(frame->Action(ID_PLAN_MOVE_UP)->isEnabled());
        QVERIFY(!frame->Action(ID_PLAN_MOVE_DOWN)->isEnabled());

        CLeftView* tree = frame->GetLeftPane();
        tree->setCurrentItem(tree->topLevelItem(0)); // a group
        QVERIFY(frame->Action(ID_MATCH_DELETE)->isEnabled());
        QVERIFY(frame->Action(ID_MATCH_EDIT)->isEnabled()); // its first match
    }

    // Undo and Redo name their step; the title's mark follows the history.
    void undoRedoAndTheModifiedMark() {
        auto app = Start(Write(Path("undo.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        CRightView* list = frame->GetRightPane();
        list->SelectRow(1, true);
        frame->SetActivePane(list);
        frame->RunCommand(ID_ITEM_DELETE);
        QVERIFY(frame->isWindowModified());
        QCOMPARE(frame->Action(ID_EDIT_UNDO)->text(), QString("&Undo Delete Plan"));
        QVERIFY(!frame->Action(ID_EDIT_REDO)->isEnabled());
        frame->RunCommand(ID_EDIT_UNDO);
        QCOMPARE(list->FocusedSelectedRow(), 1); // back, and selected
        QVERIFY(!frame->isWindowModified());
        QCOMPARE(frame->Action(ID_EDIT_REDO)->text(), QString("&Redo Delete Plan"));
        app->Document()->OnNewDocument();
        QVERIFY(!frame->Action(ID_EDIT_REDO)->isEnabled()); // New clears the history
    }

    // Plans and matches travel as plan-file text: copied from one document
    // and pasted into another they save as the same records. Plans go as
    // written, and come with the comments they were written with.
    void copyAndPasteBetweenDocuments() {
        auto app = Start(Write(Path("copy.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        CRightView* list = frame->GetRightPane();
        CLeftView* tree = frame->GetLeftPane();
        frame->SetActivePane(list);
        QVERIFY(!frame->Action(ID_EDIT_COPY)->isEnabled());
        list->SelectRow(0, false);
        list->SelectRow(1, true);
        frame->RunCommand(ID_EDIT_COPY);
        const QString plans = QGuiApplication::clipboard()->text();
        QCOMPARE(plans, "[Plan2]\r\nplanType = \"Attacker\"\r\nplanPriority = 30\r\n"
                        "[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 10\r\n");
        frame->SetActivePane(tree);
        tree->setCurrentItem(tree->topLevelItem(0));
        QVERIFY(!frame->Action(ID_EDIT_PASTE)->isEnabled()); // no match on the clipboard
        frame->RunCommand(ID_EDIT_CUT);
        QCOMPARE(app->Document()->Data().matches.CountMatches(), 0u);
        const QString matches = QGuiApplication::clipboard()->text();

        app->Document()->OnNewDocument();
        frame->RunCommand(ID_EDIT_PASTE);
        frame->SetActivePane(list);
        QGuiApplication::clipboard()->setText(plans);
        frame->RunCommand(ID_EDIT_PASTE);
        QCOMPARE(app->Document()->UndoStack().undoText(), QString("Paste Plans"));
        QCOMPARE(list->SelectedRows(), (QList<int>{0, 1})); // the pasted plans
        CPlanData copied;
        QVERIFY(copied.LoadText(kTwoPlans.toStdString()));
        copied.start = {}; // the matches and plans of the file, no [Start]
        QCOMPARE(app->Document()->Data().Text(), copied.Text());

        // Into a file: the pasted block as it was, numbered on.
        QVERIFY(app->Document()->OnOpenDocument(Path("copy.zeq"), nullptr));
        const QString commented =
            "// hold the ridge\r\n[Plan7]\r\nplanType = \"Hold\"  // ridge\r\n"
            "planPriority = 40\r\n";
        QGuiApplication::clipboard()->setText(commented);
        frame->SetActivePane(list);
        frame->RunCommand(ID_EDIT_PASTE);
        QCOMPARE(QString::fromStdString(app->Document()->SaveText()),
                 QString(kTwoPlans) + "\r\n" + QString(commented).replace("Plan7", "Plan3"));

        QGuiApplication::clipboard()->setText("[Plan1]\r\nno plan here\r\n");
        frame->RunCommand(ID_EDIT_PASTE);
        QCOMPARE(app->Document()->Data().plans.CountPlans(), 3u); // nothing pasted
        QVERIFY(frame->statusBar()->currentMessage().contains("holds no plans"));
    }

    // A file with what the game does not read shows it; each row leads to
    // what it is about.
    void issuesPanelListsAndLeads() {
        auto app = Start(
            Write(Path("lossy.zeq"), "// mine\r\n" + kTwoPlans +
                                         "[Plan3]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n"
                                         "planCondition = Maybe\r\nplanConditionClass = u\r\n"
                                         "[Match]\r\n[Notes]\r\n[Cheat]\r\nmoneyAmount = 5x\r\n"));
        CMainFrame* frame = app->MainFrame();
        CIssuesPanel* issues = frame->IssuesPanel();
        const QAbstractItemModel* list = issues->List()->model();
        const int notes = int(app->CatalogNotes().size()); // no catalogs here
        QCOMPARE(list->rowCount(), notes + int(app->Document()->Report().Findings().size()));
        auto row = [list](const QString& text) {
            return list->match(list->index(0, 1), Qt::DisplayRole, text, 1, Qt::MatchContains)
                .value(0);
        };
        QVERIFY(row("'moneyAmount = 5x' reads as 5").isValid()); // the line as written
        issues->Activate(row("condition 'Maybe'"));
        QCOMPARE(
            frame->GetRightPane()->PlanAt(frame->GetRightPane()->FocusedSelectedRow())->priority,
            5u);

        int sourceLine = 0;
        WhenModal<CSourceEditorDlg>([&sourceLine](CSourceEditorDlg* dialog) {
            sourceLine = dialog->Editor()->textCursor().blockNumber() + 1;
            dialog->reject();
        });
        issues->Activate(row("section [Notes]")); // text the editor cannot show
        QCOMPARE(sourceLine, 20);
        // Next Issue (F7) runs the row after the current one, round the end.
        const int maybe = row("condition 'Maybe'").row(), rows = list->rowCount();
        issues->List()->setCurrentIndex(list->index((maybe + rows - 1) % rows, 0));
        frame->GetRightPane()->SelectRow(0, true);
        frame->RunCommand(ID_EDIT_NEXT_ISSUE);
        QCOMPARE(issues->List()->currentIndex().row(), maybe);
        QCOMPARE(
            frame->GetRightPane()->PlanAt(frame->GetRightPane()->FocusedSelectedRow())->priority,
            5u);
        // Saved, the report is on the text written, and its rows lead to the
        // document's own records still.
        QVERIFY(app->Document()->OnSaveDocument(Path("lossy-saved.zeq"), nullptr));
        frame->GetRightPane()->SelectRow(0, true);
        issues->Activate(row("condition 'Maybe'"));
        QCOMPARE(
            frame->GetRightPane()->PlanAt(frame->GetRightPane()->FocusedSelectedRow())->priority,
            5u);

        frame->RunCommand(ID_HELP_GUIDE); // the guide, with its pictures
        auto* guide = frame->findChild<CHelpWindow*>();
        QVERIFY(guide && guide->Browser()->toPlainText().startsWith("ZEQ Editor: a guide"));
        QVERIFY(guide->Browser()
                    ->loadResource(QTextDocument::ImageResource, QUrl("images/main-window.png"))
                    .isValid());

        frame->RunCommand(ID_VIEW_ISSUES);
        QCOMPARE(app->Settings().IssuesPanel(), false);
    }

    // Another program changes the open file: Reload is the default unless
    // the user has changes of their own; Show Changes tells them record by
    // record; No keeps the window's document.
    void reloadWhenTheFileChangesOnDisk() {
        const QString file = Write(Path("watched.zeq"), kTwoPlans);
        auto app = Start(file);
        CZeqEditorDoc* doc = app->Document();
        ui.choices = {0}; // Reload
        Write(file, kTwoPlans + "[Plan3]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n");
        QTRY_COMPARE(doc->Data().plans.CountPlans(), 3u);
        QCOMPARE(ui.choiceDefaults.back(), 0);
        QVERIFY(ui.questions.last().endsWith("watched.zeq has been changed on disk. Reload it?"));

        doc->AddMatch(MatchEntry{"v", {{"w"}}}); // changes of the user's own
        ui.choices = {1, 2};                     // Show Changes, No
        Write(file, kTwoPlans);
        QTRY_COMPARE(ui.questions.size(), 3);
        QCOMPARE(ui.choiceDefaults.back(), 2);
        QVERIFY2(
            ui.texts.last().endsWith("- match 'v': \"w\"\n- plan 'Hold' (priority 5) [Plan3]\n"),
            qPrintable(ui.texts.last()));
        QVERIFY(ui.questions.last().contains("Your unsaved changes to it will be lost."));
        QVERIFY(doc->IsModified());

        QFile::remove(file);
        QTRY_VERIFY(app->MainFrame()->statusBar()->currentMessage().contains("deleted on disk"));
        QVERIFY(doc->DoFileSave(app->MainFrame())); // writes it again
        QTest::qWait(400);
        QCOMPARE(ui.questions.size(), 3); // the program's own save is no change
    }

    // The file changes on disk while a dialog holds one of its records: the
    // question waits until the dialog is closed. A record replaced under a
    // dialog all the same is never written; the user hears so. An open source
    // editor is named in the question, and closed by a reload.
    void reloadNeverPullsARecordFromUnderADialog() {
        const QString file = Write(Path("dialog.zeq"), kTwoPlans);
        auto app = Start(file);
        CMainFrame* frame = app->MainFrame();
        CZeqEditorDoc* doc = app->Document();
        ui.choices = {0}; // Reload, when asked
        WhenModal<CPlanSettingsDlg>([&](CPlanSettingsDlg* dialog) {
            Write(file, kTwoPlans + "[Plan3]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n");
            frame->AskToReload(file);
            dialog->findChild<QSpinBox*>("priority")->setValue(77);
            dialog->accept();
        });
        frame->GetRightPane()->SelectRow(0, true);
        frame->RunCommand(ID_PLAN_EDIT);
        QCOMPARE(doc->Data().plans.All()[1]->priority, 77u); // the edit went in first
        QTRY_COMPARE(doc->Data().plans.CountPlans(), 3u);    // then the question
        QVERIFY(ui.questions.last().contains("Your unsaved changes to it will be lost."));

        CLeftView* tree = frame->GetLeftPane();
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        WhenModal<CMatchDlg>([&](CMatchDlg* dialog) {
            doc->OnOpenDocument(file, frame); // as the question once did
            dialog->accept();
        });
        frame->RunCommand(ID_MATCH_EDIT);
        WhenModal<CStartCheatDlg>([&](CStartCheatDlg* dialog) {
            doc->OnOpenDocument(file, frame);
            dialog->findChild<QSpinBox*>("scrap")->setValue(9);
            dialog->accept();
        });
        frame->RunCommand(ID_EDIT_START_CHEAT);
        QVERIFY(ui.messages.last().contains("the changes made in the dialog were not applied"));
        QVERIFY(!doc->IsModified());

        ui.choices = {0};
        WhenModal<CSourceEditorDlg>([&](CSourceEditorDlg* dialog) {
            dialog->Editor()->insertPlainText("// mine\n");
            Write(file, kTwoPlans);
            frame->AskToReload(file);
        });
        frame->RunCommand(ID_EDIT_SOURCE);
        QVERIFY(ui.questions.last().contains("The source editor has changes that are not applied"));
        QCOMPARE(ui.choiceDefaults.back(), 2); // No: Enter loses nothing
        QVERIFY(!doc->IsModified());
    }

    // The keys of the record commands act in the panes only: in the Issues
    // panel Del and Ins do nothing, and Ctrl+C copies the findings.
    void recordKeysActOnlyInThePanes() {
        auto app = Start(Write(Path("keys.zeq"), kTwoPlans + "junk\r\n[Notes]\r\n"));
        CMainFrame* frame = app->MainFrame();
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        CRightView* list = frame->GetRightPane();
        list->SelectRow(0, true);
        QTableView* issues = frame->IssuesPanel()->List();
        issues->setFocus();
        issues->selectAll();
        int dialogs = 0;
        QTimer::singleShot(0, [&dialogs] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++dialogs;
                dialog->reject();
            }
        });
        for (int key : {Qt::Key_Delete, Qt::Key_Insert})
            QTest::keyClick(issues, Qt::Key(key));
        QTest::keyClick(issues, Qt::Key_V, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(dialogs, 0);
        QTest::keyClick(issues, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text().endsWith(
            "Line 13: this line is not a 'key = value' line of a section and is not read\n"
            "Line 14: section [Notes] is not part of a plan file and is not read\n"));

        list->CurrentView()->setFocus();
        QTest::keyClick(list->CurrentView(), Qt::Key_Delete);
        QCOMPARE(app->Document()->Data().plans.CountPlans(), 1u);
    }

    // OK in a dialog that changed nothing is no edit: no step to undo, no
    // question on closing.
    void anUnchangedDialogIsNoEdit() {
        auto app = Start(Write(Path("same.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        frame->GetRightPane()->SelectRow(0, true);
        CLeftView* tree = frame->GetLeftPane();
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        WhenModal<CPlanSettingsDlg>([](CPlanSettingsDlg* dialog) { dialog->accept(); });
        frame->RunCommand(ID_PLAN_EDIT);
        WhenModal<CMatchDlg>([](CMatchDlg* dialog) { dialog->accept(); });
        frame->RunCommand(ID_MATCH_EDIT);
        WhenModal<CStartCheatDlg>([](CStartCheatDlg* dialog) { dialog->accept(); });
        frame->RunCommand(ID_EDIT_START_CHEAT);
        QCOMPARE(app->Document()->UndoStack().count(), 0);
    }

    // Save As onto a pipe or into a missing folder says so at once, and the
    // document stays modified under its title; a name without an extension
    // gets ".zeq"; a copy left by an interrupted save is offered on opening.
    void savesThatCannotBeMadeSaySo() {
        auto app = Start(Write(Path("plain.zeq"), kTwoPlans));
        app->Document()->SetModifiedFlag();
        QVERIFY(!app->Document()->OnSaveDocument(Path("missing/folder/x.zeq"), app->MainFrame()));
        QVERIFY(ui.messages[0].startsWith("Failed to save document."));
        QVERIFY(app->Document()->IsModified());
#ifdef Q_OS_WIN
        QVERIFY(QDir().mkpath(Path("pipe.zeq"))); // no pipes among files there: a folder
#else
        QVERIFY(mkfifo(qPrintable(Path("pipe.zeq")), 0600) == 0);
#endif
        ui.files = {Path("pipe.zeq")};
        QVERIFY(!app->Document()->DoSaveAs(app->MainFrame()));
        QVERIFY(ui.messages.last().endsWith("pipe.zeq is not a regular file."));
        QCOMPARE(app->Document()->Title(), QString("plain.zeq"));
        ui.files = {Path("renamed")};
        QVERIFY(app->Document()->DoSaveAs(app->MainFrame()));
        QCOMPARE(app->Document()->Title(), QString("renamed.zeq"));
        QVERIFY(app->Document()->OnSaveDocument(Path("plain.zeq"), app->MainFrame()));

        // as a killed save leaves it beside; kept, it is asked about again
        const QByteArray older = "// older\r\n" + kTwoPlans;
        Write(Path("plain.zeq.backup"), older);
        for (const auto& choices : {std::deque<int>{3}, std::deque<int>{1, 0}}) {
            ui.choices = choices; // Keep; then Show Changes and Restore
            QVERIFY(app->Document()->OnOpenDocument(Path("plain.zeq"), app->MainFrame()));
            QVERIFY(
                ui.questions.last().contains(QDir::toNativeSeparators(Path("plain.zeq.backup"))));
        }
        QVERIFY(ui.texts.last().contains("+ // older\n"));
        QCOMPARE(Read(Path("plain.zeq")), older);
        QVERIFY(!QFile::exists(Path("plain.zeq.backup")));
    }

    // Rows selected with the focus elsewhere are all deleted; a '&' of a
    // recent file's path is no mnemonic; File Open asks about changes only
    // once a file was chosen; the context menus read as the panes' own.
    void reviewFixes() {
        const QString amp = QDir(Path("R&D")).filePath("amp.zeq");
        QDir().mkpath(Path("R&D"));
        auto app = Start(Write(amp, kTwoPlans + "[Plan3]\r\nplanType = H\r\nplanPriority = 5\r\n"));
        CMainFrame* frame = app->MainFrame();
        CRightView* list = frame->GetRightPane();
        list->SelectRow(0, false);
        list->SelectRow(2, false);
        list->SelectionModel()->setCurrentIndex(list->SelectionModel()->model()->index(1, 0),
                                                QItemSelectionModel::NoUpdate);
        frame->SetActivePane(list);
        frame->RunCommand(ID_ITEM_DELETE);
        QCOMPARE(list->RowCount(), 1);

        QStringList recent;
        for (QAction* action : frame->findChildren<QMenu*>()[0]->actions())
            recent << action->text();
        QVERIFY(recent.join('|').contains("R&&D"));

        const std::unique_ptr<QMenu> menu = frame->PaneContextMenu(list);
        QCOMPARE(menu->actions()[0]->text(), QString("New...\tIns"));
    }

    // Every control has a name for screen readers, in each view style, and
    // each menu's keys are its own.
    void keysAndNames() {
        auto app = Start(Write(Path("names.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        frame->show();
        for (int style : {ID_VIEW_LARGEICON, ID_VIEW_DETAILS}) {
            frame->RunCommand(style);
            QCOMPARE(UnnamedControls(frame).join(", "), QString());
        }
        QCOMPARE(MnemonicClashes(frame).join(", "), QString());
        QCOMPARE(frame->GetLeftPane()->accessibleName(), QString("Matches"));
        // The window fits the screen (the offscreen one is 800 by 600).
        QVERIFY(frame->screen()->availableGeometry().contains(QRect(QPoint(), frame->size())));
        // At 900 wide Parameters stays in sight: the Condition gave way.
        frame->resize(900, 500);
        auto* details = qobject_cast<QAbstractScrollArea*>(frame->GetRightPane()->CurrentView());
        QTRY_VERIFY(!details->horizontalScrollBar()->isVisible());

        // The source editor names the text it shows, and leaves the keyboard
        // where it found it.
        QApplication::setActiveWindow(frame);
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QWidget* list = frame->GetRightPane()->CurrentView();
        list->setFocus();
        QString title;
        WhenModal<CSourceEditorDlg>([&](CSourceEditorDlg* dialog) {
            title = dialog->windowTitle();
            dialog->Editor()->moveCursor(QTextCursor::End);
            dialog->Editor()->insertPlainText("// mine\n");
            dialog->OnSave();
        });
        frame->RunCommand(ID_EDIT_SOURCE);
        QVERIFY2(title.endsWith("names.zeq, as on disk"), qPrintable(title));
        QCOMPARE(frame->focusWidget(), list);
    }

    // The desktop's own dialogs answer as the seam promises: the button
    // pressed (Esc: the last), nothing for a dialog cancelled, the number typed.
    void desktopDialogsAnswerAsPromised() {
        CDesktopUi desktop;
        auto press = [](const QString& text) {
            WhenModal<QMessageBox>([text](QMessageBox* box) {
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == text) button->click();
            });
        };
        QString focused; // Enter's target framed and focused alike
        WhenModal<QMessageBox>([&focused](QMessageBox* box) {
            if (box->focusWidget() == box->defaultButton()) focused = box->defaultButton()->text();
            box->buttons().constFirst()->click();
        });
        desktop.Choose(nullptr, IUiServices::Icon::Question, "?", {"&One", "&Two", "&Three"}, 1,
                       {});
        QCOMPARE(focused, QString("&Two"));
        press("&Two");
        QCOMPARE(desktop.Choose(nullptr, IUiServices::Icon::Question, "?",
                                {"&One", "&Two", "&Three"}, 0, {}),
                 1);
        WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(desktop.Choose(nullptr, IUiServices::Icon::Warning, "?", {"&One", "&Two"}, 0, {}),
                 1);
        press("Do&n't Save");
        QVERIFY(desktop.AskSaveChanges(nullptr, "?") == IUiServices::Answer::No);
        WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        QCOMPARE(desktop.GetSaveFileName(nullptr, Path("x.zeq")), QString());
        WhenModal<QInputDialog>([](QInputDialog* dialog) {
            dialog->setIntValue(7);
            dialog->accept();
        });
        QCOMPARE(desktop.GetNumber(nullptr, "t", "l", 3, 1, 9), std::optional<int>(7));
    }

    // Saving changes neither the tree's expansion nor the selection.
    void savingKeepsWhatTheUserLooksAt() {
        auto app = Start(Write(Path("keep.zeq"), kTwoPlans));
        CMainFrame* frame = app->MainFrame();
        CLeftView* tree = frame->GetLeftPane();
        tree->topLevelItem(0)->setExpanded(true);
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        frame->GetRightPane()->SelectRow(1, true);
        frame->RunCommand(ID_FILE_SAVE);
        QVERIFY(tree->topLevelItem(0)->isExpanded());
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0)->child(0));
        QCOMPARE(frame->GetRightPane()->FocusedSelectedRow(), 1);

        app->Document()->SetModifiedFlag(); // closing asks to save it
        QVERIFY(frame->isWindowModified());
        ui.answers = {IUiServices::Answer::Cancel};
        QVERIFY(!frame->close());
        QCOMPARE(ui.questions.last(), QString("Save changes to keep.zeq?"));
        ui.answers = {IUiServices::Answer::No};
        QVERIFY(frame->close());
    }

    // Without a valid Start section: Yes runs the Start dialog first, No
    // saves anyway, Cancel (or the dialog cancelled) does not save.
    void saveQuestionAnswers() {
        auto app = Start();
        CZeqEditorDoc* doc = app->Document();
        ui.answers = {IUiServices::Answer::Yes};
        WhenModal<CStartCheatDlg>([](CStartCheatDlg* dialog) { dialog->reject(); });
        QVERIFY(!doc->OnSaveDocument(Path("gaveup.zeq"), app->MainFrame()));
        QCOMPARE(
            ui.questions[0],
            QString("This document has no valid Start section yet. Edit the Start section now?"));
        ui.answers = {IUiServices::Answer::No, IUiServices::Answer::Cancel};
        QVERIFY(doc->OnSaveDocument(Path("no.zeq"), app->MainFrame()));
        QCOMPARE(Read(Path("no.zeq")),
                 QByteArray("[Start]\r\nconsClass = \r\nscavClass = \r\n\r\n"));
        QVERIFY(!doc->OnSaveDocument(Path("cancel.zeq"), app->MainFrame()));
        QVERIFY(!QFile::exists(Path("cancel.zeq")) && !QFile::exists(Path("gaveup.zeq")));
        ui.answers = {IUiServices::Answer::Yes};
        WhenModal<CStartCheatDlg>([](CStartCheatDlg* dialog) {
            dialog->findChild<QLineEdit*>("constructor")->setText("cons");
            dialog->findChild<QLineEdit*>("scavenger")->setText("scav");
            dialog->accept();
        });
        QVERIFY(doc->OnSaveDocument(Path("yes.zeq"), app->MainFrame()));
        QVERIFY(Read(Path("yes.zeq")).contains("consClass = \"cons\""));
        QVERIFY(!doc->IsModified());
    }

    // A file that does not load is offered in the source editor, the caret
    // on the fault; mended, it is the document, saved only when the user
    // saves. Closed, the start-up goes on untitled.
    void aBrokenFileIsMendedInTheSourceEditor() {
        const QByteArray broken = QByteArray(kTwoPlans).replace("[Plan2]", "[Plan2");
        const QString file = Write(Path("broken.zeq"), broken);
        ui.choices = {1}; // Close
        auto app = Start(file);
        QVERIFY(ui.questions[0].startsWith("Failed to open document."));
        QVERIFY(ui.questions[0].contains("Line 10"));
        QCOMPARE(app->Document()->Title(), QString("Untitled"));

        ui.choices = {0}; // Open in Source Editor
        int caretLine = 0;
        WhenModal<CSourceEditorDlg>([&](CSourceEditorDlg* dialog) {
            caretLine = dialog->Editor()->textCursor().blockNumber() + 1;
            QTextCursor cursor = dialog->Editor()->textCursor();
            cursor.movePosition(QTextCursor::EndOfBlock);
            cursor.insertText("]");
            dialog->OnSave();
        });
        QVERIFY(app->OpenDocumentFile(file)); // not "open in another window": its own lock
        QCOMPARE(caretLine, 10);
        CZeqEditorDoc* doc = app->Document();
        QCOMPARE(doc->Title(), QString("broken.zeq"));
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->Data().plans.CountPlans(), 2u);
        QCOMPARE(Read(file), broken);
        QVERIFY(doc->DoFileSave(nullptr));
        QCOMPARE(Read(file), kTwoPlans);
    }

    void recentFilesReopenTheLastAndDropFailures() {
        const QString first = Write(Path("first.zeq"), kTwoPlans);
        const QString second = Write(Path("second.zeq"), kTwoPlans);
        {
            auto app = Start(first);
            QVERIFY(app->OpenDocumentFile(second));
            QCOMPARE(app->RecentFiles().Entries().front(), second.toStdString());
        } // no clean exit: the list is written already
        {
            auto app = Start(); // OpenLastArchive defaults to 1
            QCOMPARE(app->Document()->PathName(), second);
            emit app->MainFrame()->OpenRequested(); // cancelled, in the open file's folder
            QCOMPARE(ui.openFolders.last(), QFileInfo(second).absolutePath());
            QFile::remove(first);
            const std::string other = Path("other.zeq").toStdString(); // another editor's
            CSettingsFile(Path("settings.cfg").toStdString())
                .Write("Recent File List", "File3", other);
            QVERIFY(!app->OpenDocumentFile(first));
            QCOMPARE(app->RecentFiles().Entries(),
                     (std::vector<std::string>{second.toStdString(), other}));
            app->MainFrame()->close();
        }
        CSettingsFile(Path("settings.cfg").toStdString())
            .WriteInt("Settings", "OpenLastArchive", 0);
        auto app = Start();
        QCOMPARE(app->Document()->Title(), QString("Untitled"));
    }
};

QTEST_MAIN(TestMainFrame)
#include "test_mainframe.moc"
