#include "leftview.h"

#include "appcontext.h"
#include "matchdlg.h"
#include "qtext.h"
#include "unitlist.h"
#include "waitcursor.h"
#include "zeqeditordoc.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>

namespace {

constexpr int kEntryRole = Qt::UserRole;

// Groups and matches stand in alphabetical order, case ignored.
class TreeItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int order = text(0).compare(other.text(0), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : text(0) < other.text(0);
    }
};

} // namespace

CLeftView::CLeftView(CZeqEditorDoc& document, const CAppContext& context, QWidget* parent)
    : QTreeWidget(parent), m_document(document), m_context(context) {
    setHeaderHidden(true);
    setAccessibleName(tr("Matches"));
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    setExpandsOnDoubleClick(true);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::SelectionChanged);
    connect(&m_document, &CZeqEditorDoc::Reset, this, &CLeftView::Rebuild);
    connect(&m_document, &CZeqEditorDoc::MatchesInserted, this, &CLeftView::MatchesInserted);
    connect(&m_document, &CZeqEditorDoc::MatchesAboutToBeRemoved, this, &CLeftView::MatchesRemoved);
    connect(&m_document, &CZeqEditorDoc::MatchesChanged, this, &CLeftView::MatchesChanged);
    connect(&m_document, &CZeqEditorDoc::SelectRequested, this,
            [this](const auto&, const QList<const MatchEntry*>& matches) {
                if (!matches.isEmpty()) SelectMatches(matches);
            });
}

QString CLeftView::DisplayName(const std::string& unitClass) const {
    return ToQt(m_context.Units().GetUnitDisplayName(unitClass));
}

const MatchEntry* CLeftView::EntryOf(const QTreeWidgetItem* item) {
    return item ? static_cast<const MatchEntry*>(item->data(0, kEntryRole).value<const void*>())
                : nullptr;
}

QTreeWidgetItem* CLeftView::InsertMatchItem(const MatchEntry* entry) {
    if (!entry || entry->attackers.empty()) return nullptr;
    QStringList attackers;
    for (const MatchAttacker& attacker : entry->attackers)
        attackers << DisplayName(attacker.unitClass);
    const QString target = DisplayName(entry->unitClass);

    // Groups are found by their text, case ignored.
    const QString key = target.toCaseFolded();
    QTreeWidgetItem* group = m_groups.value(key);
    if (!group) {
        group = new TreeItem(QStringList(target));
        addTopLevelItem(group);
        m_groups.insert(key, group);
    }
    auto* item = new TreeItem(QStringList(attackers.join(QStringLiteral(", "))));
    item->setData(0, kEntryRole, QVariant::fromValue<const void*>(entry));
    group->addChild(item);
    m_items.insert(entry, item);
    return item;
}

void CLeftView::Rebuild() {
    CWaitCursor wait;
    setUpdatesEnabled(false);
    clear();
    m_groups.clear();
    m_items.clear();
    setSortingEnabled(false); // sort once at the end, not after every insertion
    for (const auto& entry : m_document.Data().matches.All())
        InsertMatchItem(entry.get());
    setSortingEnabled(true);
    collapseAll();
    setUpdatesEnabled(true);
    emit SelectionChanged();
}

const MatchEntry* CLeftView::SelectedMatch() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return nullptr;
    const QTreeWidgetItem* item = selected.first();
    return EntryOf(item->childCount() > 0 ? item->child(0) : item);
}

std::vector<const MatchEntry*> CLeftView::SelectedMatches() const {
    std::vector<const MatchEntry*> matches;
    for (QTreeWidgetItem* item : selectedItems()) {
        if (const MatchEntry* entry = EntryOf(item)) matches.push_back(entry);
        for (int i = 0; i < item->childCount(); ++i)
            if (const MatchEntry* entry = EntryOf(item->child(i))) matches.push_back(entry);
    }
    return matches;
}

void CLeftView::RemoveItem(const MatchEntry* entry) {
    QTreeWidgetItem* item = m_items.take(entry);
    if (!item) return;
    QTreeWidgetItem* group = item->parent();
    delete item;
    if (group && group->childCount() == 0) {
        m_groups.remove(group->text(0).toCaseFolded());
        delete group;
    }
}

void CLeftView::ShowMatch(const MatchEntry* entry) {
    QTreeWidgetItem* item = m_items.value(entry);
    if (!item) return;
    item->parent()->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
}

void CLeftView::MatchesInserted(const QList<const MatchEntry*>& matches) {
    for (const MatchEntry* entry : matches)
        InsertMatchItem(entry);
    emit SelectionChanged();
}

void CLeftView::MatchesRemoved(const QList<const MatchEntry*>& matches) {
    for (const MatchEntry* entry : matches)
        RemoveItem(entry);
    emit SelectionChanged();
}

void CLeftView::MatchesChanged(const QList<const MatchEntry*>& matches) {
    // Its target may have changed: the match may land in another group.
    for (const MatchEntry* entry : matches) {
        RemoveItem(entry);
        InsertMatchItem(entry);
    }
    emit SelectionChanged();
}

void CLeftView::SelectMatches(const QList<const MatchEntry*>& matches) {
    clearSelection();
    for (const MatchEntry* entry : matches)
        ShowMatch(entry);
}

void CLeftView::OnMatchNew() {
    CMatchDlg dialog(m_context, nullptr, this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_document.AddMatch(dialog.Result()); // selects the new match
}

void CLeftView::OnMatchEdit() {
    const MatchEntry* match = SelectedMatch();
    if (match && selectedItems().first()->childCount() > 0) ShowMatch(match); // which one is edited
    EditMatch(match);
}

void CLeftView::EditMatch(const MatchEntry* entry) {
    if (!entry) return;
    const quint64 generation = m_document.Generation();
    CMatchDlg dialog(m_context, entry, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (m_document.DialogEditApplies(entry, generation, this))
        m_document.ChangeMatch(entry, dialog.Result());
}

void CLeftView::OnMatchDelete() {
    if (!HasSelection()) return;
    QTreeWidgetItem* item = selectedItems().first();
    const QString groupKey = item->parent() ? item->parent()->text(0).toCaseFolded() : QString();
    const std::vector<const MatchEntry*> matches = SelectedMatches();
    m_document.RemoveMatches(matches,
                             matches.size() == 1 ? tr("Delete Match") : tr("Delete Matches"));
    // Deleting one of several matches selects their group.
    if (QTreeWidgetItem* group = groupKey.isEmpty() ? nullptr : m_groups.value(groupKey))
        setCurrentItem(group);
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event) {
    if (QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos())))
        setCurrentItem(item);
    emit ContextMenuRequested(event->globalPos());
}

void CLeftView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && (EntryOf(item) || item->childCount() > 0)) {
        setCurrentItem(item);
        emit EditRequested(); // the frame runs Edit once this event has returned
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}
