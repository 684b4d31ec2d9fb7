// The source editor: snippets, saving back into the document, settings.

#include "colourschemedlg.h"
#include "fakeui.h"
#include "findbar.h"
#include "keyboardcheck.h"
#include "plandata.h"
#include "qtext.h"
#include "sourceeditordlg.h"
#include "syntaxedit.h"
#include "syntaxhighlighter.h"
#include "testcontext.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCompleter>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

namespace {

const QString kOnePlan = "[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n";

} // namespace

class TestSourceEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeUi> m_ui;
    std::unique_ptr<TestContext> m_context;

    const CAppContext& Context() { return m_context->context; }
    const CSettingsFile& Settings() { return m_context->settings.File(); }
    int Setting(const char* key, int fallback) {
        return Settings().ReadInt("Settings", key, fallback);
    }

private slots:
    void init() {
        m_ui = std::make_unique<FakeUi>();
        m_context = std::make_unique<TestContext>(false);
    }

    void cleanup() {
        m_context.reset();
        m_ui.reset();
    }

    void snippetsPutTheCaretWhereTheValueGoes() {
        CSourceEditorDlg dialog(Context(), "");
        CSyntaxEdit* edit = dialog.Editor();
        edit->setPlainText("abxc");
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
        dialog.Action(32798)->trigger(); // the complete Start block, over the selection
        const QString text = edit->toPlainText();
        QCOMPARE(text, QString("a[Start]\nscrapCount = \nscavClass = \"\"\nconsClass = \"\"\n\nc"));
        QCOMPARE(edit->textCursor().position(), int(text.indexOf("scrapCount = ") + 13));

        struct Case {
            int id;
            QString before; // the text left of the caret on its line
        };
        for (const Case& c : {Case{32796, "scavClass = \""}, Case{32808, "planType = \""},
                              Case{32807, "targetType1 = \""}}) {
            edit->clear();
            dialog.Action(c.id)->trigger();
            const QTextCursor at = edit->textCursor();
            QCOMPARE(at.block().text().left(at.positionInBlock()), c.before);
        }
    }

    void savingAnEditedTextLoadsIt() {
        WhenModal<CSourceEditorDlg>([](CSourceEditorDlg* dialog) {
            dialog->Editor()->moveCursor(QTextCursor::End);
            dialog->Editor()->insertPlainText(
                "\n[Plan2]\nplanType = \"Attacker\"\nplanPriority = 9\n");
            dialog->OnSave();
        });
        CPlanData edited;
        QString text;
        QVERIFY(RunSourceEditor(Context(), kOnePlan, 0, edited, text, nullptr));
        QVERIFY(text.endsWith("planPriority = 9\r\n")); // the text itself, for the document
        QCOMPARE(edited.plans.All()[1]->planType, std::string("Attacker"));

        // New and Save: an emptied text is an empty document.
        WhenModal<CSourceEditorDlg>([](CSourceEditorDlg* dialog) {
            dialog->OnNew();
            dialog->OnSave();
        });
        QVERIFY(RunSourceEditor(Context(), kOnePlan, 0, edited, text, nullptr));
        QCOMPARE(edited.plans.CountPlans(), 0u);
    }

    void untouchedSaveAndCancelChangeNothing() {
        CPlanData edited;
        QString text;
        WhenModal<CSourceEditorDlg>([](CSourceEditorDlg* dialog) { dialog->OnSave(); });
        QVERIFY(!RunSourceEditor(Context(), kOnePlan, 0, edited, text, nullptr));
        WhenModal<CSourceEditorDlg>([](CSourceEditorDlg* dialog) { dialog->reject(); });
        QVERIFY(!RunSourceEditor(Context(), kOnePlan, 0, edited, text, nullptr));
        QVERIFY(m_ui->questions.isEmpty()); // an untouched text closes at once
    }

    // A changed text is not dropped unasked: Esc, Cancel and the close box ask.
    void cancellingAChangedTextAsks() {
        CSourceEditorDlg dialog(Context(), kOnePlan);
        dialog.show();
        dialog.Editor()->insertPlainText("x");
        m_ui->choices = {1}; // Keep Editing
        QTest::keyClick(dialog.Editor(), Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_ui->questions, QStringList{"Discard your changes to the source text?"});
        m_ui->choices = {0}; // Discard
        dialog.close();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // A plan the game will not read is named before Save goes on.
    void savingAsksBeforePlansAreNotRead() {
        CSourceEditorDlg dialog(Context(), kOnePlan);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Editor()->moveCursor(QTextCursor::End);
        dialog.Editor()->insertPlainText("[Plan1]\nplanType = B\nplanPriority = 2\n// note\n");
        QTest::keyClick(dialog.Editor(), Qt::Key_S, Qt::ControlModifier); // Go Back (Esc)
        QCOMPARE(m_ui->questions.size(), 1);
        QCOMPARE(m_ui->questions.last(), QString("These plans will not be read:\n\nLine 4: "
                                                 "only the first [Plan1] section is read"));
        QCOMPARE(dialog.Editor()->textCursor().blockNumber(), 3); // on the first of them
        QVERIFY(dialog.isVisible());
        m_ui->choices = {0}; // Save Anyway
        dialog.OnSave();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // The Plan block and header take the lowest free number, filling a gap
    // before Plan256 would stop the plans after it from being read.
    void thePlanBlockMakesAPlanOfItsOwn() {
        CSourceEditorDlg dialog(Context(), "[Plan1]\r\n[ plan 2 ]\r\n[Plan03]\r\n[Plan4]\r\n");
        dialog.Editor()->moveCursor(QTextCursor::End);
        dialog.Action(32808)->trigger();
        QVERIFY(dialog.Editor()->toPlainText().contains("[Plan4]\n[Plan3]\nplanType = \"\""));
        dialog.Editor()->moveCursor(QTextCursor::End);
        dialog.Action(32801)->trigger();
        QVERIFY(dialog.Editor()->toPlainText().endsWith("\n[Plan5]\n"));
    }

    void aTextThatDoesNotParseIsNotLost() {
        CSourceEditorDlg dialog(Context(), "[Start]\r\nconsClass = \"c\"\r\n");
        dialog.Editor()->moveCursor(QTextCursor::End);
        dialog.Editor()->insertPlainText("oops = ]\n");
        dialog.OnSave();
        QVERIFY(m_ui->messages[0].contains("Line 3"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.Editor()->textCursor().blockNumber(), 2); // the caret is on it
    }

    void settingsAreStoredAtOnce() {
        {
            CSourceEditorDlg dialog(Context(), "[Plan1]\r\n");
            QVERIFY(dialog.Action(32840)->isChecked()); // colouring on by default
            QVERIFY(dialog.Action(32841)->isChecked()); // 10 points
            QVERIFY(dialog.Action(32846)->isChecked()); // Msdev style
            dialog.Action(32840)->trigger();
            dialog.Action(32843)->trigger();
            dialog.Action(32845)->trigger();
            dialog.reject();
        }
        QCOMPARE(Setting("Syntax Coloring", 1), 0);
        QCOMPARE(Setting("Font Size", 10), 15);
        QCOMPARE(Setting("Unreal Style", 0), 1);
        CSourceEditorDlg again(Context(), "[Plan1]\r\n");
        QVERIFY(again.Action(32843)->isChecked());
        QCOMPARE(again.Editor()->font().pointSize(), 15);
        QVERIFY(QFontInfo(again.Editor()->font()).fixedPitch()); // wherever it runs
    }

    void schemeColoursHeaders() {
        Settings().Write("Msdev Style", "HeaderColor", "0x000000FF");
        Settings().Write("Msdev Style", "HeaderStyle", "3");
        CSourceEditorDlg dialog(Context(), "[Plan1]\r\nx = 5\r\n");
        QTRY_VERIFY(dialog.Editor()->document()->firstBlock().layout()->formats().size() > 1);
        const QTextLayout* layout = dialog.Editor()->document()->firstBlock().layout();
        bool red = false;
        for (const QTextLayout::FormatRange& range : layout->formats())
            if (range.start == 0 && range.length == 7)
                red = range.format.foreground().color() == QColor(255, 0, 0) &&
                      range.format.fontItalic() && range.format.fontWeight() == QFont::Bold;
        QVERIFY(red);
    }

    // Lines are coloured as they are typed: a header, a number but not the
    // digit of a name, a comment after a value.
    void colouringFollowsEdits() {
        CSourceEditorDlg dialog(Context(), "a = 1\r\n");
        dialog.show();
        CSyntaxEdit* edit = dialog.Editor();
        QTRY_VERIFY(edit->document()->firstBlock().layout()->formats().size() > 0);
        edit->moveCursor(QTextCursor::End);
        edit->insertPlainText("[Start]\nbuildType1 = 5 // five\n");
        // The tokens' own format ranges, besides the line's.
        auto tokens = [edit](int blockNumber) {
            QList<QPair<int, int>> found;
            for (const QTextLayout::FormatRange& range :
                 edit->document()->findBlockByNumber(blockNumber).layout()->formats())
                if (!found.contains({range.start, range.length}))
                    found << QPair<int, int>(range.start, range.length);
            return found;
        };
        QTRY_VERIFY(tokens(1).contains({0, 7})); // [Start]
        QTRY_COMPARE(tokens(2),
                     (QList<QPair<int, int>>{{0, 22}, {13, 1}, {15, 7}})); // not buildType1's 1
    }

    void schemeEditorWritesTheSchemeAndKeepsTheRest() {
        Settings().Write("Msdev Style", "NumberStyle", "2");
        Settings().Write("Other", "Keep", "me");
        CColourSchemeDlg dialog(m_context->settings, false);
        auto* classes = dialog.findChild<QListWidget*>("classes");
        m_ui->colors = {QColor(255, 0, 0), QColor(0, 0, 255)};
        classes->setCurrentRow(1); // Header
        QTest::mouseClick(dialog.findChild<QToolButton*>("classColour"), Qt::LeftButton);
        dialog.findChild<QCheckBox*>("bold")->setChecked(true);
        QTest::mouseClick(dialog.findChild<QToolButton*>("background"), Qt::LeftButton);
        classes->setCurrentRow(3); // Number: its stored italic shows
        QVERIFY(dialog.findChild<QCheckBox*>("italic")->isChecked());
        dialog.accept();

        ColourScheme expected; // the one value changed, the rest as stored
        expected.backColor = 0x00FF0000;
        expected.formats[1] = {0x000000FF, EffectBold};
        expected.formats[3].effects = EffectItalic;
        QCOMPARE(m_context->settings.Scheme(false), expected);
        QVERIFY(Read(m_context->SettingsPath()).contains("[Other]\nKeep=me"));
        QCOMPARE(Settings().ReadString("Unreal Style", "HeaderColor", "none"), std::string("none"));
    }

    // Every byte of a plan file comes back as it went in (the no-break space
    // 0xA0 included); a character with no byte is refused, not made a '?'.
    // Each byte is its character on Windows (0x80 the euro sign, 0x81 with
    // no name itself), which turns back into that byte; a character no byte
    // stands for is refused.
    void theTextGivesBackItsBytes() {
        const std::string bytes = "[A]\r\nx = \"a\xa0\x80\x81\x93"
                                  "b\" // c\r\ny = 2\r\n";
        const QString text = ToQt(bytes);
        QCOMPARE(text.mid(12, 3), QString::fromUtf8("\u20ac\u0081\u201c"));
        CSourceEditorDlg dialog(Context(), text);
        QCOMPARE(dialog.Editor()->PlanText(), text);
        dialog.Editor()->moveCursor(QTextCursor::End);
        dialog.Editor()->insertPlainText(QString::fromUtf8("z = \"\u20ac\u0416\"\n"));
        dialog.OnSave();
        QVERIFY(m_ui->messages[0].contains(QString::fromUtf8("'\u0416' on line 4")));
        QCOMPARE(dialog.Editor()->textCursor().blockNumber(), 3);
        QCOMPARE(dialog.Editor()->textCursor().positionInBlock(), 6);
        dialog.Editor()->textCursor().deleteChar();
        m_ui->choices = {0}; // the comment goes: Save Anyway
        dialog.OnSave();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(FromQt(dialog.Text()), bytes + "z = \"\x80\"\r\n");
    }

    void findCountsWrapsAndReplacesInOneStep() {
        CSourceEditorDlg dialog(Context(), "unit Unit units\r\nxunit unit\r\n");
        dialog.show();
        CFindBar* bar = dialog.FindBar();
        CSyntaxEdit* edit = dialog.Editor();
        dialog.Action(32870)->trigger(); // Find...
        QVERIFY(bar->isVisible() && !bar->ReplaceField()->isVisible());
        QVERIFY(!bar->ReplaceField()->isVisible());
        bar->FindField()->setText("unit");
        struct Case {
            bool matchCase, wholeWords;
            std::vector<int> starts;
        };
        for (const Case& c : {Case{false, false, {0, 5, 10, 17, 22}}, Case{false, true, {0, 5, 22}},
                              Case{true, true, {0, 22}}, Case{true, false, {0, 10, 17, 22}}}) {
            bar->MatchCase()->setChecked(c.matchCase);
            bar->WholeWords()->setChecked(c.wholeWords);
            edit->moveCursor(QTextCursor::End);
            std::vector<int> found;
            for (std::size_t i = 0; i <= c.starts.size(); ++i) { // once round, and wrapping
                QVERIFY(bar->FindNext());
                found.push_back(edit->textCursor().selectionStart());
                QCOMPARE(edit->textCursor().selectedText(),
                         edit->toPlainText().mid(found.back(), 4));
            }
            QCOMPARE(found.back(), c.starts.front());
            found.pop_back();
            QCOMPARE(found, c.starts);
            QCOMPARE(bar->CountText(), QString("1 of %1").arg(c.starts.size()));
            QVERIFY(bar->FindNext(true)); // back past the start: the last
            QCOMPARE(edit->textCursor().selectionStart(), c.starts.back());
        }
        bar->FindField()->setText("none");
        QVERIFY(!bar->FindNext());
        QCOMPARE(bar->CountText(), QString("No matches"));

        dialog.Action(32873)->trigger(); // Replace...
        bar->FindField()->setText("unit");
        bar->ReplaceField()->setText("tank");
        QCOMPARE(bar->ReplaceAll(), 4);
        QCOMPARE(edit->toPlainText(),
                 QString("tank Unit units\nxunit tank\n").replace("unit", "tank"));
        edit->undo();
        QCOMPARE(edit->toPlainText(), QString("unit Unit units\nxunit unit\n"));

        // Esc closes the bar first, the window only on a second Esc.
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        m_ui->choices = {0}; // Discard the undone edit
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }

    void toggleCommentIsOneStepEachWay() {
        CSourceEditorDlg dialog(Context(), "a = 1\r\n  // b\r\nc = 2\r\nd = 3\r\n");
        CSyntaxEdit* edit = dialog.Editor();
        QTextCursor lines(edit->document());
        lines.setPosition(0);
        lines.setPosition(int(edit->toPlainText().indexOf("d = 3")), QTextCursor::KeepAnchor);
        edit->setTextCursor(lines); // ends at the start of "d": three lines
        dialog.Action(32875)->trigger();
        QCOMPARE(edit->toPlainText(), QString("//a = 1\n//  // b\n//c = 2\nd = 3\n"));
        dialog.Action(32875)->trigger();
        QCOMPARE(edit->toPlainText(), QString("a = 1\n  // b\nc = 2\nd = 3\n"));
        edit->undo();
        QCOMPARE(edit->toPlainText(), QString("//a = 1\n//  // b\n//c = 2\nd = 3\n"));
    }

    void goToLineAndThePositionShown() {
        CSourceEditorDlg dialog(Context(), "a\r\nb\r\n\tccc\r\n");
        m_ui->numbers = {3};
        dialog.Action(32874)->trigger();
        QCOMPARE(m_ui->questions.last(), QString("Line number (1-4):"));
        QCOMPARE(m_ui->numberDefaults.back(), 1); // the caret's line
        QCOMPARE(dialog.Editor()->textCursor().blockNumber(), 2);
        dialog.Editor()->moveCursor(QTextCursor::EndOfLine);
        QCOMPARE(dialog.PositionText(), QString("Line 3, Column 5"));
        dialog.Action(32874)->trigger(); // cancelled: the caret stays
        QCOMPARE(dialog.Editor()->textCursor().positionInBlock(), 4);
    }

    // Offers that pop up while typing leave Enter to break the line, unless
    // one is picked; none in a comment; values are offered after "= ".
    void typedCompletionsLeaveEnterAlone() {
        TestContext shipped;
        CSourceEditorDlg dialog(shipped.context, kOnePlan);
        dialog.show();
        CSyntaxEdit* edit = dialog.Editor();
        QAbstractItemView* popup = edit->Completer()->popup();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClicks(edit, "plan");
        QVERIFY(popup->isVisible());
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->textCursor().block().previous().text(), QString("plan"));
        QTest::keyClicks(edit, "// next plan");
        QVERIFY(!popup->isVisible());
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->textCursor().block().previous().text(), QString("// next plan"));
        QTest::keyClicks(edit, "  holdType1 = "); // indented, as some write keys
        QVERIFY(popup->isVisible());
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QCOMPARE(edit->textCursor().block().text(),
                 "  holdType1 = " + popup->model()->index(1, 0).data(Qt::UserRole).toString());
        QCOMPARE(edit->blockCount(), 6);
        // On the empty last line, asked: the keys of the plan it is in.
        QTest::keyClick(edit, Qt::Key_Return);
        edit->Complete(true);
        QVERIFY(popup->model()
                    ->match(popup->model()->index(0, 0), Qt::UserRole, "planType = ")
                    .size() == 1);
        QTest::keyClick(popup, Qt::Key_Escape);
        QTest::keyClicks(edit, "[P"); // a header: the plan number that is free
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->model()->index(0, 0).data(Qt::UserRole).toString(), QString("[Plan2]"));
    }

    // A long text loads in pieces, the window answering and its title saying
    // so meanwhile; a bracket at the caret shows its partner.
    void longTextsLoadAndBracketsPair() {
        QString text = "[Plan1]\r\n";
        for (int i = 0; text.size() < 400 * 1024; ++i)
            text += QString("x%1 = \"%2\"\r\n").arg(i).arg(QString(40, 'v'));
        CSourceEditorDlg dialog(Context(), text);
        QVERIFY(dialog.Editor()->isReadOnly()); // until the whole text is there
        QTRY_VERIFY(dialog.windowTitle().startsWith("ZEQ Source Editor[*] (loading, "));
        QTRY_VERIFY(!dialog.Editor()->isReadOnly());
        QCOMPARE(dialog.windowTitle(), QString("ZEQ Source Editor[*]"));
        QVERIFY(!dialog.isWindowModified());
        dialog.Editor()->insertPlainText("x"); // not applied yet
        QVERIFY(dialog.isWindowModified());
        dialog.Editor()->undo();
        QCOMPARE(dialog.Editor()->PlanText(), text);
        dialog.Editor()->moveCursor(QTextCursor::Start);
        QList<int> paired;
        for (const QTextEdit::ExtraSelection& s : dialog.Editor()->extraSelections())
            paired << s.cursor.selectionStart();
        QCOMPARE(paired, (QList<int>{0, 6}));
    }

    // Every command by its own key; Redo by Ctrl+Y too; a named control for
    // every one a screen reader reaches.
    void keysAndNames() {
        CSourceEditorDlg dialog(Context(), "a = 1\r\n");
        dialog.show();
        dialog.Action(32873)->trigger();             // the find bar with its replace row
        dialog.FindBar()->FindField()->setText("a"); // and its clear button
        QCOMPARE(MnemonicClashes(&dialog).join(", "), QString());
        QCOMPARE(UnnamedControls(&dialog).join(", "), QString());
        CSyntaxEdit* edit = dialog.Editor();
        edit->setFocus();
        QTest::keyClicks(edit, "x");
        QVERIFY(dialog.Action(57643)->isEnabled());
        dialog.Action(57643)->trigger(); // Undo
        QCOMPARE(edit->toPlainText(), QString("a = 1\n"));
        QVERIFY(dialog.Action(57644)->shortcuts().contains(QKeySequence("Ctrl+Y")));
        dialog.Action(57644)->trigger(); // Redo
        QCOMPARE(edit->toPlainText(), QString("xa = 1\n"));
        // Tab in the find bar goes from the Find field to the Replace field,
        // and each field's label takes the keyboard there.
        CFindBar* bar = dialog.FindBar();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bar->ReplaceField()));
        QCOMPARE(bar->FindField()->nextInFocusChain(), static_cast<QWidget*>(bar->ReplaceField()));
    }

    void marksFollowTheReportAndTheCatalogs() {
        TestContext shipped;
        CSourceEditorDlg dialog(shipped.context, kOnePlan + "holdType1 = \"iu_nothing\"\r\n"
                                                            "bogus = 1\r\n");
        QTRY_VERIFY(!dialog.Editor()->Marks().isEmpty());
        const QList<int> lines = dialog.Editor()->Marks().keys();
        QCOMPARE(QSet<int>(lines.begin(), lines.end()), QSet<int>({0, 3, 4})); // 0: no [Start]
        QVERIFY(dialog.Editor()->Marks()[3].contains("iu_nothing"));
        // Marks follow edits: the line goes, and its mark.
        QTextCursor cursor(dialog.Editor()->document()->findBlockByNumber(4));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QTRY_VERIFY(!dialog.Editor()->Marks().contains(4));
        QVERIFY(dialog.Editor()->Marks().contains(3));
        // A header being typed: its own mark, and the others' kept meanwhile.
        cursor.insertText("[Plan2");
        QTRY_VERIFY(dialog.Editor()->Marks().contains(4));
        QVERIFY(dialog.Editor()->Marks().contains(3));
        dialog.show();
        QTRY_VERIFY(std::ranges::any_of(
            dialog.Editor()->document()->findBlockByNumber(3).layout()->formats(),
            [](const QTextLayout::FormatRange& r) {
                return r.format.underlineStyle() == QTextCharFormat::WaveUnderline;
            }));
    }
};

QTEST_MAIN(TestSourceEditor)
#include "test_sourceeditor.moc"
