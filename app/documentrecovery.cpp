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
std::unique_ptr<QLockFile> TakeLock(const QString& name) {
    auto lock = std::make_unique<QLockFile>(name);
    lock->setStaleLockTime(0); // held as long as the editor runs, however long
    return lock->tryLock(0) ? std::move(lock) : nullptr;
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
      m_timer(new QTimer(this)) {
    static int sessions = 0;
    const QString folder = CRecoveryFile::Folder();
    if (!folder.isEmpty()) {
        m_file = QDir(folder).filePath(QStringLiteral("%1-%2%3")
                                           .arg(QCoreApplication::applicationPid())
                                           .arg(++sessions)
                                           .arg(CRecoveryFile::kSuffix));
        m_ownLock = TakeLock(m_file + ".lock");
    }
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CDocumentRecovery::WriteNow);
    connect(&m_document.UndoStack(), &QUndoStack::indexChanged, this, &CDocumentRecovery::Restart);
    // Saved, given up, or replaced by another file: nothing left to recover.
    connect(&m_document.UndoStack(), &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean) Discard();
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

bool CDocumentRecovery::MayOpen(const QString& path) {
    const QString name = LockName(path);
    if (name == m_fileLockName) return true; // open here already
    m_pendingName = name;
    if ((m_pendingLock = TakeLock(name))) return true;
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
            .arg(record.DocumentName(),
                 QLocale().toString(record.written.toLocalTime(), QLocale::ShortFormat));
    if (const QFileInfo disk(record.path);
        !record.path.isEmpty() && disk.exists() && disk.lastModified() > record.written)
        question +=
            "\n\n" + tr("%1 has been changed on disk since then.").arg(record.DocumentName());
    for (;;) {
        switch (Ui().Choose(m_window, IUiServices::Icon::Question, question,
                            {tr("&Recover"), tr("&Discard"), tr("&Show Changes"), tr("&Later")},
                            0)) {
        case 0: // into the document, unsaved; kept here before the old file goes
            if (!m_document.SaveModified(m_window) ||
                !m_document.Recover(record.path, record.text, m_window))
                return;
            WriteNow();
            QFile::remove(file);
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

void CDocumentRecovery::Restart() {
    const int delay = m_settings.RecoveryDelay();
    if (delay > 0 && m_document.IsModified() && !m_file.isEmpty()) m_timer->start(delay * 1000);
}

void CDocumentRecovery::WriteNow() {
    if (m_file.isEmpty() || !m_document.IsModified()) return;
    if (m_writing) { // one at a time: the latest text once this one is done
        m_timer->start(100);
        return;
    }
    CRecoveryFile record;
    record.path = m_document.PathName();
    record.written = QDateTime::currentDateTimeUtc();
    record.size = m_document.Stamp().size;
    record.modified = m_document.Stamp().modified;
    record.text = m_document.RecoveryText();
    // The disk's part away from the window, so that typing never waits on it.
    m_writing = true;
    auto* watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcher<bool>::finished, this, [this, watcher] {
        m_writing = false;
        watcher->deleteLater();
        // Saved or given up while it was written: it must not stay.
        if (!m_document.IsModified()) QFile::remove(m_file);
    });
    watcher->setFuture(QtConcurrent::run(
        [record = std::move(record), file = m_file] { return record.Write(file); }));
}

void CDocumentRecovery::Discard() {
    m_timer->stop();
    if (m_file.isEmpty()) return;
    QFile::remove(m_file);
}
