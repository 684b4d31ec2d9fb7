#pragma once

#include <QHash>
#include <QTreeWidget>

class CAppContext;
class CZeqEditorDoc;
struct MatchEntry;

// The match tree: one group per target (by display name, case ignored), and
// under it one item per match listing its attackers. Groups and matches
// stand in alphabetical order.
class CLeftView : public QTreeWidget {
    Q_OBJECT

public:
    CLeftView(CZeqEditorDoc& document, const CAppContext& context, QWidget* parent = nullptr);

    // Puts the match into the tree; null for a match without attackers.
    QTreeWidgetItem* InsertMatchItem(const MatchEntry* entry);
    void Rebuild();

    bool HasSelection() const { return !selectedItems().isEmpty(); }
    // The match the selected item stands for; for a target's row, the first
    // of its matches as the tree shows them (what Edit opens).
    const MatchEntry* SelectedMatch() const;
    // The matches of the selected item: its own, or all of a group's.
    std::vector<const MatchEntry*> SelectedMatches() const;
    static const MatchEntry* EntryOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* ItemOf(const MatchEntry* entry) const { return m_items.value(entry); }
    // Selects the match's item, its group expanded, and scrolls to it.
    void ShowMatch(const MatchEntry* entry);

public slots:
    void OnMatchNew();
    void OnMatchEdit();
    // The Match dialog on any match, also one the tree cannot show.
    void EditMatch(const MatchEntry* entry);
    void OnMatchDelete();

signals:
    void SelectionChanged();
    void ContextMenuRequested(const QPoint& globalPos);
    void EditRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void RemoveItem(const MatchEntry* entry);
    void MatchesInserted(const QList<const MatchEntry*>& matches);
    void MatchesRemoved(const QList<const MatchEntry*>& matches);
    void MatchesChanged(const QList<const MatchEntry*>& matches);
    void SelectMatches(const QList<const MatchEntry*>& matches);
    QString DisplayName(const std::string& unitClass) const;

    CZeqEditorDoc& m_document;
    const CAppContext& m_context;
    QHash<QString, QTreeWidgetItem*> m_groups;          // by case-folded text
    QHash<const MatchEntry*, QTreeWidgetItem*> m_items; // the item of each match shown
};
