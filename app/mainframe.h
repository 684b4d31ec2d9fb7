#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class CAppContext;
class CFrameCommands;
class CHelpWindow;
class CIssuesPanel;
class CLeftView;
class CModCommands;
class CReloadWatch;
struct CatalogNote;
class CRightView;
class CZeqEditorDoc;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

// The main window: menus, toolbar, status bar, the Issues panel and the
// splitter with the match tree on the left and the plan list on the right.
// Its commands are the command table's (CFrameCommands); the commands that
// are the application's (New, Open, About, a recent file) it hands on as
// signals.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame(const CAppContext& context, CZeqEditorDoc& document);
    ~CMainFrame() override;

    CLeftView* GetLeftPane() const { return m_left; }
    CRightView* GetRightPane() const { return m_right; }
    QAction* Action(int commandId) const;
    // The pane that Insert, Edit and Delete go to.
    QWidget* ActivePane() const;
    void SetActivePane(QWidget* pane);
    void InitialFocus();

    // Runs a command as its menu item, button or key would (when enabled).
    void RunCommand(int commandId);
    // Applies the enabling rules to every command.
    void UpdateCommandUI();

    // A message in the status bar for a while, instead of the idle text.
    void ShowStatusMessage(const QString& text);
    // Help > User Guide (F1).
    void ShowGuide();
    // A recovered source-editor text, not applied, back in the source editor.
    void EditRecoveredSource(const QString& text);
    // Definition files that could not be read, in the Issues panel.
    void ShowCatalogNotes(const QList<CatalogNote>& notes);
    // Which catalogs are in use: the status bar's tool tip.
    void SetCatalogsInUse(const QString& text);
    CIssuesPanel* IssuesPanel() const { return m_issues; }
    // Open Folder, the Mod panel, Find in Files and the unit-class commands.
    CModCommands* ModCommands() const { return m_mod; }
    // The source editor with the caret on a line of the file as opened.
    void EditSourceAt(int line);
    // The File menu's list of recent files.
    void SetRecentFiles(const std::vector<std::string>& entries);

    // The panes' context menus, as a right click shows them.
    std::unique_ptr<QMenu> PaneContextMenu(QWidget* pane);
    // The file changed on disk: asks whether to reload it, once no dialog
    // is open (the source editor excepted, whose unapplied text it names).
    void AskToReload(const QString& path);

    QString MatchCountText() const;
    QString PlanCountText() const;

signals:
    void NewRequested();
    void OpenRequested();
    void OpenFileRequested(const QString& path);
    void OpenFolderRequested();
    void AboutRequested();
    // The window closes, its document saved or given up.
    void Closing();

public slots:
    void OnUpdateCounts();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePanes();
    void CreateIssuesPanel();
    void UpdateTitle();

    const CAppContext& m_context;
    CZeqEditorDoc& m_document;
    CFrameCommands* m_commands = nullptr;
    CModCommands* m_mod = nullptr;
    CReloadWatch* m_reload = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_ready = nullptr; // the idle text, its tool tip the catalogs in use
    QLabel* m_matchCount = nullptr;
    QLabel* m_planCount = nullptr;
    QSplitter* m_splitter = nullptr;
    CLeftView* m_left = nullptr;
    CRightView* m_right = nullptr;
    CIssuesPanel* m_issues = nullptr;
    CHelpWindow* m_guide = nullptr; // made when first asked for
};
