#include "documentrecovery.h"

#include "appsettings.h"
#include "filebuffer.h"
#include "linediff.h"
#include "qtext.h"
#include "recoveryfile.h"
#include "uiservices.h"
#include "zeqeditordoc.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLocale>
#include <QLockFile>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// A lock nobody else holds; a lock of a process that is gone is taken over.
// `held` tells a lock that another editor holds from one that cannot be
// made (a full or unwritable folder).
std::unique_ptr<QLockFile> TakeLock(const QString& name, bool* held = nullptr) {
    auto lock = std::make_unique<QLockFile>(name);
    lock->setStaleLockTime(0); // held as long as the editor runs, however long
    if (lock->tryLock(0)) return lock;
    if (held) *held = lock->error() == QLockFile::LockFailedError;
    return nullptr;
}

// However steadily the user types, a copy is written this long after the
// first unsaved edit at the latest (a few pauses' worth, at most 10 s).
int DeadlineMs(int pauseSeconds) {
    return std::min(5 * pauseSeconds, std::max(pauseSeconds, 10)) * 1000;
}

// The same file however it is named.
QString Canonical(const QString& path) {
    const QFileInfo file(path);
    return file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
}

} // namespace

CDocumentRecovery::CDocumentRecovery(CZeqEditorDoc& document, const CAppSettings& settings,
                                     QWidget* window)
    : QObject(window), m_document(document), m_settings(settings), m_window(window),
      m_timer(new QTimer(this)), m_deadline(new QTimer(this)) {
    static int sessions = 0;
    // Named even where the folder cannot be made now: it is tried again.
    m_file = QDir(CRecoveryFile::FolderName())
                 .filePath(QStringLiteral("%1-%2%3")
                               .arg(QCoreApplication::applicationPid())
                               .arg(++sessions)
                               .arg(CRecoveryFile::kSuffix));
    if (!CRecoveryFile::Folder().isEmpty()) {
        SweepLocks();
        m_ownLock = TakeLock(m_file + ".lock");
    }
    for (QTimer* timer : {m_timer, m_deadline}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &CDocumentRecovery::WriteNow);
    }
    connect(&m_document.UndoStack(), &QUndoStack::indexChanged, this, &CDocumentRecovery::Restart);
    connect(&m_document, &CZeqEditorDoc::SourceDraftChanged, this, &CDocumentRecovery::Restart);
    // Saved, given up, or replaced by another file: nothing left to recover.
    connect(&m_document.UndoStack(), &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean && !HasWork()) Discard();
    });
    // The lock goes with the file the document has: taken when it was
    // opened (or saved under a new name), let go for an untitled one.
    connect(&m_document, &CZeqEditorDoc::FileUsed, this, [this](const QString& path) {
        const QString name = LockName(path);
        if (name == m_fileLockName) return;
        if (name == m_pendingName) {
            m_fileLock = std::move(m_pendingLock);
        } else {
            m_fileLock = TakeLock(name);
        }
        m_fileLockName = name;
        m_pendingName.clear();
    });
    connect(&m_document, &CZeqEditorDoc::TitleChanged, this, [this] {
        if (!m_document.PathName().isEmpty()) return;
        m_fileLock.reset();
        m_fileLockName.clear();
    });
}

QString CDocumentRecovery::LockName(const QString& path) {
    const QByteArray key =
        QCryptographicHash::hash(Canonical(path).toUtf8(), QCryptographicHash::Sha1);
    return QDir(CRecoveryFile::Folder()).filePath(QString::fromLatin1(key.toHex()) + ".open.lock");
}

void CDocumentRecovery::SweepLocks() const {
    const QDir folder(CRecoveryFile::FolderName());
    for (const QString& name : folder.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        const QString path = folder.filePath(name);
        if (path == m_file + ".lock") continue;
        if (const auto lock = TakeLock(path)) lock->unlock(); // which removes it
    }
}

bool CDocumentRecovery::MayOpen(const QString& path) {
    const QString name = LockName(path);
    if (name == m_fileLockName) return true;                 // open here already
    if (name == m_pendingName && m_pendingLock) return true; // an open here that failed
    m_pendingName = name;
    bool held = false;
    if ((m_pendingLock = TakeLock(name, &held))) return true;
    if (!held) { // the folder, not another editor
        Written(tr("the recovery folder %1 cannot be written to")
                    .arg(QDir::toNativeSeparators(CRecoveryFile::FolderName())));
        return true;
    }
    return Ui().Choose(m_window, IUiServices::Icon::Warning,
                       tr("%1 is already open in another ZEQ Editor window.")
                           .arg(QDir::toNativeSeparators(path)),
                       {tr("&Open Anyway"), tr("&Cancel")}, 1) == 0;
}

void CDocumentRecovery::OfferLeftovers(const QString& path) {
    for (const QString& file : CRecoveryFile::All()) {
        if (file == m_file) continue;
        // A recovery file whose session still runs is that session's.
        const std::unique_ptr<QLockFile> lock = TakeLock(file + ".lock");
        if (!lock) continue;
        if (!path.isEmpty()) {
            CRecoveryFile record;
            QString problem;
            if (!record.Read(file, problem) || record.path.isEmpty() ||
                Canonical(record.path) != Canonical(path))
                continue;
        }
        Offer(file);
    }
    m_window->activateWindow(); // the keys go back to the window after the questions
}

void CDocumentRecovery::Offer(const QString& file) {
    CRecoveryFile record;
    QString problem;
    if (!record.Read(file, problem)) {
        // Never used, never a crash: the user's own file is not touched.
        if (Ui().Choose(m_window, IUiServices::Icon::Warning,
                        tr("A recovery file of ZEQ Editor cannot be used: %1.\n\n%2\n\n"
                           "Your own files are not touched.")
                            .arg(problem, QDir::toNativeSeparators(file)),
                        {tr("&Delete It"), tr("&Keep It")}, 1) == 0)
            QFile::remove(file);
        return;
    }
    QString question =
        tr("ZEQ Editor was closed without saving changes to %1 (%2).")
            .arg(record.DocumentPlace(),
                 QLocale().toString(record.written.toLocalTime(), QLocale::ShortFormat));
    if (record.source)
        question += "\n\n" + tr("The source editor held text that was not applied yet; it "
                                "opens there again.");
    if (const QFileInfo disk(record.path);
        !record.path.isEmpty() && disk.exists() && disk.lastModified() > record.written)
        question += "\n\n" + tr("%1 has been changed on disk since then; saving asks what to do.")
                                 .arg(record.DocumentName());
    // One document at a time: say which one recovering replaces.
    if (const QString open = m_document.PathName();
        !open.isEmpty() && Canonical(open) != Canonical(record.path))
        question +=
            "\n\n" +
            tr("Recovering it closes %1, which is open now.").arg(QDir::toNativeSeparators(open));
    for (;;) {
        switch (Ui().Choose(m_window, IUiServices::Icon::Question, question,
                            {tr("&Recover"), tr("&Discard"), tr("&Show Changes"), tr("&Later")},
                            0)) {
        case 0: // into the document, unsaved; kept here before the old file goes
            if (!m_document.SaveModified(m_window) || !m_document.Recover(record, m_window)) return;
            WriteNow();
            QFile::remove(file);
            if (record.source) emit SourceRecovered(ToQt(*record.source));
            return;
        case 1:
            QFile::remove(file);
            return;
        case 2:
            Ui().ShowText(m_window, tr("Changes in %1").arg(record.DocumentName()),
                          ChangesOf(record));
            continue;
        default: // kept for the next time
            return;
        }
    }
}

QString CDocumentRecovery::ChangesOf(const CRecoveryFile& recovered) const {
    CFileBuffer disk;
    const bool onDisk = !recovered.path.isEmpty() && disk.LoadFile(CorePath(recovered.path));
    const std::string changes = LineDiff(disk.View(), recovered.text);
    if (changes.empty()) return tr("The recovered text is the same as the file on disk.");
    const QString heading = onDisk
                                ? tr("Lines of the file on disk (-) and of the recovered text (+):")
                                : tr("The file is not on disk; the recovered text:");
    return heading + "\n\n" + ToQt(changes);
}

CDocumentRecovery::~CDocumentRecovery() = default;

bool CDocumentRecovery::HasWork() const {
    return m_document.IsModified() || m_document.SourceDraft();
}

void CDocumentRecovery::Restart() {
    const int delay = m_settings.RecoveryDelay();
    if (delay <= 0 || !HasWork()) return;
    m_timer->start(delay * 1000);
    if (!m_deadline->isActive()) m_deadline->start(DeadlineMs(delay));
}

void CDocumentRecovery::WriteNow() {
    m_timer->stop();
    m_deadline->stop();
    if (!HasWork()) return;
    if (m_writing) { // one at a time: the latest text once this one is done
        m_timer->start(100);
        return;
    }
    if (CRecoveryFile::Folder().isEmpty())
        return Written(tr("the recovery folder %1 cannot be made")
                           .arg(QDir::toNativeSeparators(CRecoveryFile::FolderName())));
    if (!m_ownLock) m_ownLock = TakeLock(m_file + ".lock");
    CRecoveryFile record;
    record.path = m_document.PathName();
    record.written = QDateTime::currentDateTimeUtc();
    record.size = m_document.Stamp().size;
    record.modified = m_document.Stamp().modified;
    record.text = m_document.RecoveryText();
    record.base = m_document.DiskText();
    record.source = m_document.SourceDraft();
    // The disk's part away from the window, so that typing never waits on it.
    m_writing = true;
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher] {
        m_writing = false;
        watcher->deleteLater();
        // Saved or given up while it was written: it must not stay.
        if (!HasWork()) QFile::remove(m_file);
        Written(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([record = std::move(record), file = m_file] {
        QString error;
        return record.Write(file, &error) ? QString() : error;
    }));
}

void CDocumentRecovery::Written(const QString& error) {
    if (error.isEmpty()) {
        if (!m_failure.isEmpty()) emit StatusMessage(tr("Unsaved work is protected again."));
        m_failure.clear();
        return;
    }
    // Said once, plainly; tried again at the next edit and every half minute.
    if (m_failure.isEmpty()) {
        const QString text =
            tr("Unsaved work is not being protected: ZEQ Editor cannot keep a recovery copy "
               "(%1). It keeps trying; save your work to keep it safe.")
                .arg(error);
        emit StatusMessage(text);
        Ui().ShowMessage(m_window, IUiServices::Icon::Warning, text);
    }
    m_failure = error;
    if (HasWork()) m_timer->start(30000);
}

void CDocumentRecovery::Discard() {
    m_timer->stop();
    m_deadline->stop();
    if (m_file.isEmpty()) return;
    QFile::remove(m_file);
}
