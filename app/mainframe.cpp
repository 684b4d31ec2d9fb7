#include "mainframe.h"

#include "appcontext.h"
#include "appsettings.h"
#include "commandids.h"
#include "framecommands.h"
#include "helpwindow.h"
#include "icons.h"
#include "issuesmodel.h"
#include "issuespanel.h"
#include "leftview.h"
#include "modcommands.h"
#include "recentfilelist.h"
#include "reloadwatch.h"
#include "rightview.h"
#include "searchpanel.h"
#include "zeqeditordoc.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

const QString kAppName = QStringLiteral("ZEQ Editor");

} // namespace

CMainFrame::CMainFrame(const CAppContext& context, CZeqEditorDoc& document)
    : m_context(context), m_document(document) {
    setWindowIcon(Icons::Application());
    setMinimumSize(400, 300);
    // The first size, cut to the screen: at a large display scale 900 by 600
    // can be more than the screen shows.
    const QSize room = screen()->availableGeometry().size();
    setMinimumSize(minimumSize().boundedTo(room));
    resize(QSize(900, 600).boundedTo(room * 0.9));
    setAcceptDrops(true);

    CreatePanes();
    // Wide enough for the plan list's columns, as the screen allows.
    resize(QSize(m_left->sizeHint().width() + m_right->WantedWidth() + 16, height())
               .boundedTo(room * 0.9));
    m_commands = new CFrameCommands(m_document, m_context, m_left, m_right, this);
    connect(m_commands, &CFrameCommands::StatusMessage, this, &CMainFrame::ShowStatusMessage);
    connect(Action(ID_FILE_NEW), &QAction::triggered, this, &CMainFrame::NewRequested);
    connect(Action(ID_FILE_OPEN), &QAction::triggered, this, &CMainFrame::OpenRequested);
    m_mod = new CModCommands(m_document, m_context, m_left, m_right, this);
    connect(m_mod, &CModCommands::StatusMessage, this, &CMainFrame::ShowStatusMessage);
    // The source editor is modal: its answer says where the places are listed.
    m_commands->SetWhereUsed([this](const QString& unitClass) {
        if (!m_mod->Mod())
            return tr("Open a mod's folder (File > Open Folder) to find where %1 is used.")
                .arg(unitClass);
        m_mod->WhereUsed(unitClass);
        return tr("%1 The Find in Files panel lists them.").arg(m_mod->Search()->Summary());
    });
    connect(Action(ID_FILE_OPEN_FOLDER), &QAction::triggered, this,
            &CMainFrame::OpenFolderRequested);
    connect(Action(ID_APP_ABOUT), &QAction::triggered, this, &CMainFrame::AboutRequested);
    connect(Action(ID_HELP_GUIDE), &QAction::triggered, this, &CMainFrame::ShowGuide);
    connect(Action(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateIssuesPanel();
    tabifyDockWidget(m_issues, m_mod->Search()); // both are lists of lines under the panes
    m_reload = new CReloadWatch(m_document, this);
    connect(m_reload, &CReloadWatch::StatusMessage, this, &CMainFrame::ShowStatusMessage);
    // A long open says so, with a busy bar, while the window repaints.
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setMaximumWidth(120);
    busy->setAccessibleName(tr("Working"));
    busy->hide();
    statusBar()->addPermanentWidget(busy);
    connect(&m_document, &CZeqEditorDoc::Busy, this, [this, busy](const QString& note) {
        busy->setVisible(!note.isEmpty());
        if (note.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(note);
    });
    // A note about the document before goes with it.
    connect(&m_document, &CZeqEditorDoc::FileUsed, statusBar(), &QStatusBar::clearMessage);

    connect(&m_document, &CZeqEditorDoc::UpdateCountsRequested, this, &CMainFrame::OnUpdateCounts,
            Qt::QueuedConnection);
    connect(&m_document, &CZeqEditorDoc::TitleChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_document, &CZeqEditorDoc::ModifiedChanged, this, &QWidget::setWindowModified);
    connect(&m_document, &CZeqEditorDoc::Reset, this, &CMainFrame::UpdateCommandUI);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* pane : {static_cast<QWidget*>(m_left), static_cast<QWidget*>(m_right)})
            if (now && (now == pane || pane->isAncestorOf(now))) SetActivePane(pane);
    });

    UpdateTitle();
    SetRecentFiles({});
    m_document.PostUpdateCounts();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    // Focus moves and the dock hides while the child widgets go: this frame
    // must not hear of it.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(m_issues, nullptr, this, nullptr);
}

QAction* CMainFrame::Action(int commandId) const {
    if (QAction* action = m_commands->Action(commandId)) return action;
    return m_mod ? m_mod->Action(commandId) : nullptr;
}

QWidget* CMainFrame::ActivePane() const {
    return m_commands->ActivePane();
}

void CMainFrame::SetActivePane(QWidget* pane) {
    m_commands->SetActivePane(pane);
}

void CMainFrame::RunCommand(int commandId) {
    UpdateCommandUI();
    if (QAction* action = Action(commandId); action && action->isEnabled()) action->trigger();
}

void CMainFrame::UpdateCommandUI() {
    m_commands->UpdateCommandUI();
    if (m_mod) m_mod->UpdateCommandUI();
}

std::unique_ptr<QMenu> CMainFrame::PaneContextMenu(QWidget* pane) {
    std::unique_ptr<QMenu> menu = m_commands->PaneContextMenu(pane);
    m_mod->AddClassItems(*menu, pane);
    return menu;
}

void CMainFrame::AskToReload(const QString& path) {
    m_reload->AskToReload(path);
}

void CMainFrame::CreateMenus() {
    // Menu texts show the keys after a tab, as the shortcuts themselves do.
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_OPEN_FOLDER, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                   ID_FILE_SAVE_TIDIED})
        m_fileMenu->addAction(Action(id));
    m_fileMenu->addSeparator();
    m_recentPlaceholder = m_fileMenu->addAction(tr("Recent File"));
    m_recentPlaceholder->setEnabled(false);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(ID_APP_EXIT));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(Action(ID_EDIT_UNDO));
    edit->addAction(Action(ID_EDIT_REDO));
    edit->addSeparator();
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        edit->addAction(Action(id));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_START_CHEAT));
    edit->addAction(Action(ID_EDIT_SOURCE));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_NEXT_ISSUE));
    edit->addAction(Action(ID_EDIT_PREV_ISSUE));
    edit->addSeparator();
    for (int id : {ID_EDIT_FIND_IN_FILES, ID_EDIT_WHERE_USED, ID_EDIT_RENAME_UNITS})
        edit->addAction(Action(id));

    QMenu* match = menuBar()->addMenu(tr("&Match"));
    for (int id : {ID_MATCH_NEW, ID_MATCH_EDIT, ID_MATCH_DELETE})
        match->addAction(Action(id));

    QMenu* plan = menuBar()->addMenu(tr("&Plan"));
    for (int id : {ID_PLAN_NEW, ID_PLAN_EDIT, ID_PLAN_DELETE})
        plan->addAction(Action(id));
    plan->addSeparator();
    plan->addAction(Action(ID_PLAN_MOVE_UP));
    plan->addAction(Action(ID_PLAN_MOVE_DOWN));
    plan->addSeparator();
    plan->addAction(Action(ID_PLAN_AUTO_ARRANGE));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (int id : {ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST, ID_VIEW_DETAILS})
        view->addAction(Action(id));
    view->addSeparator();
    view->addAction(Action(ID_VIEW_ISSUES));
    view->addAction(Action(ID_VIEW_MOD));
    view->addAction(Action(ID_VIEW_FIND_IN_FILES));
    view->addAction(Action(ID_VIEW_TOOLBAR));
    view->addAction(Action(ID_VIEW_STATUS_BAR));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action(ID_HELP_GUIDE));
    help->addAction(Action(ID_APP_ABOUT));

    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(tr("ZEQ Editor Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    const int buttons[] = {ID_FILE_NEW,
                           ID_FILE_OPEN,
                           ID_FILE_SAVE,
                           0,
                           ID_EDIT_UNDO,
                           ID_EDIT_REDO,
                           0,
                           ID_EDIT_START_CHEAT,
                           ID_EDIT_SOURCE,
                           0,
                           ID_ITEM_INSERT,
                           ID_ITEM_EDIT,
                           ID_ITEM_DELETE,
                           0,
                           ID_VIEW_LARGEICON,
                           ID_VIEW_SMALLICON,
                           ID_VIEW_LIST,
                           ID_VIEW_DETAILS,
                           0,
                           ID_PLAN_MOVE_UP,
                           ID_PLAN_MOVE_DOWN,
                           ID_PLAN_AUTO_ARRANGE,
                           0,
                           ID_APP_ABOUT};
    for (int id : buttons) {
        if (id == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(Action(id));
    }
    QAction* toggle = Action(ID_VIEW_TOOLBAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, m_toolBar, &QWidget::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    m_ready = new QLabel(kAppName + " - Ready");
    bar->addWidget(m_ready, 1);
    // The count panes start with their sizing texts until the first count.
    m_matchCount = new QLabel(QStringLiteral("0,000 Match(es)"));
    m_planCount = new QLabel(QStringLiteral("0,000 Plan(s)"));
    for (QLabel* pane : {m_matchCount, m_planCount}) {
        pane->setMinimumWidth(pane->sizeHint().width() + 8);
        pane->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(pane);
    }
    QAction* toggle = Action(ID_VIEW_STATUS_BAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::CreatePanes() {
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_left = new CLeftView(m_document, m_context, m_splitter);
    m_right = new CRightView(m_document, m_context, m_splitter);
    m_left->setMinimumWidth(50);
    m_splitter->addWidget(m_left);
    m_splitter->addWidget(m_right);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 700});
    setCentralWidget(m_splitter);

    connect(m_left, &CLeftView::SelectionChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_right, &CRightView::SelectionChanged, this, &CMainFrame::UpdateCommandUI);
    // The panes' context menus run the frame's commands under its enabling rules.
    connect(m_left, &CLeftView::ContextMenuRequested, this,
            [this](const QPoint& at) { PaneContextMenu(m_left)->exec(at); });
    connect(m_right, &CRightView::ContextMenuRequested, this,
            [this](const QPoint& at) { PaneContextMenu(m_right)->exec(at); });
    connect(
        m_left, &CLeftView::EditRequested, this, [this] { RunCommand(ID_MATCH_EDIT); },
        Qt::QueuedConnection);
}

void CMainFrame::CreateIssuesPanel() {
    m_issues = new CIssuesPanel(m_document, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_issues);
    resizeDocks({m_issues}, {120}, Qt::Vertical); // a few rows; the panes keep the room
    for (auto [id, direction] : {std::pair{ID_EDIT_NEXT_ISSUE, 1}, {ID_EDIT_PREV_ISSUE, -1}})
        connect(Action(id), &QAction::triggered, this, [this, step = direction] {
            m_issues->show();
            m_issues->Step(step);
        });
    QAction* toggle = Action(ID_VIEW_ISSUES);
    toggle->setChecked(m_context.Settings().IssuesPanel());
    m_issues->setVisible(toggle->isChecked());
    connect(toggle, &QAction::triggered, this, [this](bool shown) {
        m_issues->setVisible(shown);
        m_context.Settings().SetIssuesPanel(shown);
    });
    connect(m_issues, &QDockWidget::visibilityChanged, this,
            [this](bool) { Action(ID_VIEW_ISSUES)->setChecked(m_issues->isVisible()); });
    // A file with issues shows them when it opens.
    connect(&m_document, &CZeqEditorDoc::ReportChanged, this, [this](bool opened) {
        if (opened && !m_document.Report().Findings().empty()) m_issues->show();
    });
    connect(m_issues, &CIssuesPanel::PlanRequested, this, [this](const PlanEntry* plan) {
        m_right->SelectPlans({plan});
        m_right->setFocus();
    });
    connect(m_issues, &CIssuesPanel::MatchRequested, this, [this](const MatchEntry* match) {
        m_left->ShowMatch(match);
        m_left->setFocus();
    });
    connect(m_issues, &CIssuesPanel::LineRequested, m_commands, &CFrameCommands::EditSourceAt);
    connect(m_issues, &CIssuesPanel::RemoveByteOrderMarkRequested, this, [this] {
        if (m_document.RemoveByteOrderMark())
            ShowStatusMessage(tr("The byte-order mark is removed: the game reads the first line "
                                 "again. Save to keep it so."));
    });
    connect(m_issues, &CIssuesPanel::DeleteMatchRequested, this, [this](const MatchEntry* match) {
        m_document.RemoveMatches({match}, tr("Delete Match"));
    });
    connect(m_issues, &CIssuesPanel::EditMatchRequested, m_left, &CLeftView::EditMatch);
}

void CMainFrame::SetCatalogsInUse(const QString& text) {
    m_ready->setToolTip(text);
}

void CMainFrame::ShowCatalogNotes(const QList<CatalogNote>& notes) {
    m_issues->SetCatalogNotes(notes);
    if (!notes.isEmpty()) m_issues->show();
}

void CMainFrame::InitialFocus() {
    m_left->setFocus();
}

QString CMainFrame::MatchCountText() const {
    const auto n = m_document.Data().matches.CountMatches();
    return n == 1 ? tr("%1 Match").arg(n) : tr("%1 Matches").arg(n);
}

QString CMainFrame::PlanCountText() const {
    const auto n = m_document.Data().plans.CountPlans();
    return n == 1 ? tr("%1 Plan").arg(n) : tr("%1 Plans").arg(n);
}

void CMainFrame::EditSourceAt(int line) {
    m_commands->EditSourceAt(line);
}

void CMainFrame::EditRecoveredSource(const QString& text) {
    m_commands->EditRecoveredSource(text);
}

void CMainFrame::ShowGuide() {
    // One window, beside the editor's, that stays open while the user works.
    if (!m_guide) m_guide = new CHelpWindow(this);
    m_guide->show();
    m_guide->raise();
    m_guide->activateWindow();
}

void CMainFrame::ShowStatusMessage(const QString& text) {
    statusBar()->showMessage(text, 30000);
}

void CMainFrame::OnUpdateCounts() {
    m_matchCount->setText(MatchCountText());
    m_planCount->setText(PlanCountText());
    UpdateCommandUI();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(kAppName + " - " + m_document.Title() + "[*]");
    setWindowModified(m_document.IsModified());
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& entries) {
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    m_recentPlaceholder->setVisible(entries.empty());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString path = QString::fromStdString(entries[i]);
        const QString native = QDir::toNativeSeparators(path);
        const QString shown =
            QString::fromStdString(CRecentFileList::DisplayName(native.toStdString()));
        // A '&' of the path is a '&', not a mnemonic.
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString(shown).replace('&', "&&")), m_fileMenu);
        action->setStatusTip(native);
        connect(action, &QAction::triggered, this, [this, path] { emit OpenFileRequested(path); });
        m_fileMenu->insertAction(m_recentPlaceholder, action);
        m_recentActions.append(action);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_document.SaveModified(this)) {
        event->ignore();
        return;
    }
    emit Closing();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = urls.first().toLocalFile();
    // Open after the drop has finished, so the dragging program is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, path] { emit OpenFileRequested(path); }, Qt::QueuedConnection);
}
