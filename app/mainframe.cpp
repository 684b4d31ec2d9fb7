#include "mainframe.h"

#include "commandids.h"
#include "filewatch.h"
#include "icons.h"
#include "issuespanel.h"
#include "leftview.h"
#include "qtext.h"
#include "rightview.h"
#include "sourceeditordlg.h"
#include "startcheatdlg.h"
#include "syntaxedit.h"
#include "uiservices.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

const QString kAppName = QStringLiteral("ZEQ Editor");

// Status-bar prompt and tool tip of each command.
struct CommandText {
    int id;
    const char* prompt;
    const char* tip;
};

const CommandText kCommandTexts[] = {
    {ID_FILE_NEW, "Create a new document", "New (Ctrl + N)"},
    {ID_FILE_OPEN, "Open an existing document", "Open (Ctrl + O)"},
    {ID_FILE_SAVE, "Save the active document", "Save (Ctrl + S)"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name", "Save As"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents", "Exit"},
    {ID_EDIT_UNDO, "Undo the last action", "Undo (Ctrl + Z)"},
    {ID_EDIT_REDO, "Redo the action last undone", "Redo (Ctrl + Y)"},
    {ID_EDIT_CUT, "Cut the selected Plans or Match to the clipboard", "Cut (Ctrl + X)"},
    {ID_EDIT_COPY, "Copy the selected Plans or Match to the clipboard", "Copy (Ctrl + C)"},
    {ID_EDIT_PASTE, "Insert the Plans or Matches on the clipboard", "Paste (Ctrl + V)"},
    {ID_EDIT_START_CHEAT, "Edit the Start and Cheat Sections of the current document",
     "Edit Start && Cheat Sections (F9)"},
    {ID_EDIT_SOURCE, "Edit the source code of this ZEQ", "Edit Source (F10)"},
    {ID_MATCH_NEW, "Insert a new Match", "New Match"},
    {ID_MATCH_EDIT, "Edit the selected Match", "Edit Match"},
    {ID_MATCH_DELETE, "Delete the selected Match", "Delete Match"},
    {ID_ITEM_INSERT, "Insert a new Match or Plan", "Insert... (Ins)"},
    {ID_ITEM_EDIT, "Edit the selected Match or Plan", "Edit... (Return)"},
    {ID_ITEM_DELETE, "Delete the selected Match or Plan(s)", "Delete (Del)"},
    {ID_PLAN_NEW, "Insert a new Plan", "New Plan"},
    {ID_PLAN_EDIT, "Edit the selected Plan", "Edit Plan"},
    {ID_PLAN_DELETE, "Delete the selected Plan", "Delete Plan"},
    {ID_PLAN_AUTO_ARRANGE, "Automatically arrange Plan Priorities", "Auto-arrange Priorities (F8)"},
    {ID_PLAN_MOVE_UP, "Move the selected Plan upwards", "Move Up (Alt + Up)"},
    {ID_PLAN_MOVE_DOWN, "Move the selected Plan downwards", "Move Down (Alt + Down)"},
    {ID_VIEW_SMALLICON, "Display items by using small icons.", "Small Icons"},
    {ID_VIEW_LARGEICON, "Display items by using large icons.", "Large Icons"},
    {ID_VIEW_LIST, "Displays items in a list.", "List"},
    {ID_VIEW_DETAILS, "Displays detailed information about each item in the window.", "Details"},
    {ID_VIEW_ISSUES, "Show or hide what the open file loses on saving", "Issues"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar", "Toggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar", "Toggle StatusBar"},
};

// The image of each command that has one (toolbar and menus).
const std::pair<int, Icons::Art> kCommandArt[] = {
    {ID_FILE_NEW, Icons::Art::New},
    {ID_FILE_OPEN, Icons::Art::Open},
    {ID_FILE_SAVE, Icons::Art::Save},
    {ID_EDIT_START_CHEAT, Icons::Art::StartCheat},
    {ID_EDIT_SOURCE, Icons::Art::Source},
    {ID_ITEM_INSERT, Icons::Art::Insert},
    {ID_ITEM_EDIT, Icons::Art::Edit},
    {ID_ITEM_DELETE, Icons::Art::Delete},
    {ID_VIEW_LARGEICON, Icons::Art::LargeIcons},
    {ID_VIEW_SMALLICON, Icons::Art::SmallIcons},
    {ID_VIEW_LIST, Icons::Art::List},
    {ID_VIEW_DETAILS, Icons::Art::Details},
    {ID_PLAN_MOVE_UP, Icons::Art::MoveUp},
    {ID_PLAN_MOVE_DOWN, Icons::Art::MoveDown},
    {ID_PLAN_AUTO_ARRANGE, Icons::Art::AutoArrange},
    {ID_APP_ABOUT, Icons::Art::About},
    {ID_EDIT_UNDO, Icons::Art::Undo},
    {ID_EDIT_REDO, Icons::Art::Redo},
};

// Tool tips use "&&" for a literal "&" like menu texts; Qt shows them as written.
QString TipText(const char* tip) {
    return QString::fromLatin1(tip).replace("&&", "&");
}

// The stored list style for each view-style command.
const std::pair<int, int> kViewStyles[] = {
    {ID_VIEW_LARGEICON, CRightView::LargeIcons},
    {ID_VIEW_DETAILS, CRightView::Details},
    {ID_VIEW_SMALLICON, CRightView::SmallIcons},
    {ID_VIEW_LIST, CRightView::List},
};

} // namespace

CMainFrame::CMainFrame(CZeqEditorApp& app, CZeqEditorDoc& document)
    : m_app(app), m_document(document) {
    setWindowIcon(Icons::Application());
    setMinimumSize(400, 300);
    resize(900, 600);
    setAcceptDrops(true);

    CreatePanes();
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateIssuesPanel();
    WatchTheFile();

    connect(&m_document, &CZeqEditorDoc::UpdateCountsRequested, this, &CMainFrame::OnUpdateCounts,
            Qt::QueuedConnection);
    connect(&m_document, &CZeqEditorDoc::TitleChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_document, &CZeqEditorDoc::ModifiedChanged, this, &QWidget::setWindowModified);
    connect(&m_document, &CZeqEditorDoc::Reset, this, &CMainFrame::UpdateCommandUI);
    connect(&m_app, &CZeqEditorApp::RecentFilesChanged, this, &CMainFrame::UpdateRecentFileMenu);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* pane : {static_cast<QWidget*>(m_left), static_cast<QWidget*>(m_right)})
            if (now && (now == pane || pane->isAncestorOf(now))) SetActivePane(pane);
    });
    m_document.SetStartCheatCommand([this] { OnEditStartCheat(); });

    UpdateTitle();
    UpdateRecentFileMenu();
    m_document.PostUpdateCounts();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    // Focus moves and the dock hides while the child widgets go: this frame
    // must not hear of it.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(m_issues, nullptr, this, nullptr);
    m_document.SetStartCheatCommand({});
}

QAction* CMainFrame::AddCommand(int id, const QString& text, void (CMainFrame::*handler)()) {
    auto* action = new QAction(text, this);
    action->setData(id);
    for (const auto& [command, art] : kCommandArt)
        if (command == id) action->setIcon(Icons::Get(art));
    for (const CommandText& t : kCommandTexts) {
        if (t.id != id) continue;
        action->setStatusTip(QString::fromLatin1(t.prompt));
        action->setToolTip(TipText(t.tip));
    }
    if (handler) connect(action, &QAction::triggered, this, handler);
    m_actions.insert(id, action);
    addAction(action); // shortcuts work while the menu bar is hidden too
    return action;
}

void CMainFrame::CreateActions() {
    auto shortcut = [this](int id, std::initializer_list<QKeySequence> keys) {
        m_actions[id]->setShortcuts(QList<QKeySequence>(keys));
    };
    AddCommand(ID_FILE_NEW, tr("&New"), nullptr);
    connect(m_actions[ID_FILE_NEW], &QAction::triggered, &m_app, &CZeqEditorApp::OnFileNew);
    AddCommand(ID_FILE_OPEN, tr("&Open..."), nullptr);
    connect(m_actions[ID_FILE_OPEN], &QAction::triggered, &m_app, &CZeqEditorApp::OnFileOpen);
    AddCommand(ID_FILE_SAVE, tr("&Save"), nullptr);
    connect(m_actions[ID_FILE_SAVE], &QAction::triggered, this,
            [this] { m_document.DoFileSave(this); });
    AddCommand(ID_FILE_SAVE_AS, tr("Save &As..."), nullptr);
    connect(m_actions[ID_FILE_SAVE_AS], &QAction::triggered, this,
            [this] { m_document.DoSaveAs(this); });
    AddCommand(ID_APP_EXIT, tr("E&xit"), nullptr);
    connect(m_actions[ID_APP_EXIT], &QAction::triggered, this, &QWidget::close);
    AddCommand(ID_APP_ABOUT, tr("&About ZEQ Editor..."), nullptr);
    connect(m_actions[ID_APP_ABOUT], &QAction::triggered, &m_app, &CZeqEditorApp::OnAppAbout);

    QUndoStack& undo = m_document.UndoStack();
    AddCommand(ID_EDIT_UNDO, tr("&Undo"), nullptr);
    connect(m_actions[ID_EDIT_UNDO], &QAction::triggered, &undo, &QUndoStack::undo);
    AddCommand(ID_EDIT_REDO, tr("&Redo"), nullptr);
    connect(m_actions[ID_EDIT_REDO], &QAction::triggered, &undo, &QUndoStack::redo);
    // "Undo Delete Plans", "Redo Move Up": the texts name the step.
    connect(&undo, &QUndoStack::undoTextChanged, this, [this](const QString& step) {
        m_actions[ID_EDIT_UNDO]->setText(step.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(step));
    });
    connect(&undo, &QUndoStack::redoTextChanged, this, [this](const QString& step) {
        m_actions[ID_EDIT_REDO]->setText(step.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(step));
    });
    connect(&undo, &QUndoStack::indexChanged, this, &CMainFrame::UpdateCommandUI);
    AddCommand(ID_EDIT_CUT, tr("Cu&t"), &CMainFrame::OnEditCut);
    AddCommand(ID_EDIT_COPY, tr("&Copy"), &CMainFrame::OnEditCopy);
    AddCommand(ID_EDIT_PASTE, tr("&Paste"), &CMainFrame::OnEditPaste);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::UpdateCommandUI);
    AddCommand(ID_EDIT_START_CHEAT, tr("&Start && Cheat Sections..."),
               &CMainFrame::OnEditStartCheat);
    AddCommand(ID_EDIT_SOURCE, tr("S&ource..."), &CMainFrame::OnEditSource);

    AddCommand(ID_MATCH_NEW, tr("&New..."), nullptr);
    connect(m_actions[ID_MATCH_NEW], &QAction::triggered, m_left, &CLeftView::OnMatchNew);
    AddCommand(ID_MATCH_EDIT, tr("&Edit..."), nullptr);
    connect(m_actions[ID_MATCH_EDIT], &QAction::triggered, m_left, &CLeftView::OnMatchEdit);
    AddCommand(ID_MATCH_DELETE, tr("&Delete"), nullptr);
    connect(m_actions[ID_MATCH_DELETE], &QAction::triggered, m_left, &CLeftView::OnMatchDelete);

    const std::pair<int, void (CRightView::*)()> planCommands[] = {
        {ID_PLAN_NEW, &CRightView::OnPlanNew},
        {ID_PLAN_EDIT, &CRightView::OnPlanEdit},
        {ID_PLAN_DELETE, &CRightView::OnPlanDelete},
        {ID_PLAN_MOVE_UP, &CRightView::OnPlanMoveUp},
        {ID_PLAN_MOVE_DOWN, &CRightView::OnPlanMoveDown},
        {ID_PLAN_AUTO_ARRANGE, &CRightView::OnPlanAutoArrange}};
    const QString planTexts[] = {tr("&New..."),  tr("&Edit..."),   tr("&Delete"),
                                 tr("Move &Up"), tr("Move D&own"), tr("&Auto-arrange Priorities")};
    for (std::size_t i = 0; i < std::size(planCommands); ++i) {
        AddCommand(planCommands[i].first, planTexts[i], nullptr);
        connect(m_actions[planCommands[i].first], &QAction::triggered, m_right,
                planCommands[i].second);
    }

    AddCommand(ID_ITEM_INSERT, tr("Insert"), &CMainFrame::OnItemInsert);
    AddCommand(ID_ITEM_EDIT, tr("Edit"), &CMainFrame::OnItemEdit);
    AddCommand(ID_ITEM_DELETE, tr("Delete"), &CMainFrame::OnItemDelete);

    auto* styles = new QActionGroup(this);
    const std::pair<int, QString> styleTexts[] = {{ID_VIEW_LARGEICON, tr("Large Icons")},
                                                  {ID_VIEW_SMALLICON, tr("Small Icons")},
                                                  {ID_VIEW_LIST, tr("List")},
                                                  {ID_VIEW_DETAILS, tr("Details")}};
    for (const auto& [id, text] : styleTexts) {
        QAction* action = AddCommand(id, text, nullptr);
        action->setCheckable(true);
        styles->addAction(action);
        for (const auto& [command, style] : kViewStyles)
            if (command == id)
                connect(action, &QAction::triggered, this, [this, s = style] { SetViewStyle(s); });
    }
    AddCommand(ID_VIEW_ISSUES, tr("&Issues"), nullptr)->setCheckable(true);
    AddCommand(ID_VIEW_TOOLBAR, tr("&Toolbar"), nullptr)->setCheckable(true);
    AddCommand(ID_VIEW_STATUS_BAR, tr("&Status Bar"), nullptr)->setCheckable(true);

    AddCommand(ID_NEXT_PANE, tr("Next Pane"), nullptr);
    connect(m_actions[ID_NEXT_PANE], &QAction::triggered, this, &CMainFrame::FocusOtherPane);
    AddCommand(ID_PREV_PANE, tr("Previous Pane"), nullptr);
    connect(m_actions[ID_PREV_PANE], &QAction::triggered, this, &CMainFrame::FocusOtherPane);

    shortcut(ID_FILE_NEW, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    shortcut(ID_FILE_OPEN, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    shortcut(ID_FILE_SAVE, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    shortcut(ID_FILE_SAVE_AS, {QKeySequence(Qt::Key_F12)});
    shortcut(ID_EDIT_UNDO,
             {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    shortcut(ID_EDIT_REDO,
             {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    shortcut(ID_EDIT_CUT,
             {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    shortcut(ID_EDIT_COPY,
             {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    shortcut(ID_EDIT_PASTE,
             {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    shortcut(ID_EDIT_START_CHEAT, {QKeySequence(Qt::Key_F9)});
    shortcut(ID_EDIT_SOURCE, {QKeySequence(Qt::Key_F10)});
    shortcut(ID_ITEM_INSERT, {QKeySequence(Qt::Key_Insert)});
    shortcut(ID_ITEM_EDIT, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    shortcut(ID_ITEM_DELETE, {QKeySequence(Qt::Key_Delete)});
    shortcut(ID_PLAN_MOVE_UP, {QKeySequence(Qt::ALT | Qt::Key_Up)});
    shortcut(ID_PLAN_MOVE_DOWN, {QKeySequence(Qt::ALT | Qt::Key_Down)});
    shortcut(ID_PLAN_AUTO_ARRANGE, {QKeySequence(Qt::Key_F8)});
    shortcut(ID_NEXT_PANE, {QKeySequence(Qt::Key_F6)});
    shortcut(ID_PREV_PANE, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});

    // The keys of the record commands act in the pane that has the focus and
    // nowhere else: in the Issues panel Del, Ins and the clipboard keys are
    // that panel's own. Menus and buttons still run them on the active pane.
    for (int id : {ID_ITEM_INSERT, ID_ITEM_EDIT, ID_ITEM_DELETE, ID_EDIT_CUT, ID_EDIT_COPY,
                   ID_EDIT_PASTE, ID_PLAN_MOVE_UP, ID_PLAN_MOVE_DOWN}) {
        QAction* action = m_actions[id];
        removeAction(action);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_left->addAction(action);
        m_right->addAction(action);
    }
}

void CMainFrame::CreateMenus() {
    // Menu texts show the keys after a tab, as the shortcuts themselves do.
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS})
        m_fileMenu->addAction(m_actions[id]);
    m_fileMenu->addSeparator();
    m_recentPlaceholder = m_fileMenu->addAction(tr("Recent File"));
    m_recentPlaceholder->setEnabled(false);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions[ID_APP_EXIT]);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(m_actions[ID_EDIT_UNDO]);
    edit->addAction(m_actions[ID_EDIT_REDO]);
    edit->addSeparator();
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        edit->addAction(m_actions[id]);
    edit->addSeparator();
    edit->addAction(m_actions[ID_EDIT_START_CHEAT]);
    edit->addAction(m_actions[ID_EDIT_SOURCE]);

    QMenu* match = menuBar()->addMenu(tr("&Match"));
    for (int id : {ID_MATCH_NEW, ID_MATCH_EDIT, ID_MATCH_DELETE})
        match->addAction(m_actions[id]);

    QMenu* plan = menuBar()->addMenu(tr("&Plan"));
    for (int id : {ID_PLAN_NEW, ID_PLAN_EDIT, ID_PLAN_DELETE})
        plan->addAction(m_actions[id]);
    plan->addSeparator();
    plan->addAction(m_actions[ID_PLAN_MOVE_UP]);
    plan->addAction(m_actions[ID_PLAN_MOVE_DOWN]);
    plan->addSeparator();
    plan->addAction(m_actions[ID_PLAN_AUTO_ARRANGE]);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (int id : {ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST, ID_VIEW_DETAILS})
        view->addAction(m_actions[id]);
    view->addSeparator();
    view->addAction(m_actions[ID_VIEW_ISSUES]);
    view->addAction(m_actions[ID_VIEW_TOOLBAR]);
    view->addAction(m_actions[ID_VIEW_STATUS_BAR]);

    menuBar()->addMenu(tr("&Help"))->addAction(m_actions[ID_APP_ABOUT]);

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
            m_toolBar->addAction(m_actions[id]);
    }
    QAction* toggle = m_actions[ID_VIEW_TOOLBAR];
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, m_toolBar, &QWidget::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->addWidget(new QLabel(kAppName + " - Ready"), 1);
    // The count panes start with their sizing texts until the first count.
    m_matchCount = new QLabel(QStringLiteral("0,000 Match(es)"));
    m_planCount = new QLabel(QStringLiteral("0,000 Plan(s)"));
    for (QLabel* pane : {m_matchCount, m_planCount}) {
        pane->setMinimumWidth(pane->sizeHint().width() + 8);
        pane->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(pane);
    }
    QAction* toggle = m_actions[ID_VIEW_STATUS_BAR];
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::CreatePanes() {
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_left = new CLeftView(m_document, m_app.Context(), m_splitter);
    m_right = new CRightView(m_document, m_app.Context(), m_splitter);
    m_left->setMinimumWidth(50);
    m_splitter->addWidget(m_left);
    m_splitter->addWidget(m_right);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 700});
    setCentralWidget(m_splitter);
    m_activePane = m_left;

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
    QAction* toggle = m_actions[ID_VIEW_ISSUES];
    toggle->setChecked(m_app.Settings().IssuesPanel());
    m_issues->setVisible(toggle->isChecked());
    connect(toggle, &QAction::triggered, this, [this](bool shown) {
        m_issues->setVisible(shown);
        m_app.Settings().SetIssuesPanel(shown);
    });
    connect(m_issues, &QDockWidget::visibilityChanged, this,
            [this](bool) { m_actions[ID_VIEW_ISSUES]->setChecked(m_issues->isVisible()); });
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
    connect(m_issues, &CIssuesPanel::LineRequested, this, &CMainFrame::EditSourceAt);
    connect(m_issues, &CIssuesPanel::DeleteMatchRequested, this, [this](const MatchEntry* match) {
        m_document.RemoveMatches({match}, tr("Delete Match"));
    });
    connect(m_issues, &CIssuesPanel::EditMatchRequested, m_left, &CLeftView::EditMatch);
}

void CMainFrame::WatchTheFile() {
    m_watch = new CFileWatch(this);
    // Opened or saved: the file as it now is, is the document's.
    connect(&m_document, &CZeqEditorDoc::FileUsed, m_watch, &CFileWatch::Watch);
    connect(&m_document, &CZeqEditorDoc::TitleChanged, this, [this] {
        if (m_document.PathName().isEmpty()) m_watch->Forget();
    });
    connect(m_watch, &CFileWatch::Changed, this, &CMainFrame::AskToReload);
    m_reloadRetry = new QTimer(this);
    m_reloadRetry->setSingleShot(true);
    m_reloadRetry->setInterval(250);
    connect(m_reloadRetry, &QTimer::timeout, this, [this] {
        // Another document meanwhile: the question is no longer about it.
        if (m_pendingGeneration == m_document.Generation()) AskToReload(m_pendingReload);
    });
    connect(m_watch, &CFileWatch::Removed, this, [this](const QString& path) {
        ShowStatusMessage(tr("%1 has been deleted on disk; saving writes it again.")
                              .arg(QFileInfo(path).fileName()));
    });
}

void CMainFrame::AskToReload(const QString& path) {
    QWidget* modal = QApplication::activeModalWidget();
    auto* source = qobject_cast<CSourceEditorDlg*>(modal);
    if (modal && !source) {
        // An open dialog may hold a record of the document: the question
        // waits until it is closed.
        m_pendingReload = path;
        m_pendingGeneration = m_document.Generation();
        m_reloadRetry->start();
        return;
    }
    const bool modified = m_document.IsModified();
    QString question = tr("%1 has been changed on disk. Reload it?").arg(path);
    if (modified) question += "\n\n" + tr("Your unsaved changes to it will be lost.");
    if (source && source->Editor()->document()->isModified())
        question += "\n\n" + tr("The source editor has changes that are not applied yet; "
                                "reloading closes it and they are lost.");
    // Without changes of the user's own, reloading is the default.
    if (Ui().Choose(source ? static_cast<QWidget*>(source) : this, IUiServices::Icon::Question,
                    question, {tr("&Reload"), tr("&No")}, modified ? 1 : 0) == 0) {
        if (source) source->done(QDialog::Rejected);
        m_document.OnOpenDocument(path, this);
        return;
    }
    // Kept: what the window shows is not what the file holds any more.
    m_document.SetModifiedFlag();
}

void CMainFrame::ShowCatalogNotes(const QList<CatalogNote>& notes) {
    m_issues->SetCatalogNotes(notes);
    if (!notes.isEmpty()) m_issues->show();
}

std::unique_ptr<QMenu> CMainFrame::PaneContextMenu(QWidget* pane) {
    if (pane == m_left)
        return ContextMenu(tr("Matches"), {{ID_MATCH_NEW, "New...\tIns"},
                                           {ID_MATCH_EDIT, "Edit...\tEnter"},
                                           {ID_MATCH_DELETE, "Delete\tDel"}});
    return ContextMenu(tr("Plans"), {{ID_PLAN_NEW, "New...\tIns"},
                                     {ID_PLAN_EDIT, "Edit...\tEnter"},
                                     {ID_PLAN_DELETE, "Delete\tDel"},
                                     {0, ""},
                                     {ID_PLAN_MOVE_UP, "Move &Up\tAlt + Up"},
                                     {ID_PLAN_MOVE_DOWN, "Move D&own\tAlt + Down"},
                                     {0, ""},
                                     {ID_PLAN_AUTO_ARRANGE, "&Auto-arrange Priorities\tF8"}});
}

std::unique_ptr<QMenu>
CMainFrame::ContextMenu(const QString& title,
                        std::initializer_list<std::pair<int, const char*>> items) {
    UpdateCommandUI();
    auto menu = std::make_unique<QMenu>(title, this);
    for (const auto& [id, text] : items) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(tr(text), this, [this, id = id] { RunCommand(id); });
        item->setEnabled(m_actions[id]->isEnabled());
        item->setStatusTip(m_actions[id]->statusTip());
    }
    return menu;
}

void CMainFrame::InitialFocus() {
    m_left->setFocus();
}

void CMainFrame::SetActivePane(QWidget* pane) {
    if (m_activePane == pane) return;
    m_activePane = pane;
    UpdateCommandUI();
}

void CMainFrame::FocusOtherPane() {
    // With two panes the next and the previous pane are the same one.
    QWidget* next = m_activePane == m_left ? static_cast<QWidget*>(m_right) : m_left;
    SetActivePane(next);
    next->setFocus();
}

void CMainFrame::RunCommand(int commandId) {
    UpdateCommandUI();
    if (QAction* action = m_actions.value(commandId); action && action->isEnabled())
        action->trigger();
}

void CMainFrame::UpdateCommandUI() {
    m_actions[ID_EDIT_UNDO]->setEnabled(m_document.UndoStack().canUndo());
    m_actions[ID_EDIT_REDO]->setEnabled(m_document.UndoStack().canRedo());
    const bool list = m_activePane == m_right;
    const bool selection = list ? !m_right->SelectedRows().isEmpty() : m_left->HasSelection();
    m_actions[ID_EDIT_CUT]->setEnabled(selection);
    m_actions[ID_EDIT_COPY]->setEnabled(selection);
    const QString clip = QGuiApplication::clipboard()->text();
    m_actions[ID_EDIT_PASTE]->setEnabled(clip.contains(
        list ? QStringLiteral("[plan") : QStringLiteral("[match"), Qt::CaseInsensitive));
    m_actions[ID_MATCH_EDIT]->setEnabled(m_left->SelectedMatch() != nullptr);
    m_actions[ID_MATCH_DELETE]->setEnabled(m_left->HasSelection());
    const int row = m_right->FocusedSelectedRow();
    m_actions[ID_PLAN_EDIT]->setEnabled(row >= 0);
    m_actions[ID_PLAN_DELETE]->setEnabled(!m_right->SelectedRows().isEmpty()); // every selected row
    m_actions[ID_PLAN_MOVE_UP]->setEnabled(row >= 1);
    m_actions[ID_PLAN_MOVE_DOWN]->setEnabled(row >= 0 && row < m_right->RowCount() - 1);
    for (const auto& [id, style] : kViewStyles)
        m_actions[id]->setChecked(m_right->ViewStyle() == style);
}

void CMainFrame::SetViewStyle(int style) {
    m_right->SetViewStyle(style);
    m_app.Settings().SetViewStyle(style);
    UpdateCommandUI();
}

void CMainFrame::OnItemInsert() {
    RunCommand(m_activePane == m_right ? ID_PLAN_NEW : ID_MATCH_NEW);
}

void CMainFrame::OnItemEdit() {
    RunCommand(m_activePane == m_right ? ID_PLAN_EDIT : ID_MATCH_EDIT);
}

void CMainFrame::OnItemDelete() {
    RunCommand(m_activePane == m_right ? ID_PLAN_DELETE : ID_MATCH_DELETE);
}

QString CMainFrame::MatchCountText() const {
    const auto n = m_document.Data().matches.CountMatches();
    return n == 1 ? tr("%1 Match").arg(n) : tr("%1 Matches").arg(n);
}

QString CMainFrame::PlanCountText() const {
    const auto n = m_document.Data().plans.CountPlans();
    return n == 1 ? tr("%1 Plan").arg(n) : tr("%1 Plans").arg(n);
}

void CMainFrame::ShowStatusMessage(const QString& text) {
    statusBar()->showMessage(text, 30000);
}

void CMainFrame::OnUpdateCounts() {
    m_matchCount->setText(MatchCountText());
    m_planCount->setText(PlanCountText());
    UpdateCommandUI();
}

void CMainFrame::OnEditStartCheat() {
    const quint64 generation = m_document.Generation();
    CStartCheatDlg dialog(m_app.Context(), m_document.Data().start, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (m_document.DialogEditApplies(generation, this)) m_document.SetStart(dialog.Result());
}

// The clipboard holds plans and matches as plan-file text, so that they move
// between documents and to and from any text editor.
void CMainFrame::OnEditCopy() {
    std::string text;
    if (m_activePane == m_right)
        text = PlanSectionsText(m_right->SelectedPlans());
    else
        text = MatchSectionText(m_left->SelectedMatches());
    if (!text.empty()) QGuiApplication::clipboard()->setText(ToQt(text));
}

void CMainFrame::OnEditCut() {
    OnEditCopy();
    if (m_activePane == m_right)
        m_document.RemovePlans(m_right->SelectedPlans(), tr("Cut Plans"));
    else
        m_document.RemoveMatches(m_left->SelectedMatches(), tr("Cut Matches"));
}

void CMainFrame::OnEditPaste() {
    CPlanData pasted;
    pasted.LoadText(FromQt(QGuiApplication::clipboard()->text()));
    if (m_activePane == m_right) {
        std::vector<PlanEntry> plans;
        for (const auto& plan : pasted.plans.All())
            plans.push_back(std::move(*plan));
        if (plans.empty()) return ShowStatusMessage(tr("The clipboard holds no plans."));
        m_document.AddPlans(std::move(plans), tr("Paste Plans"));
    } else {
        std::vector<MatchEntry> matches;
        for (const auto& match : pasted.matches.All())
            matches.push_back(std::move(*match));
        if (matches.empty()) return ShowStatusMessage(tr("The clipboard holds no matches."));
        m_document.AddMatches(std::move(matches), tr("Paste Matches"));
    }
}

void CMainFrame::OnEditSource() {
    EditSourceAt(0);
}

// The lines of the Issues panel are lines of the file as opened: while the
// document is unchanged the source editor shows that very text.
void CMainFrame::EditSourceAt(int line) {
    const std::string_view fileText = m_document.FileText();
    if (line > 0 && fileText.empty())
        ShowStatusMessage(tr("The document has changed since the file was opened: its lines "
                             "are no longer those of the Issues panel."));
    const QString text =
        ToQt(line > 0 && !fileText.empty() ? fileText : std::string_view(m_document.Data().Text()));
    CPlanData edited;
    if (RunSourceEditor(m_app.Context(), text, fileText.empty() ? 0 : line, edited, this))
        m_document.ReplaceData(std::move(edited));
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(kAppName + " - " + m_document.Title() + "[*]");
    setWindowModified(m_document.IsModified());
}

void CMainFrame::UpdateRecentFileMenu() {
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    const auto& entries = m_app.RecentFiles().Entries();
    m_recentPlaceholder->setVisible(entries.empty());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString path = QString::fromStdString(entries[i]);
        const QString shown = QString::fromStdString(CRecentFileList::DisplayName(entries[i]));
        // A '&' of the path is a '&', not a mnemonic.
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString(shown).replace('&', "&&")), m_fileMenu);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { m_app.OpenDocumentFile(path); });
        m_fileMenu->insertAction(m_recentPlaceholder, action);
        m_recentActions.append(action);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_document.SaveModified(this)) {
        event->ignore();
        return;
    }
    m_app.ExitInstance();
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
        this, [this, path] { m_app.OpenDocumentFile(path); }, Qt::QueuedConnection);
}
