#include "issuespanel.h"

#include "icons.h"
#include "qtext.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>
#include <algorithm>

namespace {

constexpr int kPlanRole = Qt::UserRole;
constexpr int kMatchRole = Qt::UserRole + 1;
constexpr int kLineRole = Qt::UserRole + 2;

template <typename Entry, typename List> bool Contains(const List& list, const Entry* entry) {
    return std::any_of(list.begin(), list.end(),
                       [entry](const auto& e) { return e.get() == entry; });
}

} // namespace

CIssuesPanel::CIssuesPanel(CZeqEditorDoc& document, QWidget* parent)
    : QDockWidget(tr("Issues"), parent), m_document(document), m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("issuesPanel"));
    m_list->setObjectName(QStringLiteral("issues"));
    m_list->setAccessibleName(tr("Issues"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("Line"), tr("Issue")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->installEventFilter(this);
    setWidget(m_list);

    connect(m_list, &QTreeWidget::itemActivated, this, &CIssuesPanel::Activate);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CIssuesPanel::ShowContextMenu);
    connect(&m_document, &CZeqEditorDoc::ReportChanged, this, &CIssuesPanel::Refill);
}

void CIssuesPanel::SetCatalogNotes(const QList<CatalogNote>& notes) {
    m_catalogNotes = notes;
    Refill();
}

void CIssuesPanel::Refill() {
    // Drawn once, not per row: a generated file can have tens of thousands.
    const QIcon icons[] = {Icons::Get(Icons::Art::IssueError), Icons::Get(Icons::Art::IssueLoss),
                           Icons::Get(Icons::Art::IssueWarning)};
    auto KindIcon = [&icons](FindingKind kind) { return icons[int(kind)]; };
    m_list->clear();
    QList<QTreeWidgetItem*> rows;
    for (const CatalogNote& note : m_catalogNotes) {
        auto* row = new QTreeWidgetItem({QString(), note.text});
        row->setIcon(0, KindIcon(note.error ? FindingKind::Error : FindingKind::Warning));
        row->setToolTip(1, note.text);
        rows << row;
    }
    for (const Finding& finding : m_document.Report().Findings()) {
        const QString text = ToQt(finding.message);
        auto* row = new QTreeWidgetItem({QString::number(finding.line), text});
        row->setIcon(0, KindIcon(finding.kind));
        row->setToolTip(1, text);
        row->setData(0, kPlanRole, QVariant::fromValue<const void*>(finding.plan));
        row->setData(0, kMatchRole, QVariant::fromValue<const void*>(finding.match));
        row->setData(0, kLineRole, finding.line);
        rows << row;
    }
    m_list->addTopLevelItems(rows);
}

const PlanEntry* CIssuesPanel::PlanOf(const QTreeWidgetItem* row) const {
    const auto* plan = static_cast<const PlanEntry*>(row->data(0, kPlanRole).value<const void*>());
    return plan && Contains(m_document.Data().plans.All(), plan) ? plan : nullptr;
}

const MatchEntry* CIssuesPanel::MatchOf(const QTreeWidgetItem* row) const {
    const auto* match =
        static_cast<const MatchEntry*>(row->data(0, kMatchRole).value<const void*>());
    return match && Contains(m_document.Data().matches.All(), match) ? match : nullptr;
}

void CIssuesPanel::Activate(QTreeWidgetItem* row) {
    if (!row) return;
    if (const PlanEntry* plan = PlanOf(row))
        emit PlanRequested(plan);
    else if (const MatchEntry* match = MatchOf(row))
        emit MatchRequested(match);
    else if (const int line = row->data(0, kLineRole).toInt(); line > 0)
        emit LineRequested(line);
}

void CIssuesPanel::ShowContextMenu(const QPoint& at) {
    QTreeWidgetItem* row = m_list->itemAt(at);
    const MatchEntry* match = row ? MatchOf(row) : nullptr;
    if (!match) return;
    QMenu menu(this);
    menu.addAction(tr("Edit..."), this, [this, match] { emit EditMatchRequested(match); });
    menu.addAction(tr("Delete"), this, [this, match] { emit DeleteMatchRequested(match); });
    menu.exec(m_list->viewport()->mapToGlobal(at));
}

bool CIssuesPanel::eventFilter(QObject* watched, QEvent* event) {
    // Enter runs the row here, not the main window's Edit command.
    if (watched == m_list && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return false;
        }
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Activate(m_list->currentItem());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}
