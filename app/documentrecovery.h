#pragma once

#include <QObject>
#include <QString>
#include <memory>

class CAppSettings;
class CRecoveryFile;
class CZeqEditorDoc;
class QLockFile;
class QTimer;
class QWidget;

// Unsaved work survives a crash, a kill or a power cut, and two editors do
// not overwrite each other's file:
// - while the document has unsaved changes (or the source editor text not
//   yet applied), what Save would write is kept in a recovery file of this
//   session, a few seconds after the last edit and never much later than
//   the first; it goes when the document is saved, given up or closed;
// - where the recovery folder cannot be written, the user is told once that
//   the work is not protected, and it is tried again;
// - recovery files that sessions left behind are offered: Recover, Discard or
//   Show Changes, on start and when their file is opened;
// - a file open here is locked, and another editor opening it is warned.
class CDocumentRecovery : public QObject {
    Q_OBJECT

public:
    CDocumentRecovery(CZeqEditorDoc& document, const CAppSettings& settings, QWidget* window);
    ~CDocumentRecovery() override;

    // Writes the recovery file now, as the timer would.
    void WriteNow();
    // This session's recovery file.
    QString FilePath() const { return m_file; }
    // The session ends cleanly: nothing of it needs recovering.
    void Discard();

    // One editor per file: false when another editor has it open and the
    // user would rather not open it here. Takes the file's lock otherwise.
    bool MayOpen(const QString& path);
    // The recovery files that ended sessions left, one question each (all of
    // them; or those of `path`, when it is given).
    void OfferLeftovers(const QString& path = {});

signals:
    // For the status bar: unsaved work is not protected, or is again.
    void StatusMessage(const QString& text);
    // A recovered text that was in the source editor, not applied: to be
    // shown there again.
    void SourceRecovered(const QString& text);

private:
    static QString LockName(const QString& path);
    // Something to keep: unsaved changes, or a source text not applied.
    bool HasWork() const;
    void Restart();
    // After each write: a failure is said once, until a write succeeds.
    void Written(const QString& error);
    // Lock files whose editor is gone.
    void SweepLocks() const;
    // One question about one left recovery file.
    void Offer(const QString& file);
    QString ChangesOf(const CRecoveryFile& recovered) const;

    CZeqEditorDoc& m_document;
    const CAppSettings& m_settings;
    QWidget* m_window;
    QTimer* m_timer;                       // a pause in the edits
    QTimer* m_deadline;                    // or at the latest this long after the first one
    QString m_file;                        // this session's recovery file
    std::unique_ptr<QLockFile> m_ownLock;  // held while the session runs
    std::unique_ptr<QLockFile> m_fileLock; // the open file's
    QString m_fileLockName;
    std::unique_ptr<QLockFile> m_pendingLock; // the next file's, until it is open
    QString m_pendingName;
    bool m_writing = false;
    QString m_failure; // why the last write failed; empty while they succeed
};
