#pragma once

#include "renameunitsdlg.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class CAppContext;
class CLeftView;
class CModFiles;
class CModPanel;
class CRightView;
class CSearchPanel;
class CZeqEditorDoc;
class QAction;
class QMainWindow;
class QMenu;
class QWidget;

// The commands on a whole mod: Open Folder with its Mod panel, Find in
// Files, where a unit class is used and Rename Unit Classes, their actions
// and their two docks. Files are opened by the application, which hears of
// them through FileRequested.
class CModCommands : public QObject {
    Q_OBJECT

public:
    CModCommands(CZeqEditorDoc& document, const CAppContext& context, CLeftView* left,
                 CRightView* right, QMainWindow* window);
    ~CModCommands() override;

    QAction* Action(int commandId) const { return m_actions.value(commandId); }
    CModPanel* Panel() const { return m_panel; }
    CSearchPanel* Search() const { return m_search; }
    // The mod open, or null.
    CModFiles* Mod() const;

    // Shows the folder's plan files in the Mod panel; false, said to the
    // user, when it cannot be read or holds no plan file.
    bool OpenFolder(const QString& folder, const QString& programFolder);
    void WhereUsed(const QString& unitClass);
    // The rename dialog, its pairs filled in; the changes ticked applied.
    void RenameUnits(const QString& pairs);
    // "Where Is ... Used" and "Rename ..." for each unit class the pane's
    // selected record names, added to its context menu.
    void AddClassItems(QMenu& menu, QWidget* pane);
    void UpdateCommandUI();

signals:
    // A file to open, at a line (0 for none) in the source editor.
    void FileRequested(const QString& path, int line);
    void FolderOpened(const QString& folder);
    void StatusMessage(const QString& text);

private:
    QAction* Add(int id, const QString& text, const QString& prompt);
    QStringList SelectedClasses(QWidget* pane) const;
    // Writes what the rename dialog gave back: the open document as one undo
    // step, other files safely in place, each only if it is still as the
    // preview read it.
    void Apply(const QList<CRenameUnitsDlg::Rewritten>& files);

    CZeqEditorDoc& m_document;
    const CAppContext& m_context;
    CLeftView* m_left;
    CRightView* m_right;
    QMainWindow* m_window;
    CModPanel* m_panel;
    CSearchPanel* m_search;
    QHash<int, QAction*> m_actions;
};
