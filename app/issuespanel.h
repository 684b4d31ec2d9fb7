#pragma once

#include <QDockWidget>

class CZeqEditorDoc;
class QTreeWidget;
class QTreeWidgetItem;
struct CatalogNote;
struct MatchEntry;
struct PlanEntry;

// "Issues": what the open file loses when it is saved and what reads
// differently from how it looks (the report of the file), and why a
// definition file could not be read. A row about a plan or a match leads to
// it in its pane; a row about text the editor cannot show, to its line in
// the source editor.
class CIssuesPanel : public QDockWidget {
    Q_OBJECT

public:
    CIssuesPanel(CZeqEditorDoc& document, QWidget* parent = nullptr);

    void SetCatalogNotes(const QList<CatalogNote>& notes);
    QTreeWidget* List() const { return m_list; }
    // Runs a row as a double-click or Enter does.
    void Activate(QTreeWidgetItem* row);

signals:
    void PlanRequested(const PlanEntry* plan);
    void MatchRequested(const MatchEntry* match);
    void LineRequested(int line);
    void DeleteMatchRequested(const MatchEntry* match);
    void EditMatchRequested(const MatchEntry* match);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Refill();
    void ShowContextMenu(const QPoint& at);
    // The plan or match a row is about, when it is still in the document.
    const PlanEntry* PlanOf(const QTreeWidgetItem* row) const;
    const MatchEntry* MatchOf(const QTreeWidgetItem* row) const;

    CZeqEditorDoc& m_document;
    QTreeWidget* m_list;
    QList<CatalogNote> m_catalogNotes;
};
