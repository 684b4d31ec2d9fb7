// A whole mod: the Mod panel and its counts kept current, Find in Files,
// where a unit class is used, and the rename across the mod's files.

#include "commandids.h"
#include "fakeui.h"
#include "keyboardcheck.h"
#include "mainframe.h"
#include "modcommands.h"
#include "modfiles.h"
#include "modpanel.h"
#include "modsearch.h"
#include "qtext.h"
#include "renameunitsdlg.h"
#include "searchpanel.h"
#include "sourceeditordlg.h"
#include "syntaxedit.h"
#include "testcontext.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

namespace {

const QByteArray kConflict =
    "[Start]\r\nconsClass = \"iu_builder\"\r\nscavClass = \"iu_gatherer\"\r\n[Plan1]\r\nplanType = "
    "\"Hold\"\r\n<<<<<<< ours\r\nplanPriority = 1\r\n"
    "=======\r\nplanPriority = 2\r\n>>>>>>> theirs\r\n";
// A unit catalog that knows the builder and the gatherer, and no other unit.
const QByteArray kSmallUnits = "CreateGroup(\"Ironclad Union\")\r\n{\r\n"
                               "AddItem(\"iu_builder\", \"Builder Rig\");\r\n"
                               "AddItem(\"iu_gatherer\", \"Gatherer\");\r\n}\r\n";

// Each row of a tree: its texts, a line each, children indented.
QStringList Rows(const QTreeWidget* tree) {
    QStringList rows;
    std::function<void(const QTreeWidgetItem*, const QString&)> add =
        [&](const QTreeWidgetItem* item, const QString& indent) {
            QStringList texts;
            for (int c = 0; c < item->columnCount(); ++c)
                texts << item->text(c);
            rows << indent + texts.join(" | ");
            for (int i = 0; i < item->childCount(); ++i)
                add(item->child(i), indent + "  ");
        };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        add(tree->topLevelItem(i), {});
    return rows;
}

} // namespace

class TestMod : public QObject {
    Q_OBJECT

    FakeUi ui;
    QTemporaryDir m_dir;
    QByteArray m_sample; // a plan file that checks clean with the shipped catalogs

    QString Path(const QString& name) const { return m_dir.filePath("mod/" + name); }
    QString Put(const QString& name, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(Path(name)).absolutePath());
        return Write(Path(name), bytes);
    }
    std::unique_ptr<CZeqEditorApp> Start(const QString& file = {}) {
        auto app = std::make_unique<CZeqEditorApp>();
        app->InitInstance({file, m_dir.filePath("settings.cfg")});
        return app;
    }

private slots:
    void init() {
        ui.Reset();
        QDir(m_dir.filePath("mod")).removeRecursively();
        m_sample = Read(ZEQ_DATA_DIR "/samples/neutral_outpost.zeq");
        Put("Units.dat", Read(ZEQ_DATA_DIR "/Units.dat"));
        Put("Plans.dat", Read(ZEQ_DATA_DIR "/Plans.dat"));
        Put("outpost.zeq", m_sample);
        Put("sub/outpost.zeq", m_sample);
        Put("sub/Units.dat", kSmallUnits); // nearer than the mod's own
        Put("broken.zeq", kConflict);
        Put(".git/stash.zeq", m_sample);
        Put("notes.txt", "not a plan file");
    }

    // Every plan file under the folder (hidden ones left out) with its
    // counts, each against the catalogs nearest to it; then the counts
    // follow the files as they change, come and go on disk.
    void panelCountsEachFileAndFollowsTheDisk() {
        CModPanel panel;
        QString error;
        QVERIFY(!panel.Open(m_dir.filePath("none"), {}, error));
        QVERIFY(!error.isEmpty());
        QDir().mkpath(Path("empty/.git"));
        Put("empty/.git/a.zeq", m_sample);
        QVERIFY(!panel.Open(Path("empty"), {}, error));
        QCOMPARE(error, "The folder holds no plan file (.zeq).");
        QVERIFY(panel.Open(m_dir.filePath("mod"), {}, error));
        const QString sep = QDir::separator();
        QTRY_COMPARE(panel.Pending(), 0);
        QTRY_VERIFY(!panel.Summary().contains("checking"));
        const QStringList rows = Rows(panel.List());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0], "broken.zeq | 1 | 0");
        QCOMPARE(rows[1], "outpost.zeq | 0 | 0");
        // sub's own Units.dat does not know iu_spire, iu_mender, iu_lancer, iu_skiff
        QVERIFY2(rows[2].startsWith("sub" + sep + "outpost.zeq | 0 | ") && !rows[2].endsWith("| 0"),
                 qPrintable(rows[2]));
        QVERIFY(panel.List()->topLevelItem(0)->font(0).bold()); // errors stand out
        QCOMPARE(panel.List()->accessibleName(), "Plan files of the mod");

        Write(Path("outpost.zeq"), m_sample + "bogusKey = 1\r\n");
        QTRY_COMPARE(Rows(panel.List()).value(1), "outpost.zeq | 0 | 1");
        Put("added.zeq", m_sample);
        QFile::remove(Path("broken.zeq"));
        QTRY_COMPARE(Rows(panel.List()).value(0), "added.zeq | 0 | 0");
        QCOMPARE(panel.List()->topLevelItemCount(), 3);
        Write(Path("sub/Units.dat"), Read(ZEQ_DATA_DIR "/Units.dat"));
        QTRY_COMPARE(Rows(panel.List()).value(2), "sub" + sep + "outpost.zeq | 0 | 0");
        QTRY_COMPARE(panel.Summary(), "3 file(s): 0 error(s), 1 warning(s)");
    }

    // zeq-editor DIR opens the mod; a file opens from the panel with Enter,
    // the changed document saved or given up first, as Open does; the
    // folder joins the recent files.
    void aFileOpensFromThePanel() {
        auto app = Start(m_dir.filePath("mod"));
        CModPanel* panel = app->MainFrame()->ModCommands()->Panel();
        QVERIFY(panel->isVisible());
        app->MainFrame()->RunCommand(ID_EDIT_FIND_IN_FILES); // both docks shown
        QCOMPARE(UnnamedControls(app->MainFrame()).join(", "), QString());
        QCOMPARE(MnemonicClashes(app->MainFrame()).join(", "), QString());
        QCOMPARE(app->RecentFiles().Entries().front(), CorePath(m_dir.filePath("mod")));
        app->Document()->SetModifiedFlag(true);
        QTreeWidget* list = panel->List();
        list->setCurrentItem(list->topLevelItem(1));
        QTest::keyClick(list, Qt::Key_Return); // no answer: Cancel
        QCOMPARE(ui.questions.size(), 1);
        QVERIFY(app->Document()->PathName().isEmpty());
        ui.answers = {IUiServices::Answer::No};
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(QFileInfo(app->Document()->PathName()), QFileInfo(Path("outpost.zeq")));
        // The mod's catalogs are the open file's.
        QVERIFY(app->Document()->Report().Findings().empty());
        app->OpenDocumentFile(Path("sub/outpost.zeq")); // opened elsewhere: marked here
        QCOMPARE(list->currentItem(), list->topLevelItem(2));
    }

    void findInFilesGroupsWhatItFinds() {
        auto app = Start(m_dir.filePath("mod"));
        CSearchPanel* search = app->MainFrame()->ModCommands()->Search();
        app->MainFrame()->RunCommand(ID_EDIT_FIND_IN_FILES);
        QVERIFY(search->isVisible());
        const struct {
            const char* pattern;
            bool regex, matchCase;
            QString summary;
        } cases[] = {
            {"IU_MENDER", false, false, "4 place(s) of \"IU_MENDER\" in 2 file(s)."},
            {"IU_MENDER", false, true, "No \"IU_MENDER\" in the mod's plan files."},
            {"^planType = \"(Hold|Service)\"", true, false,
             "5 place(s) of \"^planType = \"(Hold|Service)\"\" in 3 file(s)."},
            {"(", true, false, "The regular expression is not valid"},
            {"\\b", true, false, "No \"\\b\" in the mod's plan files."}, // matches only ""
        };
        for (const auto& c : cases) {
            search->Field()->setText(c.pattern);
            search->RegexBox()->setChecked(c.regex);
            search->CaseBox()->setChecked(c.matchCase);
            QTest::keyClick(search->Field(), Qt::Key_Return);
            QVERIFY2(search->Summary().startsWith(c.summary), qPrintable(search->Summary()));
        }
        search->Field()->setText("iu_mender");
        search->RegexBox()->setChecked(false);
        QTest::keyClick(search->Field(), Qt::Key_Return);
        const QStringList rows = Rows(search->Results());
        QCOMPARE(rows.mid(0, 3), (QStringList{"outpost.zeq | 2 match(es)",
                                              "  Line 19 | planConditionClass = \"iu_mender\"",
                                              "  Line 21 | serviceUnit = \"iu_mender\""}));
        int line = 0;
        WhenModal<CSourceEditorDlg>([&line](CSourceEditorDlg* dialog) {
            line = dialog->Editor()->textCursor().blockNumber() + 1;
            dialog->reject();
        });
        QTreeWidget* results = search->Results();
        results->setCurrentItem(results->topLevelItem(0)->child(1));
        QTest::keyClick(results, Qt::Key_Return);
        QCOMPARE(QFileInfo(app->Document()->PathName()), QFileInfo(Path("outpost.zeq")));
        QCOMPARE(line, 21);
    }

    // Where a class is used, by the rule of a rename: keys that name units,
    // not a text that only looks like one.
    void whereUsedListsTheUnitKeys() {
        CModFiles mod(m_dir.filePath("mod"), {});
        QVERIFY(mod.Refresh());
        Write(Path("broken.zeq"), "[Plan1]\r\nplanType = \"Hold\"\r\nholdType1 = \"IU_SPIRE\"\r\n"
                                  "holdPoint = \"iu_spire\"\r\n// iu_spire\r\n");
        QStringList found;
        for (const FileHits& file : FindUses(mod, "iu_spire"))
            for (const SearchHit& hit : file.hits)
                found << mod.Shown(file.path) + ":" + QString::number(hit.line) + " " + hit.where +
                             " " + hit.text.mid(hit.start, hit.length);
        const QString sub = "sub" + QString(QDir::separator());
        QCOMPARE(found, (QStringList{"broken.zeq:3 [Plan1] holdType1 IU_SPIRE",
                                     "outpost.zeq:10 [Plan1] holdType1 iu_spire",
                                     "outpost.zeq:27 [Plan3] unitType iu_spire",
                                     sub + "outpost.zeq:10 [Plan1] holdType1 iu_spire",
                                     sub + "outpost.zeq:27 [Plan3] unitType iu_spire"}));

        // From the unit picker, and from the word at the source editor's caret.
        ui.unitClasses = {"iu_spire"};
        auto app = Start(Path("outpost.zeq"));
        CSearchPanel* search = app->MainFrame()->ModCommands()->Search();
        app->MainFrame()->RunCommand(ID_EDIT_WHERE_USED); // no mod open: off
        QVERIFY(search->Summary().startsWith("Open a mod's folder"));
        QVERIFY(app->MainFrame()->ModCommands()->OpenFolder(m_dir.filePath("mod"), {}));
        app->MainFrame()->RunCommand(ID_EDIT_WHERE_USED);
        QVERIFY2(search->Summary().startsWith(
                     "5 place(s) of uses of iu_spire (Gun Spire) in 3 file(s)."),
                 qPrintable(search->Summary()));
        QString told;
        WhenModal<CSourceEditorDlg>([&told](CSourceEditorDlg* dialog) {
            dialog->GoToLine(19); // planConditionClass = "iu_mender"
            dialog->Editor()->moveCursor(QTextCursor::EndOfBlock);
            dialog->Editor()->moveCursor(QTextCursor::Left);
            for (QAction* action : dialog->findChildren<QAction*>())
                if (action->text() == "W&here Is This Unit Used") action->trigger();
            told = dialog->findChild<QStatusBar*>()->currentMessage();
            dialog->reject();
        });
        app->MainFrame()->EditSourceAt(0);
        QCOMPARE(told,
                 "4 place(s) of uses of iu_mender (Mender Truck) in 2 file(s). The Find in Files "
                 "panel lists them.");
    }

    // The preview lists each change with a box; what is ticked is written:
    // the open document as one step to undo, other files in place with only
    // the names' bytes changed, a file changed since the preview not at all.
    void renameAppliesWhatIsTicked() {
        auto app = Start(Path("outpost.zeq"));
        QVERIFY(app->MainFrame()->ModCommands()->OpenFolder(m_dir.filePath("mod"), {}));
        const QByteArray subBefore = Read(Path("sub/outpost.zeq"));
        QString summary;
        WhenModal<CRenameUnitsDlg>([&](CRenameUnitsDlg* dialog) {
            dialog->PairsEdit()->setPlainText("iu_spire = va_spire\n\nbad\n");
            dialog->UpdatePreview();
            QCOMPARE(dialog->Summary(), "Line 3: 'bad' is not OLD=NEW");
            dialog->PairsEdit()->setPlainText("iu_spire = va_spire\niu_mender=iu_wasp\n");
            dialog->UpdatePreview();
            summary = dialog->Summary();
            QCOMPARE(dialog->Preview()->topLevelItem(0)->child(0)->text(3),
                     "holdType1 = \"va_spire\"  (not in Units.dat)");
            QCOMPARE(UnnamedControls(dialog).join(", "), QString());
            QCOMPARE(MnemonicClashes(dialog).join(", "), QString());
            QTreeWidget* preview = dialog->Preview();
            // outpost.zeq's second change, the condition's class, is left.
            preview->topLevelItem(0)->child(1)->setCheckState(0, Qt::Unchecked);
            Write(Path("broken.zeq"), m_sample); // not previewed: left alone
            dialog->accept();
        });
        app->MainFrame()->ModCommands()->RenameUnits({});
        // va_spire is nowhere; sub's own catalog knows no wasp either.
        QCOMPARE(summary, "8 change(s) in 2 file(s). 6 change(s) give a class that Units.dat "
                          "does not know (marked).");
        // The open document: one step, not yet saved.
        CZeqEditorDoc& doc = *app->Document();
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.UndoStack().count(), 1);
        QCOMPARE(doc.UndoStack().undoText(), "Rename Unit Classes");
        QByteArray expected = m_sample;
        expected.replace("\"iu_spire\"", "\"va_spire\"")
            .replace("serviceUnit = \"iu_mender\"", "serviceUnit = \"iu_wasp\"");
        QCOMPARE(QByteArray::fromStdString(doc.SaveText()), expected);
        QCOMPARE(Read(Path("outpost.zeq")), m_sample);
        doc.UndoStack().undo();
        QCOMPARE(QByteArray::fromStdString(doc.SaveText()), m_sample);
        // Another file: written in place.
        QCOMPARE(
            Read(Path("sub/outpost.zeq")),
            QByteArray(subBefore).replace("iu_spire", "va_spire").replace("iu_mender", "iu_wasp"));
        QVERIFY(ui.messages.isEmpty());

        // A file that changed on disk after the preview is not written, and
        // the user hears which.
        WhenModal<CRenameUnitsDlg>([&](CRenameUnitsDlg* dialog) {
            dialog->PairsEdit()->setPlainText("iu_wasp=iu_mender");
            dialog->UpdatePreview();
            Write(Path("sub/outpost.zeq"), subBefore);
            dialog->accept();
        });
        app->MainFrame()->ModCommands()->RenameUnits({});
        QCOMPARE(Read(Path("sub/outpost.zeq")), subBefore);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY2(ui.messages[0].contains("changed on disk since the preview"),
                 qPrintable(ui.messages[0]));
    }

    // The text search's lines: each way a line ends, blanks before the line
    // left out, a match over a line break shown to the end of its line.
    void findInTextTellsLinesAndParts() {
        const struct {
            QString text, pattern;
            QStringList found; // "line: text [found part]"
        } cases[] = {
            {"a\r\nb x\rc\n  x y", "x", {"2: b x [x]", "4: x y [x]"}},
            {"ab\nab", "b\na", {"1: ab [b]"}},
            {"ab", "", {}},
            {"x\n\ny", "^$", {}},
        };
        for (const auto& c : cases) {
            QStringList found;
            for (const SearchHit& hit :
                 FindInText(c.text,
                            QRegularExpression(c.pattern, QRegularExpression::MultilineOption), 10))
                found << QString::number(hit.line) + ": " + hit.text + " [" +
                             hit.text.mid(hit.start, hit.length) + "]";
            QCOMPARE(found, c.found);
        }
    }
};

QTEST_MAIN(TestMod)
#include "test_mod.moc"
