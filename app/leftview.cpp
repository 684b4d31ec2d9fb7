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
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    setExpandsOnDoubleClick(true);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::SelectionChanged);
    connect(&m_document, &CZeqEditorDoc::Changed, this, &CLeftView::Rebuild);
}

QString CLeftView::DisplayName(const std::string& unitClass) const {
    return ToQt(m_context.Units().GetUnitDisplayName(unitClass));
}

MatchEntry* CLeftView::EntryOf(const QTreeWidgetItem* item) {
    return item ? static_cast<MatchEntry*>(item->data(0, kEntryRole).value<void*>()) : nullptr;
}

QTreeWidgetItem* CLeftView::InsertMatchItem(MatchEntry* entry) {
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
    item->setData(0, kEntryRole, QVariant::fromValue<void*>(entry));
    group->addChild(item);
    return item;
}

void CLeftView::Rebuild() {
    CWaitCursor wait;
    setUpdatesEnabled(false);
    clear();
    m_groups.clear();
    setSortingEnabled(false); // sort once at the end, not after every insertion
    for (const auto& entry : m_document.Data().matches.All())
        InsertMatchItem(entry.get());
    setSortingEnabled(true);
    collapseAll();
    setUpdatesEnabled(true);
    emit SelectionChanged();
}

MatchEntry* CLeftView::SelectedMatch() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty() || selected.first()->childCount() > 0) return nullptr;
    return EntryOf(selected.first());
}

void CLeftView::DeleteGroup(QTreeWidgetItem* group) {
    m_groups.remove(group->text(0).toCaseFolded());
    delete group;
}

void CLeftView::ShowNewItem(QTreeWidgetItem* item) {
    if (!item) return;
    item->parent()->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
}

void CLeftView::Changed() {
    m_document.SetModifiedFlag();
    m_document.PostUpdateCounts();
    emit SelectionChanged();
}

void CLeftView::OnMatchNew() {
    CMatchDlg dialog(m_context, nullptr, this);
    if (dialog.exec() != QDialog::Accepted) return;
    MatchEntry* entry = m_document.Data().matches.AddTarget(dialog.Result().unitClass);
    entry->attackers = dialog.Result().attackers;
    ShowNewItem(InsertMatchItem(entry));
    Changed();
}

void CLeftView::OnMatchEdit() {
    MatchEntry* entry = SelectedMatch();
    if (!entry) return;
    QTreeWidgetItem* item = selectedItems().first();
    CMatchDlg dialog(m_context, entry, this);
    if (dialog.exec() != QDialog::Accepted) return;
    *entry = dialog.Result();
    QTreeWidgetItem* group = item->parent();
    delete item;
    if (group && group->childCount() == 0) DeleteGroup(group);
    ShowNewItem(InsertMatchItem(entry));
    Changed();
}

void CLeftView::OnMatchDelete() {
    if (!HasSelection()) return;
    QTreeWidgetItem* item = selectedItems().first();
    MatchList& matches = m_document.Data().matches;
    if (item->childCount() > 0) {
        while (item->childCount() > 0) {
            QTreeWidgetItem* child = item->child(0);
            MatchEntry* entry = EntryOf(child);
            delete child;
            matches.RemoveTarget(entry);
        }
        DeleteGroup(item);
    } else {
        QTreeWidgetItem* group = item->parent();
        MatchEntry* entry = EntryOf(item);
        delete item;
        matches.RemoveTarget(entry);
        if (group && group->childCount() > 0)
            setCurrentItem(group);
        else if (group)
            DeleteGroup(group);
    }
    Changed();
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event) {
    if (QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos())))
        setCurrentItem(item);
    emit ContextMenuRequested(event->globalPos());
}

void CLeftView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && EntryOf(item)) {
        setCurrentItem(item);
        emit EditRequested(); // the frame runs Edit once this event has returned
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}
