#include "modcommands.h"

#include "appcontext.h"
#include "commandids.h"
#include "filebuffer.h"
#include "filesave.h"
#include "leftview.h"
#include "modfiles.h"
#include "modpanel.h"
#include "plandata.h"
#include "planformat.h"
#include "planmanager.h"
#include "qtext.h"
#include "rightview.h"
#include "searchpanel.h"
#include "textvalues.h"
#include "uiservices.h"
#include "unitlist.h"
#include "zeqeditordoc.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>

namespace {

// Paths as Qt gives them, compared as the same file.
bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

} // namespace

CModCommands::CModCommands(CZeqEditorDoc& document, const CAppContext& context, CLeftView* left,
                           CRightView* right, QMainWindow* window)
    : QObject(window), m_document(document), m_context(context), m_left(left), m_right(right),
      m_window(window) {
    m_panel = new CModPanel(window);
    m_search = new CSearchPanel(window);
    window->addDockWidget(Qt::LeftDockWidgetArea, m_panel);
    window->addDockWidget(Qt::BottomDockWidgetArea, m_search);
    m_panel->hide();
    m_search->hide();

    const struct {
        int id;
        const char* text;
        const char* prompt;
        QKeySequence key;
    } commands[] = {
        {ID_FILE_OPEN_FOLDER, QT_TR_NOOP("Open &Folder..."),
         QT_TR_NOOP("Open a mod's folder: its plan files in the Mod panel, with their findings"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
        {ID_EDIT_FIND_IN_FILES, QT_TR_NOOP("Find in F&iles..."),
         QT_TR_NOOP("Find text in every plan file of the mod"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
        {ID_EDIT_WHERE_USED, QT_TR_NOOP("&Where Is a Unit Used..."),
         QT_TR_NOOP("Every place in the mod's plan files that names a unit class"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)},
        {ID_EDIT_RENAME_UNITS, QT_TR_NOOP("Re&name Unit Classes..."),
         QT_TR_NOOP("Rename unit classes across the mod's plan files, with a preview"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
        {ID_VIEW_MOD, QT_TR_NOOP("&Mod"), QT_TR_NOOP("Show or hide the Mod panel"), {}},
        {ID_VIEW_FIND_IN_FILES,
         QT_TR_NOOP("&Find in Files"),
         QT_TR_NOOP("Show or hide the Find in Files panel"),
         {}},
    };
    for (const auto& command : commands) {
        QAction* action = Add(command.id, tr(command.text), tr(command.prompt));
        if (!command.key.isEmpty()) action->setShortcut(command.key);
    }
    connect(Action(ID_EDIT_FIND_IN_FILES), &QAction::triggered, m_search, &CSearchPanel::StartFind);
    connect(Action(ID_EDIT_WHERE_USED), &QAction::triggered, this, [this] {
        if (const UnitItem* unit = Ui().PickUnit(m_window, m_context.Units()))
            WhereUsed(ToQt(unit->unitClass));
    });
    connect(Action(ID_EDIT_RENAME_UNITS), &QAction::triggered, this, [this] { RenameUnits({}); });
    for (auto [id, dock] :
         {std::pair<int, QDockWidget*>{ID_VIEW_MOD, m_panel}, {ID_VIEW_FIND_IN_FILES, m_search}}) {
        QAction* toggle = Action(id);
        toggle->setCheckable(true);
        connect(toggle, &QAction::triggered, dock, [dock](bool shown) {
            dock->setVisible(shown);
            if (shown) dock->setFocus(); // shown from the keyboard, to be used from it
        });
        connect(dock, &QDockWidget::visibilityChanged, toggle,
                [toggle, dock](bool) { toggle->setChecked(dock->isVisible()); });
    }
    connect(m_panel, &CModPanel::FileRequested, this,
            [this](const QString& path) { emit FileRequested(path, 0); });
    connect(m_search, &CSearchPanel::PlaceRequested, this, &CModCommands::FileRequested);
    // The file open is the one marked in the panel.
    connect(&m_document, &CZeqEditorDoc::FileUsed, m_panel, &CModPanel::SelectFile);
    UpdateCommandUI();
}

CModCommands::~CModCommands() = default;

QAction* CModCommands::Add(int id, const QString& text, const QString& prompt) {
    auto* action = new QAction(text, m_window);
    action->setData(id);
    action->setStatusTip(prompt);
    action->setToolTip(QString(text).remove(u'&').remove(QStringLiteral("...")));
    m_actions.insert(id, action);
    m_window->addAction(action); // the keys work while the menu bar is hidden too
    return action;
}

CModFiles* CModCommands::Mod() const {
    return m_panel->Mod();
}

void CModCommands::UpdateCommandUI() {
    const bool open = Mod() != nullptr;
    for (int id : {ID_EDIT_WHERE_USED, ID_EDIT_RENAME_UNITS})
        m_actions[id]->setEnabled(open);
}

bool CModCommands::OpenFolder(const QString& folder, const QString& programFolder) {
    QString error;
    if (!m_panel->Open(folder, programFolder, error)) {
        Ui().ShowMessage(
            m_window, IUiServices::Icon::Warning,
            tr("Cannot open the folder %1:\n%2").arg(QDir::toNativeSeparators(folder), error));
        return false;
    }
    // The search sees the open document as Save would write it, its lines
    // those the source editor shows.
    Mod()->SetOpenText([this](const QString& path) -> std::optional<std::string> {
        if (!m_document.IsModified() || !SameFile(path, m_document.PathName())) return std::nullopt;
        return m_document.SaveText();
    });
    m_search->SetMod(Mod());
    m_panel->show();
    m_panel->raise();
    m_panel->setFocus();
    UpdateCommandUI();
    emit FolderOpened(Mod()->Root());
    return true;
}

void CModCommands::WhereUsed(const QString& unitClass) {
    if (!Mod() || unitClass.isEmpty()) return;
    const UnitItem* unit = m_context.Units().FindUnitByClass(FromQt(unitClass));
    m_search->ShowUses(unitClass, unit ? ToQt(unit->displayName) : QString());
}

void CModCommands::RenameUnits(const QString& pairs) {
    if (!Mod()) return;
    CRenameUnitsDlg dialog(*Mod(), pairs, m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    Apply(dialog.Chosen());
}

void CModCommands::Apply(const QList<CRenameUnitsDlg::Rewritten>& files) {
    QStringList failed;
    int changes = 0, written = 0;
    bool inDocument = false;
    for (const auto& file : files) {
        const QString shown = Mod()->Shown(file.path);
        if (SameFile(file.path, m_document.PathName())) {
            // What the preview read is what Save writes now: nothing changed between.
            CPlanData data;
            if (m_document.SaveText() != file.before || !data.LoadText(file.after)) {
                failed << tr("%1: the document changed since the preview").arg(shown);
                continue;
            }
            m_document.ReplaceData(std::move(data), file.after, tr("Rename Unit Classes"));
            inDocument = true;
        } else {
            CFileBuffer disk;
            std::string error;
            if (!disk.LoadFile(CorePath(file.path)))
                error = disk.LastError();
            else if (disk.View() != file.before)
                error = FromQt(tr("it changed on disk since the preview"));
            else if (SaveFileSafely(CorePath(file.path), file.after, error))
                ++written;
            if (!error.empty()) {
                failed << tr("%1: %2").arg(shown, ToQt(error));
                continue;
            }
        }
        changes += file.changes;
    }
    QString done = tr("%1 renamed in %2.")
                       .arg(tr("%n class name(s)", nullptr, changes),
                            tr("%n file(s)", nullptr, written + inDocument));
    if (inDocument) done += " " + tr("The open document is changed: save it to keep them.");
    emit StatusMessage(done);
    if (!failed.isEmpty())
        Ui().ShowMessage(
            m_window, IUiServices::Icon::Warning,
            tr("These files were not renamed, and are as they were:\n%1").arg(failed.join(u'\n')));
}

QStringList CModCommands::SelectedClasses(QWidget* pane) const {
    QStringList classes;
    auto add = [&classes](const std::string& unitClass) {
        const QString name = ToQt(unitClass);
        if (!name.isEmpty() && !classes.contains(name, Qt::CaseInsensitive)) classes << name;
    };
    if (pane == m_left) {
        if (const MatchEntry* match = m_left->SelectedMatch()) {
            add(match->unitClass);
            for (const MatchAttacker& attacker : match->attackers)
                add(attacker.unitClass);
        }
    } else if (pane == m_right) {
        for (const PlanEntry* plan : m_right->SelectedPlans()) {
            add(plan->condition.unitClass);
            const PlanTypeInfo* type = m_context.PlanTypes().FindPlanType(plan->planType);
            for (const PlanParameter& parameter : plan->parameters) {
                const PlanParamDef* def =
                    type ? CPlanManager::FindParamDef(type, parameter.key) : nullptr;
                if (def && TakesUnitClass(parameter.key, def)) add(UnquoteValue(parameter.value));
            }
        }
    }
    return classes;
}

void CModCommands::AddClassItems(QMenu& menu, QWidget* pane) {
    const QStringList classes = SelectedClasses(pane);
    if (classes.isEmpty()) return;
    menu.addSeparator();
    // A record names a few classes; many selected plans, perhaps dozens.
    constexpr int kShown = 8;
    for (const QString& unitClass : classes.mid(0, kShown)) {
        QAction* where = menu.addAction(tr("Where Is %1 Used").arg(unitClass), this,
                                        [this, unitClass] { WhereUsed(unitClass); });
        where->setEnabled(Mod());
        where->setStatusTip(
            Mod() ? tr("Every place in the mod's plan files that names %1").arg(unitClass)
                  : tr("Open a mod's folder first (File > Open Folder)"));
    }
    for (const QString& unitClass : classes.mid(0, kShown)) {
        QAction* rename = menu.addAction(tr("Rename %1...").arg(unitClass), this,
                                         [this, unitClass] { RenameUnits(unitClass + "="); });
        rename->setEnabled(Mod());
    }
}
