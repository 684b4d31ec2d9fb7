#include "issuespanel.h"

#include "issuesmodel.h"
#include "zeqeditordoc.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <algorithm>

namespace {

template <typename Entry, typename List> bool Contains(const List& list, const Entry* entry) {
    return std::any_of(list.begin(), list.end(),
                       [entry](const auto& e) { return e.get() == entry; });
}

} // namespace

CIssuesPanel::CIssuesPanel(CZeqEditorDoc& document, QWidget* parent)
    : QDockWidget(tr("Issues"), parent), m_document(document),
      m_model(new CIssuesModel(document.Report(), this)), m_list(new QTableView(this)) {
    setObjectName(QStringLiteral("issuesPanel"));
    m_list->setObjectName(QStringLiteral("issues"));
    m_list->setAccessibleName(tr("Issues"));
    m_list->setModel(m_model);
    // A table dressed as a list: a tree view keeps a record of 40 bytes for
    // each row it lays out, megabytes for the hundred thousand findings of a
    // large file, where a table keeps a row's height only.
    m_list->setShowGrid(false);
    m_list->setWordWrap(false);
    m_list->setTabKeyNavigation(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(
        std::max(m_list->fontMetrics().height(), m_list->iconSize().height()) + 4);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    setWidget(m_list);

    connect(m_list, &QTableView::activated, this, &CIssuesPanel::Activate);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CIssuesPanel::ShowContextMenu);
    connect(&m_document, &CZeqEditorDoc::ReportChanged, this, &CIssuesPanel::Refill);
}

void CIssuesPanel::SetCatalogNotes(const QList<CatalogNote>& notes) {
    m_catalogNotes = notes;
    Refill();
}

void CIssuesPanel::Refill() {
    m_model->Refill(m_catalogNotes);
    FitLineColumn();
}

// The line column as wide as its widest number, which the last row has, the
// findings going by line. Fitting it to its contents measured a thousand rows
// each time the panel was laid out: longer than filling it on a large file.
void CIssuesPanel::FitLineColumn() {
    int width = m_list->horizontalHeader()->sectionSizeHint(0);
    if (const int rows = m_model->rowCount(); rows > 0)
        width = std::max(width, m_list->sizeHintForIndex(m_model->index(rows - 1, 0)).width());
    m_list->horizontalHeader()->resizeSection(0, width);
}

const PlanEntry* CIssuesPanel::PlanOf(const Finding* finding) const {
    const PlanEntry* plan = finding ? finding->plan : nullptr;
    return plan && Contains(m_document.Data().plans.All(), plan) ? plan : nullptr;
}

const MatchEntry* CIssuesPanel::MatchOf(const Finding* finding) const {
    const MatchEntry* match = finding ? finding->match : nullptr;
    return match && Contains(m_document.Data().matches.All(), match) ? match : nullptr;
}

void CIssuesPanel::Activate(const QModelIndex& row) {
    const Finding* finding = row.isValid() ? m_model->FindingAt(row.row()) : nullptr;
    if (!finding) return;
    if (const PlanEntry* plan = PlanOf(finding))
        emit PlanRequested(plan);
    else if (const MatchEntry* match = MatchOf(finding))
        emit MatchRequested(match);
    else if (finding->line > 0)
        emit LineRequested(finding->line);
}

void CIssuesPanel::Step(int direction) {
    const int rows = m_model->rowCount();
    if (rows == 0) return;
    const int current = m_list->currentIndex().isValid() ? m_list->currentIndex().row()
                        : direction > 0                  ? -1
                                                         : rows;
    const QModelIndex next = m_model->index(((current + direction) % rows + rows) % rows, 0);
    m_list->setCurrentIndex(next);
    Activate(next);
}

void CIssuesPanel::CopySelection() {
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (int row : rows)
        lines << m_model->RowText(row);
    if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join('\n') + '\n');
}

void CIssuesPanel::ShowContextMenu(const QPoint& at) {
    // From the keyboard (the menu key) the row is the current one.
    QModelIndex row = m_list->indexAt(at);
    if (!row.isValid()) row = m_list->currentIndex();
    const Finding* finding = row.isValid() ? m_model->FindingAt(row.row()) : nullptr;
    const MatchEntry* match = finding ? MatchOf(finding) : nullptr;
    QMenu menu(this);
    if (match) {
        menu.addAction(tr("Edit..."), this, [this, match] { emit EditMatchRequested(match); });
        menu.addAction(tr("Delete"), this, [this, match] { emit DeleteMatchRequested(match); });
    } else if (finding && finding->code == "byte-order-mark") {
        menu.addAction(tr("&Remove the Byte-Order Mark"), this,
                       [this] { emit RemoveByteOrderMarkRequested(); });
    } else {
        return;
    }
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
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Activate(m_list->currentIndex());
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            CopySelection();
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}
