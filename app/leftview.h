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
    QTreeWidgetItem* InsertMatchItem(MatchEntry* entry);
    void Rebuild();

    bool HasSelection() const { return !selectedItems().isEmpty(); }
    // The match of the selected item, when that item stands for a match.
    MatchEntry* SelectedMatch() const;
    static MatchEntry* EntryOf(const QTreeWidgetItem* item);

public slots:
    void OnMatchNew();
    void OnMatchEdit();
    void OnMatchDelete();

signals:
    void SelectionChanged();
    void ContextMenuRequested(const QPoint& globalPos);
    void EditRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ShowNewItem(QTreeWidgetItem* item);
    void DeleteGroup(QTreeWidgetItem* group);
    void Changed();

    QString DisplayName(const std::string& unitClass) const;

    CZeqEditorDoc& m_document;
    const CAppContext& m_context;
    QHash<QString, QTreeWidgetItem*> m_groups; // by case-folded text
};
