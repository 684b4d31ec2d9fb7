#pragma once

#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <initializer_list>
#include <memory>
#include <utility>

class CFileWatch;
class CIssuesPanel;
class CLeftView;
struct CatalogNote;
class CRightView;
class CZeqEditorApp;
class CZeqEditorDoc;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;

// The main window: menus, toolbar, status bar and the splitter with the match
// tree on the left and the plan list on the right. It owns the command table:
// Match and Plan commands go to the pane that owns the records, Insert, Edit
// and Delete to the active pane.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame(CZeqEditorApp& app, CZeqEditorDoc& document);
    ~CMainFrame() override;

    CLeftView* GetLeftPane() const { return m_left; }
    CRightView* GetRightPane() const { return m_right; }
    QAction* Action(int commandId) const { return m_actions.value(commandId); }
    // The pane that Insert, Edit and Delete go to.
    QWidget* ActivePane() const { return m_activePane; }
    void SetActivePane(QWidget* pane);
    void InitialFocus();

    // Runs a command as its menu item, button or key would (when enabled).
    void RunCommand(int commandId);
    // Applies the enabling rules to every command.
    void UpdateCommandUI();

    // A message in the status bar for a while, instead of the idle text.
    void ShowStatusMessage(const QString& text);
    // Definition files that could not be read, in the Issues panel.
    void ShowCatalogNotes(const QList<CatalogNote>& notes);
    CIssuesPanel* IssuesPanel() const { return m_issues; }

    // The panes' context menus, as a right click shows them.
    std::unique_ptr<QMenu> PaneContextMenu(QWidget* pane);

    // The file changed on disk: asks whether to reload it, once no dialog
    // is open (the source editor excepted, whose unapplied text it names).
    void AskToReload(const QString& path);

    QString MatchCountText() const;
    QString PlanCountText() const;

public slots:
    void OnUpdateCounts();
    void OnEditStartCheat();
    void OnEditSource();
    // The source editor with the caret on a line of the file as opened.
    void EditSourceAt(int line);
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* AddCommand(int commandId, const QString& text, void (CMainFrame::*handler)());
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePanes();
    void CreateIssuesPanel();
    void WatchTheFile();
    void UpdateTitle();
    void UpdateRecentFileMenu();
    void SetViewStyle(int style);
    // F6 and Shift+F6: with two panes the next and the previous are the same.
    void FocusOtherPane();
    // A popup of frame commands (0 for a separator), with their texts and
    // prompts, under the frame's enabling rules.
    std::unique_ptr<QMenu> ContextMenu(const QString& title,
                                       std::initializer_list<std::pair<int, const char*>> items);

    void OnItemInsert();
    void OnItemEdit();
    void OnItemDelete();

    CZeqEditorApp& m_app;
    CZeqEditorDoc& m_document;
    QHash<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_matchCount = nullptr;
    QLabel* m_planCount = nullptr;
    QSplitter* m_splitter = nullptr;
    CLeftView* m_left = nullptr;
    CRightView* m_right = nullptr;
    QWidget* m_activePane = nullptr;
    CIssuesPanel* m_issues = nullptr;
    CFileWatch* m_watch = nullptr;
    QTimer* m_reloadRetry = nullptr; // asks again once no dialog is open
    QString m_pendingReload;
    quint64 m_pendingGeneration = 0;
};
