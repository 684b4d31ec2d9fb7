#include "framecommands.h"

#include "appcontext.h"
#include "appsettings.h"
#include "commandids.h"
#include "icons.h"
#include "leftview.h"
#include "qtext.h"
#include "recoveryfile.h"
#include "rightview.h"
#include "sourceeditordlg.h"
#include "startcheatdlg.h"
#include "syntaxedit.h"
#include "zeqeditordoc.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>

namespace {

// The source editor gives CR LF back; a file written with LF (or CR) keeps its own.
QString WithLineEndsOf(const std::string& file, QString text) {
    const std::size_t end = file.find_first_of("\r\n");
    if (end != std::string::npos && file.compare(end, 2, "\r\n") != 0)
        text.replace(QStringLiteral("\r\n"), QString(QChar::fromLatin1(file[end])));
    return text;
}

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
    {ID_EDIT_NEXT_ISSUE, "Go to the next row of the Issues panel", "Next Issue (F7)"},
    {ID_EDIT_PREV_ISSUE, "Go to the previous row of the Issues panel",
     "Previous Issue (Shift + F7)"},
    {ID_HELP_GUIDE, "Show the user guide", "User Guide (F1)"},
    {ID_FILE_SAVE_TIDIED,
     "Save the document in the tidy layout: plans by priority and renumbered, without comments "
     "and what the game does not read",
     "Save Tidied"},
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

CFrameCommands::CFrameCommands(CZeqEditorDoc& document, const CAppContext& context, CLeftView* left,
                               CRightView* right, QWidget* window)
    : QObject(window), m_document(document), m_context(context), m_left(left), m_right(right),
      m_window(window), m_activePane(left) {
    CreateActions();
    SetKeys();
    m_document.SetStartCheatCommand([this] { OnEditStartCheat(); });
    m_document.SetMendCommand([this](const QString& path, const std::string& text, int line) {
        return Mend(path, text, line);
    });
}

CFrameCommands::~CFrameCommands() {
    m_document.SetStartCheatCommand({});
    m_document.SetMendCommand({});
}

QAction* CFrameCommands::Add(int id, const QString& text) {
    auto* action = new QAction(text, m_window);
    action->setData(id);
    for (const auto& [command, art] : kCommandArt)
        if (command == id) action->setIcon(Icons::Get(art));
    for (const CommandText& t : kCommandTexts) {
        if (t.id != id) continue;
        action->setStatusTip(QString::fromLatin1(t.prompt));
        action->setToolTip(TipText(t.tip));
    }
    m_actions.insert(id, action);
    m_window->addAction(action); // shortcuts work while the menu bar is hidden too
    return action;
}

void CFrameCommands::CreateActions() {
    // The window's own: it connects them.
    Add(ID_FILE_NEW, tr("&New"));
    Add(ID_FILE_OPEN, tr("&Open..."));
    Add(ID_APP_EXIT, tr("E&xit"));
    Add(ID_APP_ABOUT, tr("&About ZEQ Editor..."));
    connect(Add(ID_FILE_SAVE, tr("&Save")), &QAction::triggered, this,
            [this] { m_document.DoFileSave(m_window); });
    connect(Add(ID_FILE_SAVE_AS, tr("Save &As...")), &QAction::triggered, this,
            [this] { m_document.DoSaveAs(m_window); });
    connect(Add(ID_FILE_SAVE_TIDIED, tr("Save &Tidied...")), &QAction::triggered, this,
            [this] { m_document.DoSaveTidied(m_window); });

    QUndoStack& undo = m_document.UndoStack();
    Add(ID_EDIT_UNDO, tr("&Undo"));
    connect(m_actions[ID_EDIT_UNDO], &QAction::triggered, &undo, &QUndoStack::undo);
    Add(ID_EDIT_REDO, tr("&Redo"));
    connect(m_actions[ID_EDIT_REDO], &QAction::triggered, &undo, &QUndoStack::redo);
    // "Undo Delete Plans", "Redo Move Up": the texts name the step.
    connect(&undo, &QUndoStack::undoTextChanged, this, [this](const QString& step) {
        m_actions[ID_EDIT_UNDO]->setText(step.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(step));
    });
    connect(&undo, &QUndoStack::redoTextChanged, this, [this](const QString& step) {
        m_actions[ID_EDIT_REDO]->setText(step.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(step));
    });
    connect(&undo, &QUndoStack::indexChanged, this, &CFrameCommands::UpdateCommandUI);
    connect(Add(ID_EDIT_CUT, tr("Cu&t")), &QAction::triggered, this, &CFrameCommands::OnEditCut);
    connect(Add(ID_EDIT_COPY, tr("&Copy")), &QAction::triggered, this, &CFrameCommands::OnEditCopy);
    connect(Add(ID_EDIT_PASTE, tr("&Paste")), &QAction::triggered, this,
            &CFrameCommands::OnEditPaste);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CFrameCommands::UpdateCommandUI);
    connect(Add(ID_EDIT_START_CHEAT, tr("&Start && Cheat Sections...")), &QAction::triggered, this,
            &CFrameCommands::OnEditStartCheat);
    connect(Add(ID_EDIT_SOURCE, tr("S&ource...")), &QAction::triggered, this,
            &CFrameCommands::OnEditSource);

    Add(ID_MATCH_NEW, tr("&New..."));
    connect(m_actions[ID_MATCH_NEW], &QAction::triggered, m_left, &CLeftView::OnMatchNew);
    Add(ID_MATCH_EDIT, tr("&Edit..."));
    connect(m_actions[ID_MATCH_EDIT], &QAction::triggered, m_left, &CLeftView::OnMatchEdit);
    Add(ID_MATCH_DELETE, tr("&Delete"));
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
        Add(planCommands[i].first, planTexts[i]);
        connect(m_actions[planCommands[i].first], &QAction::triggered, m_right,
                planCommands[i].second);
    }

    connect(Add(ID_ITEM_INSERT, tr("Insert")), &QAction::triggered, this,
            &CFrameCommands::OnItemInsert);
    connect(Add(ID_ITEM_EDIT, tr("Edit")), &QAction::triggered, this, &CFrameCommands::OnItemEdit);
    connect(Add(ID_ITEM_DELETE, tr("Delete")), &QAction::triggered, this,
            &CFrameCommands::OnItemDelete);

    auto* styles = new QActionGroup(this);
    const std::pair<int, QString> styleTexts[] = {{ID_VIEW_LARGEICON, tr("Large Icons")},
                                                  {ID_VIEW_SMALLICON, tr("Small Icons")},
                                                  {ID_VIEW_LIST, tr("List")},
                                                  {ID_VIEW_DETAILS, tr("Details")}};
    for (const auto& [id, text] : styleTexts) {
        QAction* action = Add(id, text);
        action->setCheckable(true);
        styles->addAction(action);
        for (const auto& [command, style] : kViewStyles)
            if (command == id)
                connect(action, &QAction::triggered, this, [this, s = style] { SetViewStyle(s); });
    }
    Add(ID_VIEW_ISSUES, tr("&Issues"))->setCheckable(true);
    Add(ID_VIEW_TOOLBAR, tr("&Toolbar"))->setCheckable(true);
    Add(ID_VIEW_STATUS_BAR, tr("&Status Bar"))->setCheckable(true);

    Add(ID_EDIT_NEXT_ISSUE, tr("Ne&xt Issue"));
    Add(ID_EDIT_PREV_ISSUE, tr("Pre&vious Issue"));
    Add(ID_HELP_GUIDE, tr("&User Guide"));
    Add(ID_NEXT_PANE, tr("Next Pane"));
    connect(m_actions[ID_NEXT_PANE], &QAction::triggered, this, &CFrameCommands::FocusOtherPane);
    Add(ID_PREV_PANE, tr("Previous Pane"));
    connect(m_actions[ID_PREV_PANE], &QAction::triggered, this, &CFrameCommands::FocusOtherPane);
}

void CFrameCommands::SetKeys() {
    auto shortcut = [this](int id, std::initializer_list<QKeySequence> keys) {
        m_actions[id]->setShortcuts(QList<QKeySequence>(keys));
    };
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
    // F8, which code editors use for the next problem, is Auto-arrange here.
    shortcut(ID_EDIT_NEXT_ISSUE, {QKeySequence(Qt::Key_F7)});
    shortcut(ID_EDIT_PREV_ISSUE, {QKeySequence(Qt::SHIFT | Qt::Key_F7)});
    shortcut(ID_HELP_GUIDE, {QKeySequence(Qt::Key_F1)});
    shortcut(ID_PREV_PANE, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});

    // The keys of the record commands act in the pane that has the focus and
    // nowhere else: in the Issues panel Del, Ins and the clipboard keys are
    // that panel's own. Menus and buttons still run them on the active pane.
    for (int id : {ID_ITEM_INSERT, ID_ITEM_EDIT, ID_ITEM_DELETE, ID_EDIT_CUT, ID_EDIT_COPY,
                   ID_EDIT_PASTE, ID_PLAN_MOVE_UP, ID_PLAN_MOVE_DOWN}) {
        QAction* action = m_actions[id];
        m_window->removeAction(action);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_left->addAction(action);
        m_right->addAction(action);
    }
}

std::unique_ptr<QMenu> CFrameCommands::PaneContextMenu(QWidget* pane) {
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
CFrameCommands::ContextMenu(const QString& title,
                            std::initializer_list<std::pair<int, const char*>> items) {
    UpdateCommandUI();
    auto menu = std::make_unique<QMenu>(title, m_window);
    for (const auto& [id, text] : items) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(tr(text), this, [this, id = id] { Run(id); });
        item->setEnabled(m_actions[id]->isEnabled());
        item->setStatusTip(m_actions[id]->statusTip());
    }
    return menu;
}

void CFrameCommands::SetActivePane(QWidget* pane) {
    if (m_activePane == pane) return;
    m_activePane = pane;
    UpdateCommandUI();
}

void CFrameCommands::FocusOtherPane() {
    // With two panes the next and the previous pane are the same one.
    QWidget* next = m_activePane == m_left ? static_cast<QWidget*>(m_right) : m_left;
    SetActivePane(next);
    next->setFocus();
}

void CFrameCommands::Run(int commandId) {
    UpdateCommandUI();
    if (QAction* action = m_actions.value(commandId); action && action->isEnabled())
        action->trigger();
}

void CFrameCommands::UpdateCommandUI() {
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
    // A plan that cannot move for its priority: the command is off, and the
    // status bar says why, once.
    QString why;
    m_actions[ID_PLAN_MOVE_UP]->setEnabled(m_right->CanMovePlan(-1, &why));
    m_actions[ID_PLAN_MOVE_DOWN]->setEnabled(m_right->CanMovePlan(+1, &why));
    if (why != m_moveBlocked && !(m_moveBlocked = why).isEmpty()) emit StatusMessage(why);
    for (const auto& [id, style] : kViewStyles)
        m_actions[id]->setChecked(m_right->ViewStyle() == style);
}

void CFrameCommands::SetViewStyle(int style) {
    m_right->SetViewStyle(style);
    m_context.Settings().SetViewStyle(style);
    UpdateCommandUI();
}

void CFrameCommands::OnItemInsert() {
    Run(m_activePane == m_right ? ID_PLAN_NEW : ID_MATCH_NEW);
}

void CFrameCommands::OnItemEdit() {
    Run(m_activePane == m_right ? ID_PLAN_EDIT : ID_MATCH_EDIT);
}

void CFrameCommands::OnItemDelete() {
    Run(m_activePane == m_right ? ID_PLAN_DELETE : ID_MATCH_DELETE);
}

void CFrameCommands::OnEditStartCheat() {
    const quint64 generation = m_document.Generation();
    CStartCheatDlg dialog(m_context, m_document.Data().start, m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    if (m_document.DialogEditApplies(generation, m_window)) m_document.SetStart(dialog.Result());
}

// The clipboard holds plans and matches as plan-file text, so that they move
// between documents and to and from any text editor.
void CFrameCommands::OnEditCopy() {
    std::string text;
    if (m_activePane == m_right)
        text = m_document.PlansText(m_right->SelectedPlans());
    else
        text = MatchSectionText(m_left->SelectedMatches());
    if (!text.empty()) QGuiApplication::clipboard()->setText(ToQt(text));
}

void CFrameCommands::OnEditCut() {
    OnEditCopy();
    if (m_activePane == m_right)
        m_document.RemovePlans(m_right->SelectedPlans(), tr("Cut Plans"));
    else
        m_document.RemoveMatches(m_left->SelectedMatches(), tr("Cut Matches"));
}

void CFrameCommands::OnEditPaste() {
    const std::string clip = FromQt(QGuiApplication::clipboard()->text());
    CPlanData pasted;
    pasted.LoadText(clip);
    if (m_activePane == m_right) {
        // Each plan with the lines it was written as: its comments come along.
        CKeptLayout kept;
        const bool mapped = kept.Map(clip, pasted.plans.InOrder());
        std::vector<PlanEntry> plans;
        std::vector<std::string> written;
        for (const auto& plan : pasted.plans.All()) {
            written.push_back(mapped ? kept.BlockText(plan.get()) : std::string());
            plans.push_back(std::move(*plan));
        }
        if (plans.empty()) return emit StatusMessage(tr("The clipboard holds no plans."));
        m_document.AddPlans(std::move(plans), tr("Paste Plans"), std::move(written));
    } else {
        std::vector<MatchEntry> matches;
        for (const auto& match : pasted.matches.All())
            matches.push_back(std::move(*match));
        if (matches.empty()) return emit StatusMessage(tr("The clipboard holds no matches."));
        m_document.AddMatches(std::move(matches), tr("Paste Matches"));
    }
}

void CFrameCommands::OnEditSource() {
    EditSourceAt(0);
}

void CFrameCommands::EditSourceAt(int line) {
    RunSource(line, {});
}

void CFrameCommands::EditRecoveredSource(const QString& text) {
    RunSource(0, text);
}

bool CFrameCommands::Mend(const QString& path, const std::string& text, int line) {
    CPlanData edited;
    QString mended;
    if (!RunSourceEditor(m_context, ToQt(text), line, edited, mended, m_window,
                         tr("%1, which does not load").arg(QFileInfo(path).fileName())))
        return false;
    CRecoveryFile record; // the document as a recovered one: the file as read is its base
    record.path = path;
    record.text = FromQt(WithLineEndsOf(text, mended));
    record.base = text;
    record.size = QFileInfo(path).size();
    record.modified = QFileInfo(path).lastModified();
    return m_document.Recover(record, m_window);
}

// The source editor shows what Save writes, which is the file as opened (the
// Issues panel's lines) while the document is unchanged. What comes back is
// the text the document now comes from, with the line ends of the file.
// While it has changes not applied, the recovery file keeps them.
void CFrameCommands::RunSource(int line, const QString& recovered) {
    const bool asOpened = !m_document.FileText().empty() && recovered.isNull();
    if (line > 0 && !asOpened)
        emit StatusMessage(tr("The document has changed since the file was opened: its lines "
                              "are no longer those of the Issues panel."));
    const std::string saved = m_document.SaveText();
    CPlanData edited;
    QString text;
    // The window says which text it shows; the keyboard goes back where it
    // was, also when the panes were filled anew with what came back.
    const QString shown = !recovered.isNull()
                              ? tr("%1, recovered, not applied").arg(m_document.Title())
                          : asOpened ? tr("%1, as on disk").arg(m_document.Title())
                                     : tr("%1, as Save will write it").arg(m_document.Title());
    QPointer<QWidget> focus = QApplication::focusWidget();
    const auto opened = [this, &recovered](CSourceEditorDlg& dialog) {
        dialog.SetWhereUsed(m_whereUsed);
        QPointer<CSyntaxEdit> editor = dialog.Editor();
        if (!recovered.isNull()) { // shown as changed, so that nothing drops it unasked
            if (dialog.IsLoading())
                connect(&dialog, &CSourceEditorDlg::Loaded, editor,
                        [editor] { editor->document()->setModified(true); });
            else
                editor->document()->setModified(true);
        }
        m_document.SetSourceDraft([editor]() -> std::optional<std::string> {
            if (!editor || !editor->document()->isModified()) return std::nullopt;
            return FromQt(editor->toPlainText());
        });
        connect(editor, &QPlainTextEdit::textChanged, &m_document,
                &CZeqEditorDoc::SourceDraftChanged);
    };
    const bool applied =
        RunSourceEditor(m_context, recovered.isNull() ? ToQt(saved) : recovered,
                        asOpened ? line : 0, edited, text, m_window, shown, opened);
    m_document.SetSourceDraft({});
    if (applied) m_document.ReplaceData(std::move(edited), FromQt(WithLineEndsOf(saved, text)));
    if (focus && focus->isVisible()) focus->setFocus();
}
