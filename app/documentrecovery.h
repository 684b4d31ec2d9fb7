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
// - while the document has unsaved changes, what Save would write is kept in
//   a recovery file of this session, a few seconds after the last edit; it
//   goes when the document is saved, given up or closed;
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

private:
    static QString LockName(const QString& path);
    void Restart();
    // One question about one left recovery file.
    void Offer(const QString& file);
    QString ChangesOf(const CRecoveryFile& recovered) const;

    CZeqEditorDoc& m_document;
    const CAppSettings& m_settings;
    QWidget* m_window;
    QTimer* m_timer;
    QString m_file;                        // this session's recovery file
    std::unique_ptr<QLockFile> m_ownLock;  // held while the session runs
    std::unique_ptr<QLockFile> m_fileLock; // the open file's
    QString m_fileLockName;
    std::unique_ptr<QLockFile> m_pendingLock; // the next file's, until it is open
    QString m_pendingName;
    bool m_writing = false;
};
