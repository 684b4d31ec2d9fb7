#pragma once

#include <QDockWidget>

class CIssuesModel;
class CZeqEditorDoc;
class QModelIndex;
class QTableView;
struct CatalogNote;
struct Finding;
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
    QTableView* List() const { return m_list; }
    // Runs a row as a double-click or Enter does.
    void Activate(const QModelIndex& row);
    // Next Issue (+1) and Previous Issue (-1): the neighbouring row, round
    // the end, run as Enter runs it.
    void Step(int direction);
    // Ctrl+C: the selected rows' text, a line each.
    void CopySelection();

signals:
    void PlanRequested(const PlanEntry* plan);
    void MatchRequested(const MatchEntry* match);
    void LineRequested(int line);
    void DeleteMatchRequested(const MatchEntry* match);
    void EditMatchRequested(const MatchEntry* match);
    void RemoveByteOrderMarkRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Refill();
    void FitLineColumn();
    void ShowContextMenu(const QPoint& at);
    // The plan or match a row's finding is about, when it is still in the
    // document.
    const PlanEntry* PlanOf(const Finding* finding) const;
    const MatchEntry* MatchOf(const Finding* finding) const;

    CZeqEditorDoc& m_document;
    CIssuesModel* m_model;
    QTableView* m_list;
    QList<CatalogNote> m_catalogNotes;
};
