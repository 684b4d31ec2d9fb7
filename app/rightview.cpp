#include "rightview.h"

#include "appcontext.h"
#include "appsettings.h"
#include "icons.h"
#include "plandescription.h"
#include "planmanager.h"
#include "plansettingsdlg.h"
#include "qtext.h"
#include "waitcursor.h"
#include "zeqeditordoc.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The details view's first widths (Type, Priority, Condition, Flags), and
// what Parameters keeps before the Condition gives way.
constexpr int kColumnWidths[] = {150, 50, 320, 150};
constexpr int kParametersRoom = 260, kConditionLeast = 140;

// Cuts a strip into square images, the transparent colour masked out:
// the file's, or the built-in strip when no file is given.
QVector<QPixmap> CutStrip(const std::string& file, std::uint32_t transparent, int size) {
    QPixmap strip;
    if (file.empty()) {
        strip = Icons::PlanTypeStrip(size);
    } else if (strip.load(ToQt(file)) && strip.height() >= size) {
        strip.setMask(strip.createMaskFromColor(ColorFromRef(transparent), Qt::MaskInColor));
    } else {
        return {};
    }
    QVector<QPixmap> images;
    for (int x = 0; x + size <= strip.width(); x += size)
        images.append(strip.copy(x, 0, size, size));
    return images;
}

QVector<QPixmap> Scaled(const QVector<QPixmap>& images, int size) {
    QVector<QPixmap> scaled;
    for (const QPixmap& image : images)
        scaled.append(image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return scaled;
}

} // namespace

CRightView::CRightView(CZeqEditorDoc& document, const CAppContext& context, QWidget* parent)
    : QWidget(parent), m_document(document), m_context(context),
      m_model(new CPlanListModel(
          [this](const PlanEntry& plan, int column) { return Describe(plan, column); },
          [this](const PlanEntry& plan) { return IconFor(plan); }, this)),
      m_selection(new QItemSelectionModel(m_model, this)), m_stack(new QStackedWidget(this)),
      m_details(new QTreeView), m_icons(new QListView) {

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->setAccessibleName(tr("Plans"));
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            emit ContextMenuRequested(view->viewport()->mapToGlobal(at));
        });
        connect(view, &QAbstractItemView::doubleClicked, this, &CRightView::OnPlanEdit);
        m_stack->addWidget(view);
    }
    m_details->setRootIsDecorated(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setSortingEnabled(false);
    for (int c = 0; c < ParametersColumn; ++c)
        m_details->setColumnWidth(c, kColumnWidths[c]);
    // The Parameters column takes the room the others leave.
    m_details->header()->setStretchLastSection(true);
    m_icons->setModelColumn(TypeColumn);
    m_icons->setResizeMode(QListView::Adjust);
    // Each item as wide as its own name (BuildMinimums and BaseBuildMinimums
    // must not both end in "..."), laid out in batches for long lists.
    m_icons->setUniformItemSizes(false);
    m_icons->setLayoutMode(QListView::Batched);
    m_icons->setTextElideMode(Qt::ElideNone);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    setFocusProxy(m_details);

    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &CRightView::SelectionChanged);
    connect(m_selection, &QItemSelectionModel::currentChanged, this, &CRightView::SelectionChanged);
    // Rows come and go under the selection: the frame's enabling rules follow.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_model, signal, this, &CRightView::SelectionChanged);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &CRightView::SelectionChanged);
    connect(&m_document, &CZeqEditorDoc::Reset, this, &CRightView::Rebuild);
    connect(m_model, &QAbstractItemModel::modelReset, this, &CRightView::FitGrid);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &CRightView::FitGrid);
    connect(&m_document, &CZeqEditorDoc::PlansInserted, this,
            [this](const QList<const PlanEntry*>& plans) { m_model->Insert(plans); });
    connect(&m_document, &CZeqEditorDoc::PlansAboutToBeRemoved, m_model, &CPlanListModel::Remove);
    connect(&m_document, &CZeqEditorDoc::PlansChanged, m_model, &CPlanListModel::Update);
    connect(&m_document, &CZeqEditorDoc::SelectRequested, this,
            [this](const QList<const PlanEntry*>& plans, const auto&) {
                if (!plans.isEmpty()) SelectPlans(plans);
            });

    BuildIcons();
    SetViewStyle(m_context.Settings().ViewStyle());
}

void CRightView::BuildIcons() {
    // One art for every size: the strips Plans.dat names, each made from the
    // other where one is missing and enlarged for scaled displays; else the
    // built-in art, drawn for each size. Mixing the two would show built-in
    // icons in place of the catalog's at 125 % to 200 %.
    const CPlanManager& catalog = m_context.PlanTypes();
    QVector<QPixmap> small, large, sharp;
    if (!catalog.iconImage16.empty())
        small = CutStrip(catalog.iconImage16, catalog.transparent16, 16);
    if (!catalog.iconImage32.empty())
        large = CutStrip(catalog.iconImage32, catalog.transparent32, 32);
    if (small.isEmpty() && large.isEmpty()) {
        small = CutStrip({}, 0, 16);
        large = CutStrip({}, 0, 32);
        sharp = CutStrip({}, 0, 64);
    } else {
        if (small.isEmpty()) small = Scaled(large, 16);
        if (large.isEmpty()) large = Scaled(small, 32);
        sharp = Scaled(large, 64);
    }
    for (int i = 0; i < std::max(small.size(), large.size()); ++i) {
        QIcon icon;
        for (const QVector<QPixmap>* size : {&small, &large, &sharp})
            if (i < size->size()) icon.addPixmap((*size)[i]);
        m_typeIcons.append(icon);
    }
}

QIcon CRightView::IconFor(const PlanEntry& plan) const {
    const PlanTypeInfo* type = m_context.PlanTypes().FindPlanType(plan.planType);
    if (!type || type->iconIndex < 0 || type->iconIndex >= m_typeIcons.size()) return {};
    return m_typeIcons[type->iconIndex];
}

void CRightView::SetViewStyle(int style) {
    m_style = style;
    if (style == Details) {
        m_stack->setCurrentWidget(m_details);
    } else {
        const bool large = style == LargeIcons;
        m_icons->setViewMode(large ? QListView::IconMode : QListView::ListMode);
        m_icons->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        m_icons->setFlow(style == List ? QListView::TopToBottom : QListView::LeftToRight);
        m_icons->setWrapping(true);
        // Large icons stand on a grid with their names wrapped under them.
        m_icons->setWordWrap(large);
        FitGrid();
        m_icons->setMovement(QListView::Static);
        m_stack->setCurrentWidget(m_icons);
    }
    setFocusProxy(CurrentView());
}

void CRightView::FitGrid() {
    if (m_style != LargeIcons) {
        m_icons->setGridSize(QSize());
        return;
    }
    // Wide enough for the longest name (a name is one word and cannot wrap),
    // within reason.
    const QFontMetrics metrics(m_icons->font());
    int widest = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(m_model->Text(row, TypeColumn)));
    const int width = std::clamp(widest + 16, 96, 260);
    m_icons->setGridSize(QSize(width, 40 + 2 * metrics.lineSpacing()));
}

QAbstractItemView* CRightView::CurrentView() const {
    return static_cast<QAbstractItemView*>(m_stack->currentWidget());
}

QString CRightView::Describe(const PlanEntry& plan, int column) const {
    switch (column) {
    case TypeColumn:
        return ToQt(plan.planType);
    case ConditionColumn:
        return ToQt(DescribeCondition(plan.condition, m_context.Units()));
    case FlagsColumn:
        return ToQt(DescribeFlags(plan.flags));
    case ParametersColumn:
        return ToQt(DescribeParameters(plan, m_context.Units()));
    default:
        return {};
    }
}

void CRightView::Rebuild() {
    CWaitCursor wait;
    QVector<const PlanEntry*> plans;
    plans.reserve(qsizetype(m_document.Data().plans.CountPlans()));
    for (const auto& plan : m_document.Data().plans.All())
        plans.append(plan.get());
    m_model->Reset(std::move(plans)); // sorted by priority as it goes in
    emit SelectionChanged();
}

int CRightView::RowCount() const {
    return m_model->rowCount();
}

const PlanEntry* CRightView::PlanAt(int row) const {
    return m_model->Plan(row);
}

QString CRightView::CellText(int row, int column) const {
    return m_model->Text(row, column);
}

int CRightView::FocusedSelectedRow() const {
    const QModelIndex current = m_selection->currentIndex();
    if (!current.isValid() || !m_selection->isRowSelected(current.row())) return -1;
    return PlanAt(current.row()) ? current.row() : -1;
}

QList<int> CRightView::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : m_selection->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<const PlanEntry*> CRightView::SelectedPlans() const {
    std::vector<const PlanEntry*> plans;
    for (int row : SelectedRows())
        plans.push_back(PlanAt(row));
    return plans;
}

void CRightView::SelectPlans(const QList<const PlanEntry*>& plans) {
    m_selection->clearSelection();
    bool first = true;
    for (const PlanEntry* plan : plans) {
        const int row = m_model->RowOf(plan);
        if (row < 0) continue;
        SelectRow(row, first);
        first = false;
    }
}

void CRightView::SelectRow(int row, bool focus) {
    const QModelIndex index = m_model->index(row, TypeColumn);
    const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (focus)
        m_selection->setCurrentIndex(index, flags);
    else
        m_selection->select(index, flags);
    CurrentView()->scrollTo(index);
}

void CRightView::OnPlanNew() {
    CPlanSettingsDlg dialog(m_context, nullptr, this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_document.AddPlan(dialog.Result()); // selects the new plan alone
}

void CRightView::OnPlanEdit() {
    const int row = FocusedSelectedRow();
    if (row < 0) return;
    const PlanEntry* plan = PlanAt(row);
    const quint64 generation = m_document.Generation();
    CPlanSettingsDlg dialog(m_context, plan, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (m_document.DialogEditApplies(plan, generation, this))
        m_document.ChangePlan(plan, dialog.Result());
}

int CRightView::WantedWidth() const {
    int width = kParametersRoom + 2 * m_details->frameWidth();
    for (int c = 0; c < ParametersColumn; ++c)
        width += kColumnWidths[c];
    return width + m_details->verticalScrollBar()->sizeHint().width();
}

void CRightView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A long Condition gives way before the Parameters summary does, down to
    // a width that still shows its start.
    int others = kParametersRoom;
    for (int c : {TypeColumn, PriorityColumn, FlagsColumn})
        others += m_details->columnWidth(c);
    // The view's own geometry follows this one's only after this event.
    const int room = event->size().width() - 2 * m_details->frameWidth() -
                     m_details->verticalScrollBar()->sizeHint().width() - others;
    m_details->setColumnWidth(ConditionColumn,
                              std::clamp(room, kConditionLeast, kColumnWidths[ConditionColumn]));
}

void CRightView::OnPlanDelete() {
    const std::vector<const PlanEntry*> plans = SelectedPlans();
    m_document.RemovePlans(plans, plans.size() == 1 ? tr("Delete Plan") : tr("Delete Plans"));
}

// The focused plan past its neighbour in the list. The document keeps its
// order; saving sorts it.
void CRightView::MovePlan(int neighbourOffset, const QString& text) {
    const int row = FocusedSelectedRow();
    const int neighbour = row + neighbourOffset;
    if (row < 0 || neighbour < 0 || neighbour >= RowCount()) return;
    m_document.MovePlan(PlanAt(row), PlanAt(neighbour), neighbourOffset < 0, text);
}

bool CRightView::CanMovePlan(int neighbourOffset, QString* why) const {
    const int row = FocusedSelectedRow();
    const int neighbour = row + neighbourOffset;
    if (row < 0 || neighbour < 0 || neighbour >= RowCount()) return false;
    const bool up = neighbourOffset < 0;
    // While the document is replaced the list is a step behind it, its rows
    // naming plans that are gone: only the document's own are looked into.
    const std::vector<const PlanEntry*> plans = m_document.Data().plans.InOrder();
    const PlanEntry* moved = PlanAt(row);
    const PlanEntry* next = PlanAt(neighbour);
    if (std::find(plans.begin(), plans.end(), moved) == plans.end() ||
        std::find(plans.begin(), plans.end(), next) == plans.end())
        return true;
    if (MovedPriorities(plans, moved, next, up)) return true;
    if (why)
        *why = up ? tr("Move Up: the plans above hold every priority up to 16384, the highest.")
                  : tr("Move Down: the plans below hold every priority down to 1, the lowest.");
    return false;
}

void CRightView::OnPlanMoveUp() {
    MovePlan(-1, tr("Move Up"));
}

void CRightView::OnPlanMoveDown() {
    MovePlan(+1, tr("Move Down"));
}

void CRightView::OnPlanAutoArrange() {
    CWaitCursor wait;
    m_document.ArrangePriorities();
}
