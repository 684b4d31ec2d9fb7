#pragma once

#include <QHash>
#include <QObject>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class CAppContext;
class CLeftView;
class CRightView;
class CZeqEditorDoc;
class QAction;
class QMenu;
class QWidget;

// The main window's command table: one action per command number with its
// text, image, prompt, tool tip and keys, the enabling rules, and what the
// edit, match, plan and item commands do. Match commands go to the tree,
// plan commands to the list; Insert, Edit, Delete and the clipboard to the
// active pane, and their keys act only while a pane has the focus. The file
// and view commands are the window's to connect.
class CFrameCommands : public QObject {
    Q_OBJECT

public:
    CFrameCommands(CZeqEditorDoc& document, const CAppContext& context, CLeftView* left,
                   CRightView* right, QWidget* window);
    ~CFrameCommands() override;

    QAction* Action(int commandId) const { return m_actions.value(commandId); }
    // Runs a command as its menu item, button or key would (when enabled).
    void Run(int commandId);
    // Applies the enabling rules to every command.
    void UpdateCommandUI();

    // The pane that Insert, Edit, Delete and the clipboard go to.
    QWidget* ActivePane() const { return m_activePane; }
    void SetActivePane(QWidget* pane);
    // The panes' context menus, as a right click shows them.
    std::unique_ptr<QMenu> PaneContextMenu(QWidget* pane);

    void OnEditStartCheat();
    // The source editor with the caret on a line of the file as opened.
    void EditSourceAt(int line);
    // The source editor on a recovered text that was not applied, shown as
    // changed: applied, it is a source edit of the document.
    void EditRecoveredSource(const QString& text);
    // What the source editor's Where Is This Unit Used runs.
    void SetWhereUsed(std::function<QString(const QString&)> whereUsed) {
        m_whereUsed = std::move(whereUsed);
    }
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();

signals:
    // A note for the status bar.
    void StatusMessage(const QString& text);

private:
    void OnEditSource();
    // Runs the source editor on `text` (the document's own unless a
    // recovered one is given) and applies what it gives back.
    void RunSource(int line, const QString& recovered);
    // A file that does not load, in the source editor: the mended text
    // becomes the document, bound to the file, unsaved.
    bool Mend(const QString& path, const std::string& text, int line);
    void OnItemInsert();
    void OnItemEdit();
    void OnItemDelete();
    QAction* Add(int commandId, const QString& text);
    QString m_moveBlocked; // what the status bar was last told of it
    void CreateActions();
    void SetKeys();
    void SetViewStyle(int style);
    // F6 and Shift+F6: with two panes the next and the previous are the same.
    void FocusOtherPane();
    // A popup of commands (0 for a separator), with their texts and prompts,
    // under the enabling rules.
    std::unique_ptr<QMenu> ContextMenu(const QString& title,
                                       std::initializer_list<std::pair<int, const char*>> items);

    CZeqEditorDoc& m_document;
    const CAppContext& m_context;
    CLeftView* m_left;
    CRightView* m_right;
    QWidget* m_window;
    QWidget* m_activePane;
    QHash<int, QAction*> m_actions;
    std::function<QString(const QString&)> m_whereUsed;
};
