#include "zeqeditorapp.h"

#include "aboutdlg.h"
#include "catalogs.h"
#include "documentrecovery.h"
#include "filewatch.h"
#include "mainframe.h"
#include "modcommands.h"
#include "modfolder.h"
#include "qtext.h"
#include "recoveryfile.h"
#include "uiservices.h"
#include "waitcursor.h"
#include "zeqeditordoc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

SettingsPlace DefaultSettingsPlace() {
    const QString program = QCoreApplication::applicationFilePath();
#if defined(Q_OS_WIN)
    // The roaming profile, where Windows programs keep what follows the user.
    const QString folder =
        QDir(qEnvironmentVariable("APPDATA")).filePath(QStringLiteral("zeq-editor"));
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
    QDir().mkpath(folder);
    const QString fallback = QDir(folder).filePath(QStringLiteral("zeq-editor.cfg"));
    return SettingsPlaceFor(CorePath(program), CorePath(fallback));
}

} // namespace

CZeqEditorApp::CZeqEditorApp()
    : m_plansWatch(new CFileWatch(this)), m_unitsWatch(new CFileWatch(this)) {
#if defined(__GLIBC__)
    // Large blocks (a file's text, the parser's buffer) mapped on their own
    // and given back when freed, as in zeq: glibc would otherwise keep them
    // in the heap after the first, 12 MB more at the save of a large file.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // One heap for every thread. A file is opened on a worker thread, which
    // glibc gives a heap of its own: the parse's blocks freed there were no
    // use to the save's parse on this thread: 5 MB more at a large file's save.
    mallopt(M_ARENA_MAX, 1);
#endif
    // A catalog changed on disk (the modder added a unit): read again, and
    // an unchanged document checked again against it.
    for (CFileWatch* watch : {m_plansWatch, m_unitsWatch}) {
        connect(watch, &CFileWatch::Changed, this, [this] {
            LoadCatalogs(QCoreApplication::applicationDirPath(), m_catalogFolder);
            ShowCatalogs();
            if (!m_document || m_document->PathName().isEmpty()) return;
            if (m_document->IsModified())
                m_frame->ShowStatusMessage(tr("A catalog changed on disk; the Issues panel "
                                              "checks against it from the next save or open."));
            else
                m_document->OnOpenDocument(m_document->PathName(), m_frame.get());
        });
    }
}

CZeqEditorApp::~CZeqEditorApp() {
    m_frame.reset();
    m_document.reset();
}

void CZeqEditorApp::LoadCatalogs(const QString& programFolder, const QString& fileFolder) {
    m_catalogNotes.clear();
    m_catalogFolder = fileFolder;
    std::vector<std::string> folders = CCatalogs::Folders(CorePath(programFolder));
    if (!fileFolder.isEmpty()) {
        const std::vector<std::string> mod = FoldersUpTo(
            CorePath(fileFolder), CorePath(m_modFolder.isEmpty() ? fileFolder : m_modFolder));
        folders.insert(folders.begin(), mod.begin(), mod.end());
    }
    // A file that is there but does not read is skipped for the next place,
    // and the user hears of it; when no place gives a catalog, it is empty.
    auto note = [this](const char* name, const CCatalogs::Found& found) {
        auto shown = [](const std::string& path) {
            return QFileInfo(QString::fromStdString(path)).absoluteFilePath();
        };
        QStringList skipped;
        for (const auto& [path, error] : found.skipped)
            skipped << tr("%1: %2").arg(shown(path), LineMessage(error.line, ToQt(error.message)));
        if (!found.path.empty()) {
            for (const QString& why : skipped)
                m_catalogNotes.append(
                    {false, tr("%1 (skipped; %2 was read instead)").arg(why, shown(found.path))});
            return;
        }
        if (skipped.isEmpty()) skipped << tr("%1 was not found").arg(QString::fromLatin1(name));
        for (const QString& why : skipped)
            m_catalogNotes.append({true, why});
    };
    auto use = [](const CCatalogs::Found& found, QString& path, CFileWatch* watch) {
        path = found.path.empty()
                   ? QString()
                   : QFileInfo(QString::fromStdString(found.path)).absoluteFilePath();
        if (path.isEmpty())
            watch->Forget();
        else
            watch->Watch(path);
        return found;
    };
    note("Units.dat", use(CCatalogs::FindFirst(CCatalogs::Places(folders, "Units.dat"), m_units),
                          m_unitsPath, m_unitsWatch));
    note("Plans.dat",
         use(CCatalogs::FindFirst(CCatalogs::Places(folders, "Plans.dat"), m_planTypes),
             m_plansPath, m_plansWatch));
}

QString CZeqEditorApp::CatalogsInUse() const {
    auto shown = [this](const QString& path) {
        return path.isEmpty() ? tr("none found") : QDir::toNativeSeparators(path);
    };
    return tr("Plan types: %1\nUnits: %2").arg(shown(m_plansPath), shown(m_unitsPath));
}

void CZeqEditorApp::UseCatalogsFor(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (folder == m_catalogFolder) return;
    LoadCatalogs(QCoreApplication::applicationDirPath(), folder);
    ShowCatalogs();
}

void CZeqEditorApp::ShowCatalogs() {
    if (!m_frame) return;
    m_frame->ShowCatalogNotes(m_catalogNotes);
    m_frame->SetCatalogsInUse(CatalogsInUse());
}

bool CZeqEditorApp::InitInstance(const Options& options) {
    CWaitCursor wait;
    const SettingsPlace place = options.settingsPath.isEmpty()
                                    ? DefaultSettingsPlace()
                                    : SettingsPlace{CorePath(options.settingsPath), {}};
    m_settings.SetPath(place.path);
    if (m_settings.Create(place.defaults))
        m_settingsTakenFrom = QString::fromStdString(place.defaults);
    CRecoveryFile::UseStandardFolder();
    LoadCatalogs(QCoreApplication::applicationDirPath());
    m_recentFiles.ReadFrom(m_settings.File());

    m_document = std::make_unique<CZeqEditorDoc>(m_context);
    connect(m_document.get(), &CZeqEditorDoc::FileUsed, this, &CZeqEditorApp::UseFile);
    m_frame = std::make_unique<CMainFrame>(m_context, *m_document);
    connect(m_frame.get(), &CMainFrame::NewRequested, this, &CZeqEditorApp::OnFileNew);
    connect(m_frame.get(), &CMainFrame::OpenRequested, this, &CZeqEditorApp::OnFileOpen);
    connect(m_frame.get(), &CMainFrame::OpenFileRequested, this, &CZeqEditorApp::OpenDocumentFile);
    connect(m_frame.get(), &CMainFrame::OpenFolderRequested, this,
            &CZeqEditorApp::OnFileOpenFolder);
    connect(m_frame->ModCommands(), &CModCommands::FileRequested, this, &CZeqEditorApp::OpenFileAt);
    connect(m_frame.get(), &CMainFrame::AboutRequested, this, &CZeqEditorApp::OnAppAbout);
    connect(m_frame.get(), &CMainFrame::Closing, this, &CZeqEditorApp::ExitInstance);
    connect(this, &CZeqEditorApp::RecentFilesChanged, m_frame.get(),
            [this] { m_frame->SetRecentFiles(m_recentFiles.Entries()); });
    m_frame->SetRecentFiles(m_recentFiles.Entries());

    QString file = options.file;
    QString folder;
    if (QFileInfo(file).isDir()) folder = std::exchange(file, {});
    if (file.isEmpty() && m_settings.OpenLastArchive() && !m_recentFiles.Entries().empty()) {
        const QString last = QString::fromStdString(m_recentFiles.Entries().front());
        if (!last.isEmpty() && QFileInfo::exists(last)) file = last;
    }
    m_recovery = new CDocumentRecovery(*m_document, m_settings, m_frame.get());
    connect(m_recovery, &CDocumentRecovery::StatusMessage, m_frame.get(),
            &CMainFrame::ShowStatusMessage);
    // Once the questions about other recovery files are answered.
    connect(m_recovery, &CDocumentRecovery::SourceRecovered, m_frame.get(),
            &CMainFrame::EditRecoveredSource, Qt::QueuedConnection);
    // A file that fails to open leaves an empty document: start-up must never
    // lock the user out.
    if (!file.isEmpty()) UseCatalogsFor(file);
    if (file.isEmpty() || !m_recovery->MayOpen(file) || !m_document->OnOpenDocument(file, nullptr))
        m_document->OnNewDocument();

    wait.Release();
    m_frame->show();
    m_frame->InitialFocus();
    // Start-up goes on without the catalogs; the status bar says why they are empty.
    ShowCatalogs();
    // What sessions that ended without saving left behind.
    m_recovery->OfferLeftovers();
    if (!folder.isEmpty()) OpenFolder(folder);
    return true;
}

bool CZeqEditorApp::Open(const QString& path) {
    if (!m_recovery->MayOpen(path)) return false;
    UseCatalogsFor(path);
    if (!m_document->OnOpenDocument(path, m_frame.get())) return false;
    m_recovery->OfferLeftovers(path);
    return true;
}

void CZeqEditorApp::ExitInstance() {
    m_recovery->Discard(); // a clean exit: the document was saved or given up
}

void CZeqEditorApp::ChangeRecentFiles(const QString& path, bool add) {
    // Written at once, so that a crash keeps it, and onto the list as
    // another editor window may have left it meanwhile.
    m_recentFiles.ReadFrom(m_settings.File());
    if (add)
        m_recentFiles.Add(CorePath(path));
    else
        m_recentFiles.Remove(CorePath(path));
    m_recentFiles.WriteTo(m_settings.File());
    emit RecentFilesChanged();
}

void CZeqEditorApp::UseFile(const QString& path) {
    ChangeRecentFiles(path, true);
}

void CZeqEditorApp::OnFileNew() {
    if (!m_document->SaveModified(m_frame.get())) return;
    m_document->OnNewDocument();
}

void CZeqEditorApp::OnFileOpen() {
    // Where the user works: the open file's folder, else the last file's.
    QString near = m_document->PathName();
    if (near.isEmpty() && !m_recentFiles.Entries().empty())
        near = QString::fromStdString(m_recentFiles.Entries().front());
    const QString path = Ui().GetOpenFileName(
        m_frame.get(), near.isEmpty() ? QString() : QFileInfo(near).absolutePath());
    // The file first: cancelling the open dialog costs nothing.
    if (path.isEmpty() || !m_document->SaveModified(m_frame.get())) return;
    Open(path);
}

bool CZeqEditorApp::OpenDocumentFile(const QString& path) {
    if (QFileInfo(path).isDir()) return OpenFolder(path);
    if (!m_document->SaveModified(m_frame.get())) return false;
    if (Open(path)) return true;
    if (QFileInfo::exists(path)) return false; // there, but not opened here
    ChangeRecentFiles(path, false);
    return false;
}

void CZeqEditorApp::OnFileOpenFolder() {
    QString near = m_modFolder.isEmpty() ? m_document->PathName() : m_modFolder;
    if (near.isEmpty() && !m_recentFiles.Entries().empty())
        near = QString::fromStdString(m_recentFiles.Entries().front());
    const QFileInfo at(near);
    const QString folder = Ui().GetFolderName(m_frame.get(), near.isEmpty() ? QString()
                                                             : at.isDir()   ? at.absoluteFilePath()
                                                                            : at.absolutePath());
    if (!folder.isEmpty()) OpenFolder(folder);
}

bool CZeqEditorApp::OpenFolder(const QString& folder) {
    if (!m_frame->ModCommands()->OpenFolder(folder, QCoreApplication::applicationDirPath()))
        return false;
    m_modFolder = QFileInfo(folder).absoluteFilePath();
    ChangeRecentFiles(m_modFolder, true);
    // The open file's catalogs may be the mod's now; with none open, the
    // mod's own are those of its new files and of the unit picker.
    m_catalogFolder.clear();
    UseCatalogsFor(m_document->PathName().isEmpty()
                       ? QDir(m_modFolder).filePath(QStringLiteral("x"))
                       : m_document->PathName());
    return true;
}

void CZeqEditorApp::OpenFileAt(const QString& path, int line) {
    const bool open =
        !m_document->PathName().isEmpty() &&
        QFileInfo(path).absoluteFilePath() == QFileInfo(m_document->PathName()).absoluteFilePath();
    if (!open && !OpenDocumentFile(path)) return;
    if (line > 0) m_frame->EditSourceAt(line);
}

void CZeqEditorApp::OnAppAbout() {
    QString details =
        CatalogsInUse() + "\n" +
        tr("Settings: %1")
            .arg(QDir::toNativeSeparators(QString::fromStdString(m_settings.File().Path())));
    // Once: the settings beside the program, which cannot be written, were
    // taken over at this start, and are not read again.
    if (!m_settingsTakenFrom.isEmpty())
        details += "\n" + tr("(first read from %1, which cannot be written)")
                              .arg(QDir::toNativeSeparators(m_settingsTakenFrom));
    CAboutDlg about(m_frame.get(), details);
    about.exec();
}
