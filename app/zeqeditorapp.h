#pragma once

#include "appcontext.h"
#include "appsettings.h"
#include "issuesmodel.h"
#include "planmanager.h"
#include "recentfilelist.h"
#include "unitlist.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class CDocumentRecovery;
class CFileWatch;
class CMainFrame;
class CZeqEditorDoc;

// The application: the two catalogs, the settings file, the recent files,
// and the one document with its main frame.
class CZeqEditorApp : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString file;         // a plan file (or a mod's folder) named on the command line
        QString settingsPath; // --settings FILE; empty for the usual place
    };

    CZeqEditorApp();
    ~CZeqEditorApp() override;

    // The start-up sequence. Ends with the main window shown.
    bool InitInstance(const Options& options);
    // Writes the recent-file list; called when the main window closes.
    void ExitInstance();

    // Units.dat and Plans.dat beside the file (when one is given), else from
    // the working directory, else beside the program, else from the
    // installed data folder (share/zeq-editor). Each is watched, and read
    // again when it changes.
    // Within a mod's folder, each folder from the file's up to the mod's is
    // looked in before the working directory.
    void LoadCatalogs(const QString& programFolder, const QString& fileFolder = {});
    // "Plan types: FILE" and "Units: FILE" (or that none was found).
    QString CatalogsInUse() const;
    // Definition files that could not be read: an error where a catalog
    // stayed empty, a warning where one was skipped for the next place.
    const QList<CatalogNote>& CatalogNotes() const { return m_catalogNotes; }

    CUnitList& UnitList() { return m_units; }
    CPlanManager& PlanManager() { return m_planTypes; }
    const CAppSettings& Settings() const { return m_settings; }
    // The catalogs and the settings, as the frame, the panes and the dialogs see them.
    const CAppContext& Context() const { return m_context; }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    CZeqEditorDoc* Document() { return m_document.get(); }
    CMainFrame* MainFrame() { return m_frame.get(); }
    CDocumentRecovery* Recovery() { return m_recovery; }

    // The document commands of the application.
    void OnFileNew();
    void OnFileOpen();
    // A folder opens as a mod.
    bool OpenDocumentFile(const QString& path);
    // File > Open Folder: a mod's folder in the Mod panel.
    void OnFileOpenFolder();
    bool OpenFolder(const QString& folder);
    // A file of the mod, with the source editor at `line` when it is above 0;
    // the open document is saved or given up first, as Open does.
    void OpenFileAt(const QString& path, int line);
    void OnAppAbout();

signals:
    void RecentFilesChanged();

private:
    void UseFile(const QString& path);
    void ChangeRecentFiles(const QString& path, bool add);
    // The catalogs of the file's folder, where they are not those in use;
    // then the frame shows them.
    void UseCatalogsFor(const QString& path);
    void ShowCatalogs();
    // Opens a file as File Open does once the file is chosen: one editor
    // per file, its recovery file offered.
    bool Open(const QString& path);

    CUnitList m_units;
    CPlanManager m_planTypes;
    CAppSettings m_settings;
    CAppContext m_context{m_units, m_planTypes, m_settings};
    CRecentFileList m_recentFiles;
    QList<CatalogNote> m_catalogNotes;
    QString m_catalogFolder;          // the folder looked in first
    QString m_modFolder;              // the mod open; empty for none
    QString m_settingsTakenFrom;      // the settings beside the program, taken over this start
    QString m_plansPath, m_unitsPath; // the files read; empty for none
    CFileWatch* m_plansWatch;
    CFileWatch* m_unitsWatch;
    std::unique_ptr<CZeqEditorDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    CDocumentRecovery* m_recovery = nullptr; // the frame's child
};
