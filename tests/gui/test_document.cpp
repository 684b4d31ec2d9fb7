// The document's edits, their history, and its open and save steps, on a
// context of its own.

#include "fakeui.h"
#include "testcontext.h"
#include "zeqeditordoc.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QByteArray kFile = "[Start]\r\nconsClass = \"c\"\r\nscavClass = \"s\"\r\n"
                         "[Match]\r\ntargetType1 = \"t\"\r\nattackType1_1 = \"a\"\r\n"
                         "targetType2 = \"u\"\r\nattackType2_1 = \"b\"\r\n"
                         "[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 10\r\n"
                         "[Plan2]\r\nplanType = \"Attacker\"\r\nplanPriority = 30\r\n"
                         "[Plan3]\r\nplanType = \"Recover\"\r\nplanPriority = 20\r\n";

} // namespace

class TestDocument : public QObject {
    Q_OBJECT

    FakeUi ui;
    TestContext context{false};
    std::unique_ptr<CZeqEditorDoc> doc;

    QString Path(const QString& name) const { return context.dir.filePath(name); }
    const PlanEntry* Plan(std::size_t i) const { return doc->Data().plans.All()[i].get(); }
    const MatchEntry* Match(std::size_t i) const { return doc->Data().matches.All()[i].get(); }

private slots:
    void init() {
        ui.Reset();
        doc = std::make_unique<CZeqEditorDoc>(context.context);
        QVERIFY(doc->OnOpenDocument(Write(Path("doc.zeq"), kFile), nullptr));
    }

    // Each kind of edit is one step; undo gives back the model exactly and
    // redo the edited one, and the history runs back to the state opened.
    void everyEditUndoesAndRedoesExactly() {
        PlanEntry changed = *Plan(0);
        changed.planType = "Service";
        changed.parameters = {{"serviceUnit", "\"x\""}};
        const std::string source =
            "\xEF\xBB\xBF// typed\r\n[Plan1]\r\nplanType = A\r\nplanPriority = 1\r\n";
        CPlanData replaced;
        replaced.LoadText(source);
        const auto hold = [](std::uint32_t priority) {
            return PlanEntry{"Hold", priority, 0, {}, {}};
        };
        // clang-format off
        const std::vector<std::pair<const char*, std::function<void()>>> edits = {
            {"New Plan", [&] { doc->AddPlan(hold(25)); }},
            {"Paste Plans", [&] { doc->AddPlans({hold(5), hold(6)}, "Paste Plans"); }},
            {"Edit Plan", [&] { doc->ChangePlan(Plan(0), changed); }},
            {"Delete Plans", [&] { doc->RemovePlans({Plan(0), Plan(2)}, "Delete Plans"); }},
            {"Move Up", [&] { doc->MovePlan(Plan(3), Plan(1), true, "Move Up"); }},
            {"Auto-arrange Priorities", [&] { doc->ArrangePriorities(); }},
            {"New Match", [&] { doc->AddMatch(MatchEntry{"v", {{"c"}}}); }},
            {"Edit Match", [&] { doc->ChangeMatch(Match(1), MatchEntry{"w", {{"d"}, {"e"}}}); }},
            {"Delete Matches", [&] { doc->RemoveMatches({Match(0)}, "Delete Matches"); }},
            {"Edit Start & Cheat", [&] { doc->SetStart(StartSection{9, "x", "y", 5, 60}); }},
            {"Edit Source", [&] { doc->ReplaceData(std::move(replaced), source); }},
            {"Remove Byte-Order Mark", [&] { QVERIFY(doc->RemoveByteOrderMark()); }},
        };
        // clang-format on
        // What Save writes, layout kept, follows each step both ways, byte
        // for byte (a QString would hide the byte-order mark).
        QList<QByteArray> states{QByteArray::fromStdString(doc->SaveText())};
        QCOMPARE(states[0], QByteArray(kFile));
        for (const auto& [step, edit] : edits) {
            edit();
            QCOMPARE(doc->UndoStack().undoText(), QString(step));
            states << QByteArray::fromStdString(doc->SaveText());
            QVERIFY2(states.last() != states[states.size() - 2], step);
            QVERIFY(doc->IsModified());
        }
        // The source edit's own text, without its byte-order mark.
        QCOMPARE(states.last(), QByteArray::fromStdString(source.substr(3)));
        QVERIFY(!doc->RemoveByteOrderMark());
        for (qsizetype i = states.size() - 2; i >= 0; --i) {
            doc->UndoStack().undo();
            QCOMPARE(QByteArray::fromStdString(doc->SaveText()), states[i]);
        }
        QVERIFY(!doc->IsModified()); // back at the state opened
        for (qsizetype i = 1; i < states.size(); ++i) {
            doc->UndoStack().redo();
            QCOMPARE(QByteArray::fromStdString(doc->SaveText()), states[i]);
        }
    }

    // A file that does not open leaves the document, its history and its
    // file as they were.
    // A long open is read away from the window, which goes on handling its
    // events, and says so for the status bar; the message of a file that
    // cannot be read names no line, and the document stays as it was.
    void aLongOpenLetsTheWindowRepaint() {
        doc->SetBusyPatience(0);
        QString big;
        for (int i = 1; i <= 20000; ++i)
            big += QString("[Plan%1]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n").arg(i);
        QSignalSpy busy(doc.get(), &CZeqEditorDoc::Busy);
        bool repainted = false;
        QTimer::singleShot(0, [&] { repainted = true; });
        QVERIFY(doc->OnOpenDocument(Write(Path("big.zeq"), big.toLatin1()), nullptr));
        QVERIFY(repainted);
        QCOMPARE(busy.size(), 2);
        QCOMPARE(busy[0][0].toString(), QString("Opening big.zeq..."));

        doc->AddMatch(MatchEntry{"v", {{"c"}}});
        QVERIFY(!doc->OnOpenDocument(context.dir.path(), nullptr));
        QVERIFY(ui.messages.last().endsWith("\ncannot read the file: it is a folder"));
        QVERIFY(doc->UndoStack().canUndo() && doc->Data().plans.CountPlans() == 20000);
    }

    // Save keeps the file as written: untouched it is written back byte for
    // byte, asking nothing; an edit changes only its own line. Save Tidied
    // says first what the canonical layout drops, then asks for the name.
    void saveKeepsTheFileAndSaveTidiedAsks() {
        const QByteArray written =
            "// mine\n" + QByteArray(kFile).replace("\r\n", "\n") + "[Notes]\nwho = me";
        const QString file = Write(Path("mine.zeq"), written);
        QVERIFY(doc->OnOpenDocument(file, nullptr));
        QVERIFY(doc->DoFileSave(nullptr));
        QCOMPARE(Read(file), written);
        PlanEntry moved = *Plan(0);
        moved.priority = 77;
        doc->ChangePlan(Plan(0), moved);
        QVERIFY(doc->DoFileSave(nullptr));
        QCOMPARE(Read(file), QByteArray(written).replace("planPriority = 10", "planPriority = 77"));
        QVERIFY(ui.questions.isEmpty());

        ui.files = {file};
        ui.choices = {1}; // Cancel, before any name is asked
        QVERIFY(!doc->DoSaveTidied(nullptr));
        QVERIFY(ui.questions.last().startsWith("The tidied layout leaves out of mine.zeq what the "
                                               "game does not read: 1 comment(s), 1 other"));
        QCOMPARE(ui.choiceButtons.last(), QString("Save &Tidied...|&Cancel"));
        QCOMPARE(Read(file).size(), written.size());
        ui.choices = {0}; // on to the name
        QVERIFY(doc->DoSaveTidied(nullptr));
        QCOMPARE(ui.saveTitles.last(), QString("Save Tidied"));
        QCOMPARE(Read(file), QByteArray(doc->Data().Text().c_str()));
        const qsizetype asked = ui.questions.size();
        ui.files = {file};
        QVERIFY(doc->DoSaveTidied(nullptr)); // nothing left to drop
        QCOMPARE(ui.questions.size(), asked);
    }
};

QTEST_MAIN(TestDocument)
#include "test_document.moc"
