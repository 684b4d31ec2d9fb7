#pragma once

#include "keptlayout.h"
#include "plandata.h"
#include "planfilereport.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CAppContext;
class CRecoveryFile;
class QWidget;

// The one open plan document: the model, its file and its history. Every
// change to the model is one of the document's edits, and each edit is one
// step of the undo history; the views hear of it through the signals and
// update only what it touched.
class CZeqEditorDoc : public QObject {
    Q_OBJECT

public:
    explicit CZeqEditorDoc(const CAppContext& context);

    const CPlanData& Data() const { return m_data; }
    // The text the document came from, when it came from one.
    const CKeptLayout& Kept() const { return m_kept; }
    QUndoStack& UndoStack() { return m_undo; }

    QString PathName() const { return m_path; }
    // The file name, or "Untitled" for a new document.
    QString Title() const;
    // Whether the document differs from the state last saved or opened.
    bool IsModified() const { return !m_undo.isClean(); }
    void SetModifiedFlag(bool modified = true);

    // What in the file as opened (or last saved) is not read, or reads
    // differently from how it looks.
    const CPlanFileReport& Report() const { return m_report; }
    // The text of the file as it was opened or last saved, while the
    // document has not changed since; empty otherwise.
    std::string_view FileText() const;
    // What Save writes: the text the document came from with only the
    // edited records' lines changed; the canonical layout for a new document
    // or where the edits cannot be placed in the text.
    std::string SaveText() const;
    // The plans' sections as SaveText writes them, each with the comments
    // above it and on its lines (what Copy puts on the clipboard).
    std::string PlansText(const std::vector<const PlanEntry*>& plans) const;
    // The same, made quickly without checking it loads back (the recovery
    // file's, written while the user types).
    std::string RecoveryText() const;

    // The file as it was opened or last saved, to know whether another
    // program changed it since.
    struct DiskStamp {
        qint64 size = -1; // no file
        QDateTime modified;
        QByteArray hash;
    };
    const DiskStamp& Stamp() const { return m_stamp; }

    // Empties the document and its history.
    void OnNewDocument();
    // A recovered text as the document, unsaved, bound to its file (none for
    // an untitled one) as that file was when the lost session had it, so
    // that Save sees a change another program made since; nothing is written
    // to the file until it is saved.
    bool Recover(const CRecoveryFile& record, QWidget* parent);
    // The file as it was opened or last saved (what a merge with another
    // program's change starts from).
    std::string_view DiskText() const { return m_diskText ? *m_diskText : m_kept.Text(); }

    // The source editor's text while it has changes not applied yet (for
    // the recovery file); `draft` tells it, and nothing after the editor closes.
    std::optional<std::string> SourceDraft() const;
    void SetSourceDraft(std::function<std::optional<std::string>()> draft);
    // Loads the file; on failure says "Failed to open document." and keeps
    // the document as it was, or, for a text that does not parse, offers to
    // mend it in the source editor (true when the mended text became the
    // document, unsaved).
    bool OnOpenDocument(const QString& path, QWidget* parent);
    // Asks for the Start values when a class is missing, then writes the
    // file with its layout kept. Where only the canonical layout can be
    // written (always, when `tidied`), it first says what that drops and
    // asks (once for the file that was opened, every time when tidied).
    bool OnSaveDocument(const QString& path, QWidget* parent, bool tidied = false);

    // Save (under the current name, or a chosen one when there is none).
    bool DoFileSave(QWidget* parent);
    bool DoSaveAs(QWidget* parent);
    // Save Tidied: the canonical layout, plans by priority and renumbered.
    bool DoSaveTidied(QWidget* parent);
    // Before the document is closed or replaced: asks "Save changes to ...?"
    // when it is modified. False when the user cancelled.
    bool SaveModified(QWidget* parent);

    // Counts the times the whole document was replaced (New, Open, a reload,
    // a source edit): a record taken before a dialog is still the document's
    // only while this has not changed and the record is still in its list.
    quint64 Generation() const { return m_generation; }
    // While a file is being read: no other question about the document now.
    bool IsOpening() const { return m_opening; }
    // How long an open runs before Busy() tells of it (ms).
    void SetBusyPatience(int ms) { m_busyPatience = ms; }
    bool Holds(const PlanEntry* plan, quint64 generation) const;
    bool Holds(const MatchEntry* match, quint64 generation) const;
    // After a dialog on a record (or on the start values, with no record):
    // true when its result may still be applied; otherwise tells the user
    // that it was not.
    template <typename Record>
    bool DialogEditApplies(const Record* record, quint64 generation, QWidget* parent) const {
        return SayIfNotApplied(Holds(record, generation), parent);
    }
    bool DialogEditApplies(quint64 generation, QWidget* parent) const {
        return SayIfNotApplied(generation == m_generation, parent);
    }

    // The Start & Cheat command, which the save question runs.
    void SetStartCheatCommand(std::function<void()> command) { m_startCheat = std::move(command); }
    // The source editor on the text of a file that does not load, the caret
    // on `line`: true when a mended text became the document.
    using MendCommand = std::function<bool(const QString& path, const std::string& text, int line)>;
    void SetMendCommand(MendCommand command) { m_mend = std::move(command); }

    // --- The edits, each one undoable step; one that changes nothing is none ---
    const PlanEntry* AddPlan(PlanEntry plan);
    // `written`: the text each plan was pasted from, if any, for Save to
    // write it as.
    void AddPlans(std::vector<PlanEntry> plans, const QString& text,
                  std::vector<std::string> written = {});
    void ChangePlan(const PlanEntry* plan, PlanEntry value);
    void RemovePlans(const std::vector<const PlanEntry*>& plans, const QString& text);
    // Move Up and Move Down: the priorities MovedPriorities gives, as one
    // step; false, with nothing done, where the plan cannot move.
    bool MovePlan(const PlanEntry* moved, const PlanEntry* neighbour, bool up, const QString& text);
    void ArrangePriorities();
    const MatchEntry* AddMatch(MatchEntry match);
    void AddMatches(std::vector<MatchEntry> matches, const QString& text);
    void ChangeMatch(const MatchEntry* match, MatchEntry value);
    void RemoveMatches(const std::vector<const MatchEntry*>& matches, const QString& text);
    void SetStart(StartSection start);
    // A source edit saved back: the whole document at once, its text the
    // one the document now comes from.
    void ReplaceData(CPlanData data, std::string text);
    // The same, the undo step named by `undoText` ("Rename Unit Classes").
    void ReplaceData(CPlanData data, std::string text, const QString& undoText);
    // The UTF-8 byte-order mark at the start of the text left out, as one
    // undo step; false (nothing done) when the text has none.
    bool RemoveByteOrderMark();

    // --- What the undo commands run: a change and its signals, no history ---
    void Put(Taken<PlanEntry>& plans);
    Taken<PlanEntry> Take(const std::vector<const PlanEntry*>& plans);
    void Put(Taken<MatchEntry>& matches);
    Taken<MatchEntry> Take(const std::vector<const MatchEntry*>& matches);
    void Swap(const PlanEntry* plan, PlanEntry& value);
    void Swap(const MatchEntry* match, MatchEntry& value);
    void Swap(StartSection& start);
    void Swap(CPlanData& data, CKeptLayout& kept);
    // Gives plans new priorities and, when given, the list a new order.
    using Priorities = std::vector<std::pair<const PlanEntry*, std::uint32_t>>;
    void SetPriorities(const Priorities& priorities, const std::vector<const PlanEntry*>& order);
    // The records an undone or redone step shows selected.
    void Select(QList<const PlanEntry*> plans, QList<const MatchEntry*> matches);

    // Asks the frame to recount matches and plans once the current command
    // has finished (a queued connection).
    void PostUpdateCounts() { emit UpdateCountsRequested(); }

signals:
    // The whole document is another one (New, Open, a source edit).
    void Reset();
    void PlansInserted(const QList<const PlanEntry*>& plans);
    void PlansAboutToBeRemoved(const QList<const PlanEntry*>& plans);
    void PlansChanged(const QList<const PlanEntry*>& plans);
    void MatchesInserted(const QList<const MatchEntry*>& matches);
    void MatchesAboutToBeRemoved(const QList<const MatchEntry*>& matches);
    void MatchesChanged(const QList<const MatchEntry*>& matches);
    void SelectRequested(const QList<const PlanEntry*>& plans,
                         const QList<const MatchEntry*>& matches);
    void UpdateCountsRequested();
    void TitleChanged();
    // A long task under way, for the status bar ("Opening ai.zeq..."); an
    // empty text when it is over.
    void Busy(const QString& note);
    void ModifiedChanged(bool modified);
    // A file was opened or saved under this path.
    void FileUsed(const QString& path);
    // The source editor's text not yet applied changed (or is gone).
    void SourceDraftChanged();
    // The report on the open file is another one; `opened` when a file was
    // just opened.
    void ReportChanged(bool opened);

private:
    bool SayIfNotApplied(bool applies, QWidget* parent) const;
    void SetPath(const QString& path);
    void StartAfresh(bool opened);
    // Before a canonical save: 0 Save, 1 Save As, 2 Cancel. Save Tidied's
    // question comes before the name: 0 go on, 2 Cancel.
    int AskAboutLosses(const QString& path, QWidget* parent, bool tidied);
    // The file just saved, read back into `text`: false where it cannot be
    // read or is not the bytes written (of SHA-1 `hash`).
    bool ReadBackSaved(const QByteArray& hash, std::string& text) const;
    std::vector<const PlanEntry*> PlanOrder() const;
    // Another program wrote the file since it was opened or saved: asks
    // whether to merge the two changes, overwrite it or cancel; a merge
    // becomes the document (one undo step) to be saved. False on Cancel.
    bool MayOverwrite(const QString& path, QWidget* parent);
    // Their change merged into the document's by record; false (with the
    // reason said) where the two changes conflict.
    bool MergeWithDisk(const std::string& disk, const QString& path, QWidget* parent);
    // The file the user names to save into (".zeq" added to a name without
    // an extension); empty when they cancel.
    QString AskSaveTarget(QWidget* parent, const QString& title = {}) const;
    void Adopt(CPlanData data, CPlanFileReport report, std::string text);
    // Copies that interrupted saves of the file left: Restore, Show Changes,
    // Delete or Keep, one question each.
    void OfferBackups(const QString& path, QWidget* parent);

    const CAppContext& m_context;
    CPlanData m_data;
    QUndoStack m_undo;
    QString m_path;
    CPlanFileReport m_report;
    CKeptLayout m_kept;
    DiskStamp m_stamp;
    // The file's text where the kept layout's is no longer it (after a
    // source edit or a recovery); empty while it is.
    std::optional<std::string> m_diskText;
    std::function<std::optional<std::string>()> m_sourceDraft;
    bool m_lossesConfirmed = false;
    bool m_opening = false;
    int m_busyPatience = 500;
    std::function<void()> m_startCheat;
    MendCommand m_mend;
    quint64 m_generation = 0;
};
