#include "reloadwatch.h"

#include "filebuffer.h"
#include "filewatch.h"
#include "keptlayout.h"
#include "plandiff.h"
#include "qtext.h"
#include "sourceeditordlg.h"
#include "syntaxedit.h"
#include "uiservices.h"
#include "zeqeditordoc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

CReloadWatch::CReloadWatch(CZeqEditorDoc& document, QWidget* window)
    : QObject(window), m_document(document), m_window(window), m_watch(new CFileWatch(this)),
      m_retry(new QTimer(this)) {
    // Opened or saved: the file as it now is, is the document's.
    connect(&m_document, &CZeqEditorDoc::FileUsed, m_watch, &CFileWatch::Watch);
    connect(&m_document, &CZeqEditorDoc::TitleChanged, this, [this] {
        if (m_document.PathName().isEmpty()) m_watch->Forget();
    });
    connect(m_watch, &CFileWatch::Changed, this, &CReloadWatch::AskToReload);
    connect(m_watch, &CFileWatch::Removed, this, [this](const QString& path) {
        emit StatusMessage(tr("%1 has been deleted on disk; saving writes it again.")
                               .arg(QFileInfo(path).fileName()));
    });
    m_retry->setSingleShot(true);
    m_retry->setInterval(250);
    connect(m_retry, &QTimer::timeout, this, [this] {
        // Another document meanwhile: the question is no longer about it.
        if (m_pendingGeneration == m_document.Generation()) AskToReload(m_pendingPath);
    });
}

void CReloadWatch::AskToReload(const QString& path) {
    QWidget* modal = QApplication::activeModalWidget();
    auto* source = qobject_cast<CSourceEditorDlg*>(modal);
    if ((modal && !source) || m_document.IsOpening()) {
        m_pendingPath = path;
        m_pendingGeneration = m_document.Generation();
        m_retry->start();
        return;
    }
    const bool modified = m_document.IsModified();
    const bool drafted = source && source->Editor()->document()->isModified();
    QString question =
        tr("%1 has been changed on disk. Reload it?").arg(QDir::toNativeSeparators(path));
    if (modified) question += "\n\n" + tr("Your unsaved changes to it will be lost.");
    if (drafted)
        question += "\n\n" + tr("The source editor has changes that are not applied yet; "
                                "reloading closes it and they are lost.");
    // Reloading is the default only where it loses nothing of the user's.
    QWidget* parent = source ? static_cast<QWidget*>(source) : m_window;
    int answer;
    while ((answer = Ui().Choose(parent, IUiServices::Icon::Question, question,
                                 {tr("&Reload"), tr("&Show Changes"), tr("&No")},
                                 modified || drafted ? 2 : 0)) == 1)
        Ui().ShowText(parent, tr("Changes on disk"), ChangesOnDisk(path));
    if (answer == 0) {
        if (source) source->done(QDialog::Rejected);
        m_document.OnOpenDocument(path, m_window);
        return;
    }
    // Kept: what the window shows is not what the file holds any more.
    m_document.SetModifiedFlag();
}

QString CReloadWatch::ChangesOnDisk(const QString& path) const {
    CFileBuffer buffer;
    CPlanData disk;
    CKeptLayout diskText;
    Diagnostic error;
    if (!buffer.LoadFile(CorePath(path)))
        return tr("The file cannot be read: %1").arg(ToQt(buffer.LastError()));
    if (!disk.LoadText(buffer.View(), &error))
        return tr("The file on disk does not load (line %1: %2).")
            .arg(error.line)
            .arg(ToQt(error.message));
    diskText.Map(buffer.Detach(), disk.plans.InOrder());
    const CKeptLayout& kept = m_document.Kept();
    CPlanDiff diff;
    diff.Compare(m_document.Data(), disk, kept.IsMapped() ? &kept : nullptr, &diskText,
                 kept.IsMapped());
    if (diff.Changes().empty())
        return tr("The file on disk reads the same as the document; only its layout differs.");
    return tr("From the document to the file on disk:") + "\n\n" + ToQt(diff.Text());
}
