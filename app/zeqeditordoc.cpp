#include "zeqeditordoc.h"

#include "appcontext.h"
#include "filebuffer.h"
#include "filesave.h"
#include "linediff.h"
#include "lossquestion.h"
#include "qtext.h"
#include "recordscommand.h"
#include "recoveryfile.h"
#include "runawayfromthewindow.h"
#include "swapcommand.h"
#include "textmerge.h"
#include "uiservices.h"
#include "waitcursor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHashFunctions>
#include <algorithm>

namespace {

// Whether the bytes on disk are still those opened or saved. The stamp lives
// only as long as the session, so a keyed hash serves: two of 64 bits with
// fixed seeds, many times as fast as SHA-256, which took 60 ms of opening a
// file of 8 MB.
QByteArray HashOf(std::string_view bytes) {
    QByteArray hash;
    for (const std::size_t seed : {std::size_t(0x5eed0001), std::size_t(0x9e3779b97f4a7c15)}) {
        const std::size_t part = qHashBits(bytes.data(), bytes.size(), seed);
        hash.append(reinterpret_cast<const char*>(&part), sizeof part);
    }
    return hash;
}

CZeqEditorDoc::DiskStamp StampOf(const QString& path, std::string_view bytes) {
    const QFileInfo file(path);
    return {file.size(), file.lastModified(), HashOf(bytes)};
}

// The distance between neighbouring priorities after Auto-arrange.
constexpr std::uint32_t kPriorityStep = 10;

template <typename Entry> QList<const Entry*> ListOf(const std::vector<Entry*>& records) {
    return QList<const Entry*>(records.begin(), records.end());
}

} // namespace

CZeqEditorDoc::CZeqEditorDoc(const CAppContext& context)
    : m_context(context), m_report(&context.PlanTypes(), &context.Units()) {
    connect(&m_undo, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit ModifiedChanged(!clean); });
}

QString CZeqEditorDoc::Title() const {
    return m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
}

void CZeqEditorDoc::SetModifiedFlag(bool modified) {
    if (modified)
        m_undo.resetClean(); // modified until the next save
    else
        m_undo.setClean();
}

void CZeqEditorDoc::SetPath(const QString& path) {
    m_path = path;
    emit TitleChanged();
}

std::string_view CZeqEditorDoc::FileText() const {
    return m_undo.isClean() ? std::string_view(m_kept.Text()) : std::string_view();
}

std::vector<const PlanEntry*> CZeqEditorDoc::PlanOrder() const {
    return m_data.plans.InOrder();
}

std::string CZeqEditorDoc::RecoveryText() const {
    std::string text;
    if (m_kept.WriteUnchecked(m_data, text)) return text;
    return m_data.Text();
}

std::string CZeqEditorDoc::SaveText() const {
    std::string text;
    if (m_kept.Write(m_data, text)) return text;
    return m_data.Text();
}

std::string CZeqEditorDoc::PlansText(const std::vector<const PlanEntry*>& plans) const {
    std::string text;
    std::vector<const PlanEntry*> order;
    CKeptLayout written;
    if (!m_kept.Write(m_data, text, &order) || !written.Map(std::move(text), order))
        return PlanSectionsText(plans);
    std::string blocks;
    for (const PlanEntry* plan : plans)
        blocks += written.BlockText(plan);
    return blocks;
}

bool CZeqEditorDoc::Holds(const PlanEntry* plan, quint64 generation) const {
    const auto& plans = m_data.plans.All();
    return generation == m_generation &&
           std::any_of(plans.begin(), plans.end(),
                       [plan](const auto& p) { return p.get() == plan; });
}

bool CZeqEditorDoc::Holds(const MatchEntry* match, quint64 generation) const {
    const auto& matches = m_data.matches.All();
    return generation == m_generation &&
           std::any_of(matches.begin(), matches.end(),
                       [match](const auto& m) { return m.get() == match; });
}

bool CZeqEditorDoc::SayIfNotApplied(bool applies, QWidget* parent) const {
    if (!applies)
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("The document was reloaded or replaced while the dialog was open, so "
                            "the changes made in the dialog were not applied."));
    return applies;
}

void CZeqEditorDoc::StartAfresh(bool opened) {
    ++m_generation;
    m_undo.clear();
    m_undo.setClean();
    m_lossesConfirmed = false;
    emit ModifiedChanged(false);
    emit Reset();
    emit ReportChanged(opened);
    PostUpdateCounts();
}

void CZeqEditorDoc::OnNewDocument() {
    m_diskText.reset();
    m_data.Clear();
    m_report.Clear();
    m_kept.Clear();
    m_stamp = {};
    SetPath(QString());
    StartAfresh(false);
}

void CZeqEditorDoc::OfferBackups(const QString& path, QWidget* parent) {
    for (const std::string& copy : LeftoverBackups(CorePath(path))) {
        const QString name = QDir::toNativeSeparators(QString::fromStdString(copy));
        const QString question =
            tr("A save of %1 was interrupted. The file as it was before that save is kept in "
               "%2.\n\nRestore that copy as the file, or delete the copy?")
                .arg(QDir::toNativeSeparators(path), name);
        for (bool asked = false; !asked;) {
            switch (Ui().Choose(parent, IUiServices::Icon::Warning, question,
                                {tr("&Restore"), tr("&Show Changes"), tr("&Delete"), tr("&Keep")},
                                3)) {
            case 0: {
                std::string error;
                if (!RestoreBackup(CorePath(path), copy, error))
                    Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                                     tr("The copy was not restored: %1").arg(ToQt(error)));
                asked = true;
                break;
            }
            case 1: {
                CFileBuffer now, old;
                now.LoadFile(CorePath(path));
                old.LoadFile(copy);
                const std::string changes = LineDiff(now.View(), old.View());
                Ui().ShowText(parent, tr("Changes"),
                              changes.empty() ? tr("The copy is the same as the file.")
                                              : tr("Lines of the file (-) and of the copy (+):") +
                                                    "\n\n" + ToQt(changes));
                break;
            }
            case 2:
                RemoveBackup(copy);
                asked = true;
                break;
            default: // kept: asked again next time
                asked = true;
            }
        }
    }
}

bool CZeqEditorDoc::OnOpenDocument(const QString& path, QWidget* parent) {
    OfferBackups(path, parent);
    // Into a model of its own: a file that does not open leaves the document
    // as it was. Read away from the window, which repaints meanwhile; a long
    // one is shown in the status bar.
    CPlanData loaded;
    CPlanFileReport report(&m_context.PlanTypes(), &m_context.Units());
    CKeptLayout kept;
    Diagnostic error;
    bool ok = false;
    std::string unparsed; // the text of a file that was read but does not parse
    {
        CWaitCursor wait;
        m_opening = true;
        RunAwayFromTheWindow(
            [&] {
                CFileBuffer file;
                const bool read = file.LoadFile(CorePath(path));
                if (!read) error = {0, file.LastError()};
                // Loaded and mapped in one read of the text.
                std::string text = read ? file.Detach() : std::string();
                ok = read && kept.Load(text, loaded, &report, &error);
                if (!ok && read && text.find('\0') == std::string::npos) unparsed = std::move(text);
            },
            m_busyPatience,
            [&] { emit Busy(tr("Opening %1...").arg(QFileInfo(path).fileName())); });
        m_opening = false;
        emit Busy({});
    }
    if (!ok) {
        const QString message = tr("Failed to open document.") + "\n\n" + path + "\n" +
                                LineMessage(error.line, ToQt(error.message));
        // A typo must not lock the user out of their file: it is mended
        // where it is seen.
        if (unparsed.empty() || !m_mend) {
            Ui().ShowMessage(parent, IUiServices::Icon::Warning, message);
            return false;
        }
        return Ui().Choose(parent, IUiServices::Icon::Warning, message,
                           {tr("Open in &Source Editor"), tr("&Close")}, 0) == 0 &&
               m_mend(QFileInfo(path).absoluteFilePath(), unparsed, error.line);
    }
    m_kept = std::move(kept);
    m_diskText.reset();
    m_data = std::move(loaded);
    m_report = std::move(report);
    SetPath(QFileInfo(path).absoluteFilePath());
    m_stamp = StampOf(m_path, m_kept.Text());
    StartAfresh(true);
    emit FileUsed(m_path);
    return true;
}

// A loaded model as the document, with the text it came from mapped to its
// records (which keep their places in memory as the model moves in).
void CZeqEditorDoc::Adopt(CPlanData data, CPlanFileReport report, std::string text) {
    CWaitCursor wait;
    m_kept.Map(std::move(text), data.plans.InOrder());
    m_data = std::move(data);
    m_report = std::move(report);
}

bool CZeqEditorDoc::Recover(const CRecoveryFile& record, QWidget* parent) {
    CPlanData loaded;
    CPlanFileReport report(&m_context.PlanTypes(), &m_context.Units());
    Diagnostic error;
    if (!loaded.LoadText(record.text, &error, &report)) {
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("The recovered text cannot be read as a plan file.\n\n%1")
                             .arg(LineMessage(error.line, ToQt(error.message))));
        return false;
    }
    Adopt(std::move(loaded), std::move(report), record.text);
    SetPath(record.path.isEmpty() ? QString() : QFileInfo(record.path).absoluteFilePath());
    // The file as the lost session knew it: what another program wrote
    // since is asked about on Save, not overwritten unseen.
    m_diskText = record.base;
    m_stamp = {record.size, record.modified, HashOf(record.base)};
    StartAfresh(true);
    SetModifiedFlag(true);
    if (!m_path.isEmpty()) emit FileUsed(m_path);
    return true;
}

std::optional<std::string> CZeqEditorDoc::SourceDraft() const {
    return m_sourceDraft ? m_sourceDraft() : std::nullopt;
}

void CZeqEditorDoc::SetSourceDraft(std::function<std::optional<std::string>()> draft) {
    m_sourceDraft = std::move(draft);
    emit SourceDraftChanged();
}

bool CZeqEditorDoc::MayOverwrite(const QString& path, QWidget* parent) {
    const QFileInfo file(path);
    if (m_path.isEmpty() || file.absoluteFilePath() != m_path || !file.exists() || m_stamp.size < 0)
        return true;
    if (file.size() == m_stamp.size && file.lastModified() == m_stamp.modified) return true;
    CFileBuffer now;
    const bool read = now.LoadFile(CorePath(path)) || now.LastError() == "the file is empty";
    if (read && StampOf(path, now.View()).hash == m_stamp.hash) return true; // touched, not changed
    const QString question = tr("%1 has been changed by another program since it was opened. "
                                "Merge its changes with yours, or overwrite it?")
                                 .arg(QDir::toNativeSeparators(path));
    for (;;) {
        switch (Ui().Choose(parent, IUiServices::Icon::Warning, question,
                            {tr("&Merge"), tr("&Overwrite"), tr("&Cancel")}, 2)) {
        case 0:
            if (read && MergeWithDisk(now.Detach(), path, parent)) return true;
            if (!read)
                Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                                 tr("%1 cannot be read: %2")
                                     .arg(QDir::toNativeSeparators(path), ToQt(now.LastError())));
            continue;
        case 1:
            return true;
        default:
            return false;
        }
    }
}

bool CZeqEditorDoc::MergeWithDisk(const std::string& disk, const QString& path, QWidget* parent) {
    CWaitCursor wait;
    const TextMerge merge = MergeTexts(std::string(DiskText()), SaveText(), disk);
    QString why;
    if (!merge.loaded) {
        why = merge.unloaded == 2
                  ? tr("the file on disk does not load (%1)")
                        .arg(LineMessage(merge.error.line, ToQt(merge.error.message)))
                  : tr("the file as it was opened is not known");
    } else if (!merge.Clean()) {
        QStringList records;
        for (const MergeConflict& c : merge.conflicts)
            records << ToQt(c.record + (c.field.empty() ? "" : ": " + c.field));
        if (merge.leftOver) records << tr("lines that cannot be placed");
        why = tr("both changed the same values:\n%1").arg(records.join('\n'));
    }
    if (!why.isEmpty()) {
        wait.Release();
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("The changes cannot be merged: %1\n\nNothing was saved.").arg(why));
        return false;
    }
    CPlanData merged;
    if (!merged.LoadText(merge.text)) return false; // a clean merge loads; never expected
    ReplaceData(std::move(merged), merge.text, tr("Merge Changes on Disk"));
    // The file as it is now is what the merge started from.
    m_diskText = disk;
    m_stamp = StampOf(path, disk);
    return true;
}

int CZeqEditorDoc::AskAboutLosses(const QString& path, QWidget* parent, bool tidied) {
    const bool overOpened = !m_path.isEmpty() && QFileInfo(path).absoluteFilePath() == m_path;
    if (!tidied && (m_lossesConfirmed || !overOpened)) return 0;
    const QString name = path.isEmpty() ? Title() : QFileInfo(path).fileName();
    // What the canonical layout drops of the text the document came from
    // (with the edits, where they can be placed in it).
    std::string current;
    if (!m_kept.Write(m_data, current)) current = m_kept.Text();
    CPlanFileReport tidy(&m_context.PlanTypes(), &m_context.Units(), CPlanFileReport::Mode::Tidy);
    if (current.empty() || !tidy.Check(current) || !tidy.LosesAnything()) return 0;
    // Save Tidied asks before the file's name: go on to it, or not.
    if (tidied) {
        const LossQuestion question = DescribeLosses(
            tidy, name, tr("Choose where to save the tidied file next; the file as it is stays."));
        return Ui().Choose(parent, IUiServices::Icon::Warning, question.text,
                           {tr("Save &Tidied..."), tr("&Cancel")}, 0, question.details) == 0
                   ? 0
                   : 2;
    }
    const LossQuestion question =
        DescribeLosses(tidy, name, tr("Save As... keeps the original file as it is."));
    const int choice =
        Ui().Choose(parent, IUiServices::Icon::Warning, question.text,
                    {tr("&Save"), tr("Save &As..."), tr("&Cancel")}, 0, question.details);
    if (choice == 0) m_lossesConfirmed = true; // not asked again for this document
    return choice;
}

bool CZeqEditorDoc::OnSaveDocument(const QString& path, QWidget* parent, bool tidied) {
    // A pipe or a device could keep the window waiting, and is no plan file.
    if (const QFileInfo target(path); target.exists() && !target.isFile()) {
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("Failed to save document.") + "\n\n" +
                             tr("%1 is not a regular file.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (!MayOverwrite(path, parent)) return false;
    // The layout kept, or else the canonical one. Written once: a large
    // file's text is not made twice, nor held twice. Where it is sure to load
    // as the document without being read whole, it is written as it is made,
    // and not held next to the text kept at all.
    std::string text;
    std::vector<const PlanEntry*> order;
    bool inPieces = false, kept = false;
    const auto keepLayout = [&] {
        inPieces = !tidied && m_kept.WritesInPieces(m_data, &order);
        kept = inPieces || (!tidied && m_kept.Write(m_data, text, &order));
    };
    keepLayout();
    // Save Tidied asked already, before the name.
    if (!tidied && !kept) {
        switch (AskAboutLosses(path, parent, false)) {
        case 0: // nothing to lose, or the user agreed
            break;
        case 1:
            return DoSaveAs(parent);
        default:
            return false;
        }
    }
    if (!m_data.start.IsValid()) {
        switch (Ui().AskYesNoCancel(parent, tr("This document has no valid Start section yet. "
                                               "Edit the Start section now?"))) {
        case IUiServices::Answer::Yes:
            if (m_startCheat) m_startCheat();
            if (!m_data.start.IsValid()) return false;
            keepLayout(); // with the Start edited
            break;
        case IUiServices::Answer::No:
            break;
        case IUiServices::Answer::Cancel:
            return false;
        }
    }
    CWaitCursor wait;
    // The canonical layout sorts the plans in memory too (the order the
    // list shows already).
    if (!kept) {
        m_data.plans.SortPlansByPriority();
        text = m_data.Text();
        order = PlanOrder();
    }
    QCryptographicHash made(QCryptographicHash::Sha1); // of the bytes written in pieces
    const FilePieces pieces = [&](const std::function<bool(std::string_view)>& put) {
        made.reset();
        return m_kept.WriteTo(m_data, [&](std::string_view piece) {
            made.addData(QByteArrayView(piece.data(), qsizetype(piece.size())));
            return put(piece);
        });
    };
    if (std::string error; !(inPieces ? SaveFileSafely(CorePath(path), pieces, error)
                                      : SaveFileSafely(CorePath(path), text, error))) {
        wait.Release();
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("Failed to save document.") + "\n\n" + path + "\n" +
                             QString::fromStdString(error));
        return false;
    }
    SetPath(QFileInfo(path).absoluteFilePath());
    m_diskText.reset();
    m_undo.setClean();
    m_kept.Clear(); // the text it kept is the file no more; mapped anew below
    if (inPieces && !ReadBackSaved(made.result(), text)) {
        // Another program wrote the file in between: its text is not taken
        // for what was saved, so the next save asks before it overwrites it.
        m_stamp = {qint64(QFileInfo(m_path).size()), QDateTime(), QByteArray()};
        m_report.Clear();
        emit ReportChanged(false);
        emit FileUsed(m_path);
        return true;
    }
    m_stamp = StampOf(m_path, text);
    // The file now holds what was saved: the document comes from that text,
    // and the report is on it, its findings pointing at the document's own
    // records (in the order the text lists them).
    std::vector<const MatchEntry*> matches;
    for (const auto& match : m_data.matches.All())
        matches.push_back(match.get());
    m_kept.Map(std::move(text), order, m_report, matches);
    emit ReportChanged(false);
    emit FileUsed(m_path);
    return true;
}

bool CZeqEditorDoc::ReadBackSaved(const QByteArray& hash, std::string& text) const {
    CFileBuffer saved;
    if (!saved.LoadFile(CorePath(m_path)) && saved.LastError() != "the file is empty") return false;
    text = saved.Detach();
    return QCryptographicHash::hash(QByteArrayView(text.data(), qsizetype(text.size())),
                                    QCryptographicHash::Sha1) == hash;
}

bool CZeqEditorDoc::DoFileSave(QWidget* parent) {
    if (m_path.isEmpty()) return DoSaveAs(parent);
    return OnSaveDocument(m_path, parent);
}

QString CZeqEditorDoc::AskSaveTarget(QWidget* parent, const QString& title) const {
    QString path =
        Ui().GetSaveFileName(parent, m_path.isEmpty() ? Title() + ".zeq" : m_path, title);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += ".zeq";
    return path;
}

bool CZeqEditorDoc::DoSaveAs(QWidget* parent) {
    const QString path = AskSaveTarget(parent);
    return !path.isEmpty() && OnSaveDocument(path, parent);
}

bool CZeqEditorDoc::DoSaveTidied(QWidget* parent) {
    if (AskAboutLosses(m_path, parent, true) != 0) return false;
    const QString path = AskSaveTarget(parent, tr("Save Tidied"));
    return !path.isEmpty() && OnSaveDocument(path, parent, true);
}

bool CZeqEditorDoc::SaveModified(QWidget* parent) {
    if (!IsModified()) return true;
    switch (Ui().AskSaveChanges(parent, tr("Save changes to %1?").arg(Title()))) {
    case IUiServices::Answer::Yes:
        return DoFileSave(parent);
    case IUiServices::Answer::No:
        return true;
    case IUiServices::Answer::Cancel:
        break;
    }
    return false;
}

// --- The edits ------------------------------------------------------------

const PlanEntry* CZeqEditorDoc::AddPlan(PlanEntry plan) {
    std::vector<PlanEntry> one;
    one.push_back(std::move(plan));
    AddPlans(std::move(one), tr("New Plan"));
    return m_data.plans.All().empty() ? nullptr : m_data.plans.All().back().get();
}

void CZeqEditorDoc::AddPlans(std::vector<PlanEntry> plans, const QString& text,
                             std::vector<std::string> written) {
    Taken<PlanEntry> added;
    for (std::size_t i = 0; i < plans.size(); ++i)
        if (auto entry = PlanList::MakePlan(std::move(plans[i]))) {
            if (i < written.size() && !written[i].empty())
                m_kept.Pasted(*entry, std::move(written[i]));
            added.emplace_back(m_data.plans.CountPlans() + added.size(), std::move(entry));
        }
    if (!added.empty()) m_undo.push(new CRecordsCommand<PlanEntry>(*this, text, std::move(added)));
}

void CZeqEditorDoc::ChangePlan(const PlanEntry* plan, PlanEntry value) {
    if (*plan == value) return;
    auto held = std::make_shared<PlanEntry>(std::move(value));
    m_undo.push(new CSwapCommand(tr("Edit Plan"), [this, plan, held] {
        Swap(plan, *held);
        Select({plan}, {});
    }));
}

void CZeqEditorDoc::RemovePlans(const std::vector<const PlanEntry*>& plans, const QString& text) {
    if (!plans.empty()) m_undo.push(new CRecordsCommand<PlanEntry>(*this, text, plans));
}

bool CZeqEditorDoc::MovePlan(const PlanEntry* moved, const PlanEntry* neighbour, bool up,
                             const QString& text) {
    std::optional<Priorities> moves = MovedPriorities(m_data.plans.InOrder(), moved, neighbour, up);
    if (!moves) return false;
    m_undo.push(new CSwapCommand(text, [this, moved, state = std::move(*moves)]() mutable {
        Priorities previous;
        for (const auto& [plan, priority] : state)
            previous.emplace_back(plan, plan->priority);
        SetPriorities(state, {});
        state = std::move(previous);
        Select({moved}, {});
    }));
    return true;
}

void CZeqEditorDoc::ArrangePriorities() {
    if (m_data.plans.CountPlans() == 0) return;
    std::vector<const PlanEntry*> order = m_data.plans.SortedByPriority();
    Priorities priorities;
    std::uint64_t rank = order.size();
    for (const PlanEntry* plan : order)
        priorities.emplace_back(plan, ArrangedPriority(rank--, order.size(), kPriorityStep));
    // The command holds the other state: priorities and order go back and forth.
    m_undo.push(
        new CSwapCommand(tr("Auto-arrange Priorities"), [this, priorities, order]() mutable {
            Priorities previous;
            std::vector<const PlanEntry*> previousOrder;
            for (const auto& plan : m_data.plans.All()) {
                previous.emplace_back(plan.get(), plan->priority);
                previousOrder.push_back(plan.get());
            }
            SetPriorities(priorities, order);
            priorities = std::move(previous);
            order = std::move(previousOrder);
        }));
}

const MatchEntry* CZeqEditorDoc::AddMatch(MatchEntry match) {
    std::vector<MatchEntry> one;
    one.push_back(std::move(match));
    AddMatches(std::move(one), tr("New Match"));
    return m_data.matches.All().empty() ? nullptr : m_data.matches.All().back().get();
}

void CZeqEditorDoc::AddMatches(std::vector<MatchEntry> matches, const QString& text) {
    Taken<MatchEntry> added;
    for (const MatchEntry& match : matches)
        added.emplace_back(m_data.matches.CountMatches() + added.size(),
                           MatchList::MakeMatch(match));
    if (!added.empty()) m_undo.push(new CRecordsCommand<MatchEntry>(*this, text, std::move(added)));
}

void CZeqEditorDoc::ChangeMatch(const MatchEntry* match, MatchEntry value) {
    if (*match == value) return;
    auto held = std::make_shared<MatchEntry>(std::move(value));
    m_undo.push(new CSwapCommand(tr("Edit Match"), [this, match, held] {
        Swap(match, *held);
        Select({}, {match});
    }));
}

void CZeqEditorDoc::RemoveMatches(const std::vector<const MatchEntry*>& matches,
                                  const QString& text) {
    if (!matches.empty()) m_undo.push(new CRecordsCommand<MatchEntry>(*this, text, matches));
}

void CZeqEditorDoc::SetStart(StartSection start) {
    if (start == m_data.start) return;
    auto held = std::make_shared<StartSection>(std::move(start));
    m_undo.push(new CSwapCommand(tr("Edit Start & Cheat"), [this, held] { Swap(*held); }));
}

void CZeqEditorDoc::ReplaceData(CPlanData data, std::string text) {
    ReplaceData(std::move(data), std::move(text), tr("Edit Source"));
}

bool CZeqEditorDoc::RemoveByteOrderMark() {
    std::string text = SaveText();
    if (!text.starts_with(kByteOrderMark)) return false;
    text.erase(0, kByteOrderMark.size());
    CPlanData data;
    if (!data.LoadText(text)) return false;
    ReplaceData(std::move(data), std::move(text), tr("Remove Byte-Order Mark"));
    return true;
}

void CZeqEditorDoc::ReplaceData(CPlanData data, std::string text, const QString& undoText) {
    struct Held {
        CPlanData data;
        CKeptLayout kept;
    };
    auto held = std::make_shared<Held>();
    held->data = std::move(data);
    held->kept.Map(std::move(text), held->data.plans.InOrder());
    m_undo.push(new CSwapCommand(undoText, [this, held] { Swap(held->data, held->kept); }));
}

// --- What the undo commands run ----------------------------------------

void CZeqEditorDoc::Put(Taken<PlanEntry>& plans) {
    emit PlansInserted(ListOf(m_data.plans.Put(plans)));
    PostUpdateCounts();
}

Taken<PlanEntry> CZeqEditorDoc::Take(const std::vector<const PlanEntry*>& plans) {
    emit PlansAboutToBeRemoved(QList<const PlanEntry*>(plans.begin(), plans.end()));
    Taken<PlanEntry> taken = m_data.plans.Take(plans);
    PostUpdateCounts();
    return taken;
}

void CZeqEditorDoc::Put(Taken<MatchEntry>& matches) {
    emit MatchesInserted(ListOf(m_data.matches.Put(matches)));
    PostUpdateCounts();
}

Taken<MatchEntry> CZeqEditorDoc::Take(const std::vector<const MatchEntry*>& matches) {
    emit MatchesAboutToBeRemoved(QList<const MatchEntry*>(matches.begin(), matches.end()));
    Taken<MatchEntry> taken = m_data.matches.Take(matches);
    PostUpdateCounts();
    return taken;
}

void CZeqEditorDoc::Swap(const PlanEntry* plan, PlanEntry& value) {
    std::swap(*const_cast<PlanEntry*>(plan), value);
    emit PlansChanged({plan});
}

void CZeqEditorDoc::Swap(const MatchEntry* match, MatchEntry& value) {
    std::swap(*const_cast<MatchEntry*>(match), value);
    emit MatchesChanged({match});
}

void CZeqEditorDoc::Swap(StartSection& start) {
    std::swap(m_data.start, start);
}

void CZeqEditorDoc::Swap(CPlanData& data, CKeptLayout& kept) {
    if (!m_diskText) m_diskText = m_kept.Text();
    std::swap(m_data, data);
    std::swap(m_kept, kept);
    ++m_generation;
    emit Reset();
    PostUpdateCounts();
}

void CZeqEditorDoc::SetPriorities(const Priorities& priorities,
                                  const std::vector<const PlanEntry*>& order) {
    QList<const PlanEntry*> changed;
    for (const auto& [plan, priority] : priorities) {
        const_cast<PlanEntry*>(plan)->priority = priority; // the document owns its plans
        changed.append(plan);
    }
    if (!order.empty()) m_data.plans.SetOrder(order);
    emit PlansChanged(changed);
}

void CZeqEditorDoc::Select(QList<const PlanEntry*> plans, QList<const MatchEntry*> matches) {
    emit SelectRequested(plans, matches);
}
