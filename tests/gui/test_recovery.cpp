// Unsaved work survives a killed editor, and two editors do not overwrite
// each other's file. The editor runs as a child process too: this program
// started with --child SETTINGS FILE [edit] is an editor on FILE (that
// deletes a plan and says "written" once its recovery file is there), until
// it is killed.

#include "commandids.h"
#include "documentrecovery.h"
#include "fakeui.h"
#include "mainframe.h"
#include "qtext.h"
#include "recoveryfile.h"
#include "rightview.h"
#include "sourceeditordlg.h"
#include "syntaxedit.h"
#include "testcontext.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStatusBar>
#include <QTest>
#include <cstdio>

namespace {

const QByteArray kFile =
    "// kept as written\r\n[Start]\r\nconsClass = \"c\"\r\nscavClass = \"s\"\r\n"
    "[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 10\r\n"
    "[Plan2]\r\nplanType = \"Attacker\"\r\nplanPriority = 30\r\n";

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    for (int waited = 0; !done(); waited += 20) {
        if (waited > ms) return false;
        QTest::qWait(20);
    }
    return true;
}

// The editor of a child process on FILE: "edit" deletes a plan, "source"
// also types a line into the source editor and leaves it open.
int RunChild(const QString& settings, const QString& file, const QString& mode) {
    FakeUi ui;
    CZeqEditorApp app;
    app.InitInstance({file, settings});
    if (app.Document()->PathName().isEmpty()) return 1;
    CMainFrame* frame = app.MainFrame();
    const auto written = [&] {
        if (!WaitFor([&] {
                const QString copy = app.Recovery()->FilePath();
                return QFile::exists(copy) && (mode != "source" || Read(copy).contains("typed"));
            }))
            std::exit(1);
        std::puts("written");
        std::fflush(stdout);
    };
    if (!mode.isEmpty()) {
        frame->GetRightPane()->SelectRow(0, true);
        frame->RunCommand(ID_PLAN_DELETE);
        if (mode == "source") {
            WhenModal<CSourceEditorDlg>([&](CSourceEditorDlg* dialog) {
                dialog->Editor()->appendPlainText("// typed, not applied");
                app.Recovery()->WriteNow();
                written();
            });
            frame->RunCommand(ID_EDIT_SOURCE);
        }
        written();
    } else {
        std::puts("open");
        std::fflush(stdout);
    }
    return QApplication::exec();
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeUi ui;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    std::unique_ptr<CZeqEditorApp> Start(const QString& file = {}) {
        auto app = std::make_unique<CZeqEditorApp>();
        app->InitInstance({file, Path("settings.cfg")});
        return app;
    }
    // An editor in a child process, ready once it says so.
    std::unique_ptr<QProcess> Child(const QString& file, const QString& mode = {}) {
        auto child = std::make_unique<QProcess>();
        child->start(QCoreApplication::applicationFilePath(),
                     {"--child", Path("settings.cfg"), file, mode});
        const QByteArray ready = mode.isEmpty() ? "open" : "written";
        QByteArray said;
        WaitFor(
            [&] {
                child->waitForReadyRead(20);
                said += child->readAllStandardOutput();
                return said.contains(ready) || child->state() != QProcess::Running;
            },
            20000);
        return child;
    }

private slots:
    void initTestCase() { CRecoveryFile::UseStandardFolder(); }

    void init() {
        ui.Reset();
        QDir(CRecoveryFile::Folder()).removeRecursively();
        Write(Path("settings.cfg"), "[Settings]\r\nRecoveryDelay=1\r\nOpenLastArchive=0\r\n");
    }

    // Killed after an edit: the next start offers the recovered text, which
    // comes back exactly, unsaved, in the file's own layout.
    void aKilledEditorsWorkIsRecovered() {
        const QString file = Write(Path("crash.zeq"), kFile);
        auto child = Child(file, "edit");
        QCOMPARE(CRecoveryFile::All().size(), 1);
        child->kill(); // SIGKILL: no clean-up runs
        child->waitForFinished();

        ui.choices = {2, 0}; // Show Changes, then Recover
        auto app = Start();
        QVERIFY(ui.questions.value(0).startsWith(
            "ZEQ Editor was closed without saving changes to crash.zeq in " +
            QDir::toNativeSeparators(m_dir.path()) + " ("));
        QVERIFY(ui.texts.value(0).contains(
            "  planPriority = 10\n- [Plan2]\n- planType = \"Attacker\"\n"));
        CZeqEditorDoc* doc = app->Document();
        QCOMPARE(doc->PathName(), QFileInfo(file).absoluteFilePath());
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->Data().plans.CountPlans(), 1u);
        QCOMPARE(doc->Data().plans.All()[0]->planType, std::string("Hold")); // the first row went
        QCOMPARE(Read(file), kFile); // nothing written to it until saved
        QVERIFY(doc->DoFileSave(nullptr));
        QVERIFY(Read(file).startsWith("// kept as written\r\n"));
        QTRY_VERIFY(CRecoveryFile::All().isEmpty()); // a copy being written goes when it is done
    }

    // A document given up on closing (a saved one: above) leaves no
    // recovery file; a question closed unanswered keeps one for next time.
    void recoveryFilesGoWithTheirChanges() {
        const QString file = Write(Path("clean.zeq"), kFile);
        auto app = Start(file);
        CZeqEditorDoc* doc = app->Document();
        doc->RemovePlans({doc->Data().plans.All()[0].get()}, "Delete Plan");
        app->Recovery()->WriteNow();
        QVERIFY(WaitFor([] { return CRecoveryFile::All().size() == 1; }));
        ui.answers = {IUiServices::Answer::No}; // Save changes? No
        QVERIFY(app->MainFrame()->close());
        QVERIFY(WaitFor([] { return CRecoveryFile::All().isEmpty(); }));

        CRecoveryFile left;
        left.written = QDateTime::currentDateTimeUtc();
        left.text = kFile.toStdString();
        QVERIFY(left.Write(QDir(CRecoveryFile::Folder()).filePath("1-1.zeqrecovery")));
        auto again = Start(); // the question closed: "Later"
        QVERIFY(ui.questions.last().contains("changes to Untitled ("));
        QCOMPARE(CRecoveryFile::All().size(), 1);
    }

    // Damaged recovery files are said to be so and may be deleted; nothing
    // else is touched, nothing crashes.
    void damagedRecoveryFiles() {
        const QDir folder(CRecoveryFile::Folder());
        CRecoveryFile whole;
        whole.written = QDateTime::currentDateTimeUtc();
        whole.text = kFile.toStdString();
        QVERIFY(whole.Write(folder.filePath("1-1.zeqrecovery")));
        const QByteArray bytes = Read(folder.filePath("1-1.zeqrecovery"));
        Write(folder.filePath("2-1.zeqrecovery"), bytes.left(bytes.size() - 10));
        Write(folder.filePath("3-1.zeqrecovery"), "");
        Write(folder.filePath("4-1.zeqrecovery"), "[Plan1]\r\nplanType = A\r\n");
        Write(folder.filePath("5-1.zeqrecovery"),
              QByteArray(bytes).replace("file " + QByteArray::number(CRecoveryFile::kVersion),
                                        "file 9"));
        QFile::remove(folder.filePath("1-1.zeqrecovery"));
        ui.choices = {0, 0, 1, 0}; // Delete, Delete, Keep, Delete
        auto app = Start();
        QCOMPARE(ui.questions.size(), 4);
        const QString all = ui.questions.join('\n');
        for (const char* why : {"cannot be used: it is cut off", "cannot be used: it is empty",
                                "cannot be used: it is not a recovery file",
                                "it was written by a newer version of ZEQ Editor"})
            QVERIFY2(all.contains(why), why);
        QCOMPARE(CRecoveryFile::All().size(), 1);
        QVERIFY(!app->Document()->IsModified());
    }

    // One file, one editor: another editor's file asks before opening; the
    // lock of an editor that is gone is taken over.
    void anOpenFileIsLocked() {
        const QString file = Write(Path("locked.zeq"), kFile);
        auto child = Child(file);
        auto app = Start();
        ui.choices = {1}; // Cancel
        QVERIFY(!app->OpenDocumentFile(file));
        QCOMPARE(ui.questions.last(),
                 QDir::toNativeSeparators(file) + " is already open in another ZEQ Editor window.");
        QVERIFY(app->Document()->PathName().isEmpty());
        child->kill();
        child->waitForFinished();
        const qsizetype asked = ui.questions.size();
        QVERIFY(app->OpenDocumentFile(file));
        QCOMPARE(ui.questions.size(), asked);
    }

    // Save over a file another program changed asks first: Cancel keeps the
    // document unsaved and the file as the other program left it; Merge
    // says where both changed the same value and saves nothing.
    void saveAsksBeforeOverwritingAnotherProgramsChange() {
        const QString file = Write(Path("shared.zeq"), kFile);
        auto app = Start(file);
        CZeqEditorDoc* doc = app->Document();
        PlanEntry attacker = *doc->Data().plans.All()[1];
        attacker.priority = 40;
        doc->ChangePlan(doc->Data().plans.All()[1].get(), attacker);
        QTest::qWait(20); // a later modification time
        const QByteArray theirs = QByteArray(kFile).replace("= 30", "= 35");
        Write(file, theirs);
        ui.choices = {2, 0, 2}; // Cancel; Merge, which cannot be done, then Cancel
        for (int i = 0; i < 2; ++i)
            QVERIFY(!doc->DoFileSave(nullptr));
        QVERIFY(ui.questions.last().endsWith("shared.zeq has been changed by another program since "
                                             "it was opened. Merge its changes with yours, or "
                                             "overwrite it?"));
        QVERIFY(ui.messages.last().contains("both changed the same values:\nplan 'Attacker'"));
        QVERIFY(doc->IsModified());
        QCOMPARE(Read(file), theirs);
        ui.choices = {1}; // Overwrite
        QVERIFY(doc->DoFileSave(nullptr));
        QVERIFY(Read(file).contains("= 40"));
        // Written again with the same bytes: touched, not changed, so no question.
        const auto asked = ui.questions.size();
        QTest::qWait(20);
        Write(file, Read(file));
        attacker.priority = 45;
        doc->ChangePlan(doc->Data().plans.All()[1].get(), attacker);
        QVERIFY(doc->DoFileSave(nullptr));
        QCOMPARE(ui.questions.size(), asked);
        QVERIFY(Read(file).contains("= 45"));
    }

    // Edit, crash, another program changes the file, Recover, Save: the save
    // knows the file as the lost session had it, asks, and Merge takes both
    // changes, the lines of both as written.
    void aRecoveredDocumentSeesAnotherProgramsChange() {
        const QString file = Write(Path("both.zeq"), kFile);
        auto child = Child(file, "edit");
        child->kill();
        child->waitForFinished();
        QTest::qWait(20);
        QByteArray theirs = QByteArray(kFile).replace("= 10", "= 15");
        Write(file, theirs);
        ui.choices = {0, 0}; // Recover; Merge
        auto app = Start();
        QVERIFY(ui.questions.value(0).contains("has been changed on disk since then"));
        QVERIFY(app->Document()->DoFileSave(nullptr));
        QVERIFY(ui.questions.last().contains("changed by another program"));
        QCOMPARE(Read(file), theirs.remove(theirs.indexOf("[Plan2]"), 51)); // ours deleted it
        // and the lock files the killed editor left are gone
        QCOMPARE(QDir(CRecoveryFile::Folder()).entryList({"*.lock"}).size(), 2); // this session's
    }

    // Text typed into the source editor and not applied survives a kill: it
    // opens in the source editor again, shown as not applied.
    void unappliedSourceTextIsRecovered() {
        const QString file = Write(Path("source.zeq"), kFile);
        auto child = Child(file, "source");
        child->kill();
        child->waitForFinished();
        ui.choices = {0}; // Recover
        QString shown;    // the text, whether it shows as changed, the title
        WhenModal<CSourceEditorDlg>([&](CSourceEditorDlg* dialog) {
            QTRY_VERIFY(!dialog->IsLoading());
            shown = dialog->Editor()->toPlainText() + "|" +
                    QString::number(dialog->Editor()->document()->isModified()) + "|" +
                    dialog->windowTitle();
            dialog->OnSave(); // applied
        });
        auto app = Start();
        QVERIFY(ui.questions.value(0).contains("source editor held text that was not applied"));
        QTRY_VERIFY(shown.endsWith("// typed, not applied|1|ZEQ Source Editor[*] - source.zeq, "
                                   "recovered, not applied"));
        QVERIFY(app->Document()->SaveText().find("// typed, not applied") != std::string::npos);
    }

    // Steady typing is covered too: a copy is written a few pauses after the
    // first edit however the edits go on. A folder that cannot be written is
    // said once, plainly, and tried again; nobody is said to hold the file.
    void recoveryCopiesUnderSteadyTypingAndAFullFolder() {
        const QString file = Write(Path("steady.zeq"), kFile);
        auto app = Start(file);
        CZeqEditorDoc* doc = app->Document();
        QElapsedTimer typing;
        typing.start();
        for (quint32 n = 1; CRecoveryFile::All().isEmpty() && typing.elapsed() < 8000; ++n) {
            PlanEntry plan = *doc->Data().plans.All()[0];
            plan.priority = n;
            doc->ChangePlan(doc->Data().plans.All()[0].get(), plan);
            QTest::qWait(300); // under the one-second pause
        }
        QVERIFY(!CRecoveryFile::All().isEmpty() && typing.elapsed() < 6500);

        app.reset();

        const QString folder = CRecoveryFile::Folder();
        QDir(folder).removeRecursively();
        Write(folder, "a file, where the folder would go");
        app = Start(file);
        doc = app->Document();
        QVERIFY(!ui.questions.join('\n').contains("already open in another"));
        for (int i = 0; i < 2; ++i) {
            doc->RemovePlans({doc->Data().plans.All()[0].get()}, "Delete Plan");
            app->Recovery()->WriteNow();
        }
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages.last().startsWith("Unsaved work is not being protected"));
        QFile::remove(folder);
        app->Recovery()->WriteNow();
        QTRY_VERIFY(app->MainFrame()->statusBar()->currentMessage().contains("protected again"));
        QTRY_COMPARE(CRecoveryFile::All().size(), 1);
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc >= 4 && QString(argv[1]) == "--child")
        return RunChild(argv[2], argv[3], argc > 4 ? QString(argv[4]) : QString());
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
