#include "sourceeditordlg.h"

#include "appcontext.h"
#include "appsettings.h"
#include "colourschemedlg.h"
#include "findbar.h"
#include "icons.h"
#include "plandata.h"
#include "planfilereport.h"
#include "qtext.h"
#include "sourcesnippets.h"
#include "syntaxedit.h"
#include "syntaxhighlighter.h"
#include "uiservices.h"
#include "waitcursor.h"

#include <QActionGroup>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// The first piece of a long text, and the pieces that follow it (characters).
constexpr qsizetype kFirstPiece = 64 * 1024;
constexpr qsizetype kMorePiece = 256 * 1024;

enum SourceCommand {
    ID_SRC_NEW = 57600,
    ID_SRC_OPEN = 57601,
    ID_SRC_SAVE = 57603,
    ID_SRC_CANCEL = 32819,
    ID_SRC_COLOURING = 32840,
    ID_SRC_FONT_SMALL = 32841,
    ID_SRC_FONT_MEDIUM = 32842,
    ID_SRC_FONT_LARGE = 32843,
    ID_SRC_SETTINGS = 32844,
    ID_SRC_STYLE_UNREAL = 32845,
    ID_SRC_STYLE_MSDEV = 32846,
    ID_SRC_PLAN_HEADER = kPlanHeaderSnippet,
    ID_SRC_PLAN_BLOCK = kPlanBlockSnippet,
    ID_SRC_FIND = 32870,
    ID_SRC_FIND_NEXT = 32871,
    ID_SRC_FIND_PREVIOUS = 32872,
    ID_SRC_REPLACE = 32873,
    ID_SRC_GO_TO_LINE = 32874,
    ID_SRC_TOGGLE_COMMENT = 32875,
    ID_SRC_COMPLETE = 32876,
    ID_SRC_WHERE_USED = 32877,
    ID_SRC_UNDO = 57643,
    ID_SRC_REDO = 57644,
    ID_SRC_CUT = 57635,
    ID_SRC_COPY = 57634,
    ID_SRC_PASTE = 57637,
    ID_SRC_SELECT_ALL = 57642,
};

// How long typing pauses before the text is checked again (ms).
constexpr int kCheckPause = 600;

// The system's fixed-pitch font at the size (Courier New on Windows), or any
// fixed-pitch family installed where the system lacks its own (Wine without
// Windows' fonts): the text is always monospace.
QFont EditorFont(int points) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(points);
    if (QFontInfo(font).fixedPitch()) return font;
    const QStringList families = QFontDatabase::families();
    const auto fixed = std::find_if(families.begin(), families.end(), [](const QString& family) {
        return QFontDatabase::isFixedPitch(family);
    });
    if (fixed != families.end()) font.setFamily(*fixed);
    return font;
}

} // namespace

// For the marks: what a save would lose, and what the catalogs do not know.
// Runs away from the window.
CSourceEditorDlg::Marks CSourceEditorDlg::MarksOf(const QString& rawText,
                                                  const CPlanManager* planTypes,
                                                  const CUnitList* units) {
    CPlanFileReport report(planTypes, units);
    Marks marks;
    marks.reads = report.Check(FromQt(CSyntaxEdit::PlanTextOf(rawText)));
    for (const Finding& finding : report.Findings()) {
        if (finding.line <= 0) continue;
        QString& mark = marks.byLine[finding.line - 1];
        if (!mark.isEmpty()) mark += '\n';
        mark += ToQt(finding.message);
    }
    return marks;
}

CSourceEditorDlg::CSourceEditorDlg(const CAppContext& context, const QString& text, QWidget* parent)
    : QDialog(parent), m_context(context), m_editor(new CSyntaxEdit(this)),
      m_findBar(new CFindBar(m_editor, this)), m_position(new QLabel(this)),
      m_checkTimer(new QTimer(this)) {
    UpdateTitle();
    setWindowIcon(Icons::Application());
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(680, 440);
    m_editor->setObjectName("source");
    m_editor->setAccessibleName(tr("Source text"));
    m_editor->SetCatalogs(&m_context.PlanTypes(), &m_context.Units());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_findBar);
    auto* status = new QStatusBar(this);
    status->addPermanentWidget(m_position);
    layout->addWidget(status);
    BuildMenus(bar);
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this,
            &CSourceEditorDlg::ShowPosition);
    ShowPosition();

    // The marks follow edits once typing pauses; the check runs in the
    // background, so no keystroke waits on it.
    m_checkTimer->setSingleShot(true);
    m_checkTimer->setInterval(kCheckPause);
    connect(m_checkTimer, &QTimer::timeout, this, &CSourceEditorDlg::StartCheck);
    // A line being typed (a header not closed yet) stops the text from
    // reading: the other lines keep their marks until it reads again.
    connect(&m_check, &QFutureWatcher<Marks>::finished, this, [this] {
        const Marks checked = m_check.result();
        if (checked.reads) m_readMarks = checked.byLine;
        QHash<int, QString> shown = m_readMarks;
        if (!checked.reads) shown.insert(checked.byLine);
        m_editor->SetMarks(shown);
    });
    connect(m_editor->document(), &QTextDocument::contentsChanged, this, [this] {
        if (!IsLoading()) CheckSoon();
    });
    connect(m_editor->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);

    const CAppSettings& settings = m_context.Settings();
    const bool colouring = settings.SyntaxColoring();
    m_actions[ID_SRC_COLOURING]->setChecked(colouring);
    const int size = settings.FontSize();
    m_editor->setFont(EditorFont(size));
    m_actions[size == 12   ? ID_SRC_FONT_MEDIUM
              : size == 15 ? ID_SRC_FONT_LARGE
                           : ID_SRC_FONT_SMALL]
        ->setChecked(true);
    const bool unreal = settings.UnrealStyle();
    m_actions[unreal ? ID_SRC_STYLE_UNREAL : ID_SRC_STYLE_MSDEV]->setChecked(true);
    SetUnrealStyle(unreal);
    m_editor->Highlighter().SetColouring(colouring);

    // A long text comes in pieces: the window shows its start at once and
    // takes the rest while the user reads (hundreds of thousands of lines
    // take Qt's text control about a second).
    m_pending = QString(text).replace("\r\n", "\n");
    m_editor->setPlainText(m_pending.left(NextPiece(kFirstPiece)));
    m_editor->setFocus(Qt::OtherFocusReason);
    if (m_loaded < m_pending.size()) {
        m_editor->document()->setUndoRedoEnabled(false);
        m_editor->setReadOnly(true);
        m_actions[ID_SRC_SAVE]->setEnabled(false);
        QTimer::singleShot(0, this, &CSourceEditorDlg::LoadMore);
    } else {
        m_pending.clear();
        CheckSoon();
    }
    m_editor->document()->setModified(false);
}

CSourceEditorDlg::~CSourceEditorDlg() {
    // The check reads the catalogs and the window's marks wait for it.
    m_check.waitForFinished();
}

void CSourceEditorDlg::CheckSoon() {
    m_checkTimer->start();
}

void CSourceEditorDlg::StartCheck() {
    if (m_check.isRunning()) { // one at a time: the latest text once it is done
        m_checkTimer->start();
        return;
    }
    m_check.setFuture(QtConcurrent::run(MarksOf, m_editor->document()->toRawText(),
                                        &m_context.PlanTypes(), &m_context.Units()));
}

void CSourceEditorDlg::ShowPosition() {
    m_position->setText(PositionText());
}

QString CSourceEditorDlg::PositionText() const {
    const QTextCursor cursor = m_editor->textCursor();
    return tr("Line %1, Column %2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1);
}

void CSourceEditorDlg::OnGoToLine() {
    const int lines = m_editor->document()->blockCount();
    if (const auto line =
            Ui().GetNumber(this, tr("Go to Line"), tr("Line number (1-%1):").arg(lines),
                           m_editor->textCursor().blockNumber() + 1, 1, lines))
        GoToLine(*line);
}

void CSourceEditorDlg::keyPressEvent(QKeyEvent* event) {
    // Esc closes the find bar first, the window only on a second Esc.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        m_findBar->isVisible()) {
        m_findBar->Close();
        return;
    }
    QDialog::keyPressEvent(event);
}

qsizetype CSourceEditorDlg::NextPiece(qsizetype size) {
    // Up to a line break, so that no line is cut in two.
    qsizetype end = std::min(m_loaded + size, m_pending.size());
    if (end < m_pending.size()) {
        const qsizetype lineEnd = m_pending.indexOf('\n', end);
        end = lineEnd < 0 ? m_pending.size() : lineEnd + 1;
    }
    m_loaded = end;
    return end;
}

void CSourceEditorDlg::SetShownName(const QString& name) {
    m_shownName = name;
    UpdateTitle();
}

void CSourceEditorDlg::UpdateTitle() {
    // The mark stands for text not applied to the document yet.
    QString title = tr("ZEQ Source Editor") + "[*]";
    if (IsLoading())
        title +=
            " " +
            tr("(loading, %1%)").arg(100 * m_loaded / std::max<qsizetype>(1, m_pending.size()));
    if (!m_shownName.isEmpty()) title += " - " + m_shownName;
    setWindowTitle(title);
}

void CSourceEditorDlg::LoadMore() {
    const qsizetype from = m_loaded;
    const qsizetype to = NextPiece(kMorePiece);
    QTextCursor end(m_editor->document());
    end.movePosition(QTextCursor::End);
    end.insertText(m_pending.mid(from, to - from));
    if (m_loaded < m_pending.size()) {
        UpdateTitle();
        QTimer::singleShot(0, this, &CSourceEditorDlg::LoadMore);
        return;
    }
    m_pending.clear();
    UpdateTitle();
    m_editor->document()->setUndoRedoEnabled(true);
    m_editor->document()->setModified(false);
    m_editor->setReadOnly(false);
    m_actions[ID_SRC_SAVE]->setEnabled(true);
    if (m_pendingLine > 0) GoToLine(std::exchange(m_pendingLine, 0));
    CheckSoon();
    emit Loaded();
}

QAction* CSourceEditorDlg::Action(int commandId) const {
    return m_actions.value(commandId);
}

QAction* CSourceEditorDlg::AddItem(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    m_actions.insert(id, action);
    return action;
}

void CSourceEditorDlg::SetWhereUsed(std::function<QString(const QString&)> whereUsed) {
    m_whereUsed = std::move(whereUsed);
    Action(ID_SRC_WHERE_USED)->setEnabled(bool(m_whereUsed));
}

QString CSourceEditorDlg::WordAtCaret() const {
    const QTextCursor cursor = m_editor->textCursor();
    const QString line = cursor.block().text();
    // The characters a unit class may hold: no blank, quote, bracket, '=',
    // '/' or ';'.
    const auto inWord = [](QChar c) {
        return !c.isSpace() && !QStringLiteral("\"'[]=/;").contains(c);
    };
    qsizetype start = cursor.positionInBlock(), end = start;
    while (start > 0 && inWord(line[start - 1]))
        --start;
    while (end < line.size() && inWord(line[end]))
        ++end;
    return line.mid(start, end - start);
}

void CSourceEditorDlg::BuildMenus(QMenuBar* bar) {
    QMenu* file = bar->addMenu(tr("&File"));
    connect(AddItem(file, ID_SRC_NEW, tr("&New")), &QAction::triggered, this,
            &CSourceEditorDlg::OnNew);
    AddItem(file, ID_SRC_OPEN, tr("&Open..."))->setEnabled(false);
    QAction* save = AddItem(file, ID_SRC_SAVE, tr("&Save"));
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, &CSourceEditorDlg::OnSave);
    file->addSeparator();
    connect(AddItem(file, ID_SRC_CANCEL, tr("Cancel\tEsc")), &QAction::triggered, this,
            &CSourceEditorDlg::reject);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    const auto command = [this, edit](int id, const QString& text, const QKeySequence& key,
                                      auto slot) {
        QAction* action = AddItem(edit, id, text);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    // The text's own commands, with the keys the text takes them by (and
    // Ctrl+Y for Redo, as in the main window, besides Ctrl+Shift+Z).
    QAction* undo =
        command(ID_SRC_UNDO, tr("&Undo"), QKeySequence::Undo, [this] { m_editor->undo(); });
    QAction* redo = command(ID_SRC_REDO, tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                            [this] { m_editor->redo(); });
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    QAction* cut = command(ID_SRC_CUT, tr("Cu&t"), QKeySequence::Cut, [this] { m_editor->cut(); });
    QAction* copy =
        command(ID_SRC_COPY, tr("&Copy"), QKeySequence::Copy, [this] { m_editor->copy(); });
    command(ID_SRC_PASTE, tr("&Paste"), QKeySequence::Paste, [this] { m_editor->PasteAsText(); });
    command(ID_SRC_SELECT_ALL, tr("Select &All"), QKeySequence::SelectAll,
            [this] { m_editor->selectAll(); });
    for (QAction* action : {undo, redo, cut, copy})
        action->setEnabled(false);
    connect(m_editor, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(m_editor, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);
    connect(m_editor, &QPlainTextEdit::copyAvailable, cut, &QAction::setEnabled);
    connect(m_editor, &QPlainTextEdit::copyAvailable, copy, &QAction::setEnabled);
    edit->addSeparator();
    command(ID_SRC_FIND, tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F),
            [this] { m_findBar->ShowFind(false); });
    command(ID_SRC_FIND_NEXT, tr("Find &Next"), QKeySequence(Qt::Key_F3),
            [this] { m_findBar->FindNext(false); });
    command(ID_SRC_FIND_PREVIOUS, tr("Find Pre&vious"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
            [this] { m_findBar->FindNext(true); });
    command(ID_SRC_REPLACE, tr("R&eplace..."), QKeySequence(Qt::CTRL | Qt::Key_H),
            [this] { m_findBar->ShowFind(true); });
    edit->addSeparator();
    command(ID_SRC_GO_TO_LINE, tr("&Go to Line..."), QKeySequence(Qt::CTRL | Qt::Key_G),
            &CSourceEditorDlg::OnGoToLine);
    command(ID_SRC_TOGGLE_COMMENT, tr("Toggle C&omment"), QKeySequence(Qt::CTRL | Qt::Key_Slash),
            [this] { m_editor->ToggleComment(); });
    command(ID_SRC_COMPLETE, tr("Complete &Word"), QKeySequence(Qt::CTRL | Qt::Key_Space),
            [this] { m_editor->Complete(true); });
    command(ID_SRC_WHERE_USED, tr("W&here Is This Unit Used"),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U),
            [this] {
                const QString word = WordAtCaret();
                if (!m_whereUsed || word.isEmpty()) return;
                findChild<QStatusBar*>()->showMessage(m_whereUsed(word), 15000);
            })
        ->setEnabled(false);

    QHash<QString, QMenu*> menus;
    for (const SourceSnippet& s : SourceSnippets()) {
        const QString title = QString::fromLatin1(s.menu);
        QMenu*& menu = menus[title];
        if (!menu) menu = bar->addMenu(title);
        if (s.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = AddItem(menu, s.id, QString::fromLatin1(s.item));
        connect(action, &QAction::triggered, this, [this, s] {
            QString snippet = QString::fromLatin1(s.text);
            // A new plan is a plan of its own, as completion numbers it: a
            // repeated [Plan1] would be lost.
            if (s.id == ID_SRC_PLAN_BLOCK || s.id == ID_SRC_PLAN_HEADER)
                snippet.replace(QStringLiteral("[Plan1]"),
                                QStringLiteral("[Plan%1]").arg(m_editor->FreePlanNumber()));
            m_editor->InsertSnippet(snippet, s.offset);
        });
    }

    QMenu* settings = bar->addMenu(tr("Se&ttings"));
    auto* fonts = new QActionGroup(this);
    for (auto [id, text, points] : {std::tuple{ID_SRC_FONT_SMALL, "Small Font", 10},
                                    {ID_SRC_FONT_MEDIUM, "Medium Font", 12},
                                    {ID_SRC_FONT_LARGE, "Large Font", 15}}) {
        QAction* action = AddItem(settings, id, tr(text));
        action->setCheckable(true);
        fonts->addAction(action);
        connect(action, &QAction::triggered, this, [this, p = points] { SetFontSize(p); });
    }
    settings->addSeparator();
    auto* styles = new QActionGroup(this);
    for (auto [id, text, unreal] : {std::tuple{ID_SRC_STYLE_UNREAL, "Style: Unreal", true},
                                    {ID_SRC_STYLE_MSDEV, "Style: Visual C++", false}}) {
        QAction* action = AddItem(settings, id, tr(text));
        action->setCheckable(true);
        styles->addAction(action);
        connect(action, &QAction::triggered, this, [this, u = unreal] {
            SetUnrealStyle(u);
            m_context.Settings().SetUnrealStyle(u);
        });
    }
    settings->addSeparator();
    QAction* colouring = AddItem(settings, ID_SRC_COLOURING, tr("Syntax Coloring"));
    colouring->setCheckable(true);
    connect(colouring, &QAction::triggered, this, &CSourceEditorDlg::SetColouring);
    connect(AddItem(settings, ID_SRC_SETTINGS, tr("Settings...")), &QAction::triggered, this,
            &CSourceEditorDlg::OnSchemeSettings);
}

void CSourceEditorDlg::GoToLine(int line) {
    if (IsLoading()) { // a line not loaded yet
        m_pendingLine = line;
        if (line > m_editor->document()->blockCount()) return;
    }
    const QTextBlock block = m_editor->document()->findBlockByNumber(line - 1);
    if (!block.isValid()) return;
    if (isVisible()) {
        m_editor->setTextCursor(QTextCursor(block));
        m_editor->centerCursor();
    } else {
        m_editor->PlaceCaretForOpening(QTextCursor(block));
    }
}

void CSourceEditorDlg::OnNew() {
    m_editor->clear();
    m_editor->document()->setModified(true); // an emptied text is an edit to hand back
}

void CSourceEditorDlg::reject() {
    if (m_editor->document()->isModified() &&
        Ui().Choose(this, IUiServices::Icon::Question,
                    tr("Discard your changes to the source text?"),
                    {tr("&Discard"), tr("&Keep Editing")}, 1) != 0)
        return;
    QDialog::reject();
}

void CSourceEditorDlg::OnSave() {
    if (!m_editor->document()->isModified()) {
        QDialog::reject();
        return;
    }
    // A text that does not parse would be lost on closing: say why and where,
    // and let the user mend it.
    const QString text = m_editor->PlanText();
    if (const qsizetype bad = FirstWithoutByte(text); bad >= 0) {
        const int line = int(text.left(bad).count(QStringLiteral("\r\n"))) + 1;
        Ui().ShowMessage(
            this, IUiServices::Icon::Error,
            tr("The text holds a character that a plan file cannot store: '%1' on "
               "line %2.\n\nPlan files hold 8-bit text: the characters of Windows-1252 only.")
                .arg(text.mid(bad, text[bad].isHighSurrogate() ? 2 : 1))
                .arg(line));
        QTextCursor cursor(m_editor->document());
        cursor.setPosition(int(bad - (line - 1))); // the editor counts a line break as one
        m_editor->setTextCursor(cursor);
        return;
    }
    CPlanFileReport report;
    if (!text.isEmpty() && !report.Check(FromQt(text))) {
        const Finding& error = report.Findings().front();
        Ui().ShowMessage(this, IUiServices::Icon::Error,
                         tr("The text cannot be read as a plan file.\n\n%1")
                             .arg(LineMessage(error.line, ToQt(error.message))));
        GoToLine(error.line);
        return;
    }
    // The text is kept as it is; a plan the game will not read is said
    // before it goes into the document.
    QStringList unread;
    int firstLine = 0;
    for (const Finding& finding : report.Findings()) {
        if (!finding.planLost) continue;
        if (!firstLine) firstLine = finding.line;
        unread << LineMessage(finding.line, ToQt(finding.message));
    }
    if (firstLine && Ui().Choose(this, IUiServices::Icon::Warning,
                                 tr("These plans will not be read:\n\n%1")
                                     .arg(QStringList(unread.mid(0, 10)).join('\n')),
                                 {tr("&Save Anyway"), tr("&Go Back")}, 1,
                                 unread.size() > 10 ? unread.join('\n') : QString()) != 0) {
        GoToLine(firstLine);
        return;
    }
    m_result = text;
    accept();
}

void CSourceEditorDlg::SetFontSize(int points) {
    m_editor->setFont(EditorFont(points));
    m_context.Settings().SetFontSize(points);
}

void CSourceEditorDlg::SetUnrealStyle(bool unreal) {
    const ColourScheme scheme = m_context.Settings().Scheme(unreal);
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Base, ColorFromRef(scheme.backColor));
    palette.setColor(QPalette::Text, ColorFromRef(scheme.formats[0].color));
    m_editor->setPalette(palette);
    m_editor->Highlighter().SetFormats(scheme.formats);
    // The gutter a shade off the text's background, its numbers half-way
    // between the two: quieter than the text, on either scheme.
    const QColor back = ColorFromRef(scheme.backColor);
    const QColor text = ColorFromRef(scheme.formats[0].color);
    const QColor gutter = back.lightness() > 128 ? back.darker(108) : back.lighter(140);
    m_editor->SetGutterColours(gutter, QColor((text.red() + gutter.red()) / 2,
                                              (text.green() + gutter.green()) / 2,
                                              (text.blue() + gutter.blue()) / 2));
}

void CSourceEditorDlg::OnSchemeSettings() {
    const bool unreal = m_context.Settings().UnrealStyle();
    CColourSchemeDlg dialog(m_context.Settings(), unreal, this);
    if (dialog.exec() == QDialog::Accepted) SetUnrealStyle(unreal);
}

void CSourceEditorDlg::SetColouring(bool on) {
    m_editor->Highlighter().SetColouring(on);
    m_actions[ID_SRC_COLOURING]->setChecked(on);
    m_context.Settings().SetSyntaxColoring(on);
}

bool RunSourceEditor(const CAppContext& context, const QString& text, int line, CPlanData& edited,
                     QString& editedText, QWidget* parent, const QString& shown,
                     const std::function<void(CSourceEditorDlg&)>& opened) {
    CWaitCursor wait;
    CSourceEditorDlg dialog(context, text, parent);
    dialog.SetShownName(shown);
    if (line > 0) dialog.GoToLine(line);
    if (opened) opened(dialog);
    wait.Release(); // not over the editor's own window
    if (dialog.exec() != QDialog::Accepted) return false;

    CWaitCursor reading;
    editedText = dialog.Text();
    if (dialog.Text().isEmpty()) { // an emptied text: an empty document
        edited.Clear();
        return true;
    }
    return edited.LoadText(FromQt(dialog.Text()));
}
