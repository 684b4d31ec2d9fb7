#pragma once

#include <QHash>
#include <QPlainTextEdit>

class CPlanManager;
class CUnitList;
class CSyntaxHighlighter;
class QCompleter;
class QStandardItemModel;
struct CompletionPlace;

// The source editor's text control: plan-file text with syntax colouring,
// snippets, plain-text paste and tabs typed as tabs.
class CSyntaxEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CSyntaxEdit(QWidget* parent = nullptr);

    CSyntaxHighlighter& Highlighter() { return *m_highlighter; }

    // Replaces the selection by `text` (line breaks written "\r\n") and puts
    // the caret `offset` characters before its end, a line break counting two.
    void InsertSnippet(const QString& text, int offset);
    // Pastes the clipboard's text, nothing else; does nothing without text.
    void PasteAsText();

    // The text with CR LF line breaks, as plan files have them.
    QString PlanText() const;
    // The same of the document's raw text (which may be taken to another
    // thread: the conversion is the longer part).
    static QString PlanTextOf(QString raw);
    // Puts the caret for a window about to open: its first focus keeps it.
    void PlaceCaretForOpening(const QTextCursor& cursor);

    // Lines (0-based) the report flags, with its sentence: a mark in the
    // gutter and a wavy underline, the sentence as the tool tip.
    void SetMarks(const QHash<int, QString>& marks);
    const QHash<int, QString>& Marks() const { return m_marks; }
    // The sentence of the mark at a height of the view; empty for none.
    QString MarkAt(int y) const;

    // The line-number gutter, in the colours of the text.
    int GutterWidth() const;
    void SetGutterColours(const QColor& back, const QColor& text);

    // Ctrl+/: comments the selected lines out with "//", or back in when
    // they all are.
    void ToggleComment();
    // The matches of a search, shown on the text (the find bar's).
    void SetFindSelections(const QList<QTextEdit::ExtraSelection>& selections);

    // The lowest plan number no header of the text uses yet.
    unsigned long FreePlanNumber() const;
    // Where completion stands; the catalogs say what it may offer.
    CompletionPlace PlaceAtCaret() const;
    void SetCatalogs(const CPlanManager* planTypes, const CUnitList* units);
    // Offers what may be typed at the caret (Ctrl+Space, or as keys are
    // typed); the completer's popup lists it.
    void Complete(bool explicitly);
    QCompleter* Completer() const { return m_completer; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Bytes that name no character are drawn as their number.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    // The gutter's painting and tips.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    // Files dropped here are not text to insert (the main window opens them).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PaintGutter(const QRect& rect);
    // A tool tip over `widget` with the mark of the line at viewport height
    // y, or none where the line has no mark.
    void ShowMarkTip(const QPoint& globalPos, int y, QWidget* widget) const;
    void UpdateGutter(const QRect& rect, int dy);
    void FitGutter();
    void ShowPairs();
    void ApplySelections();
    void InsertCompletion(const QString& text);

    CSyntaxHighlighter* m_highlighter;
    QWidget* m_gutter;
    QHash<int, QString> m_marks;
    QColor m_gutterBack, m_gutterText;
    QList<QTextEdit::ExtraSelection> m_findSelections, m_pairSelections;
    QCompleter* m_completer;
    QStandardItemModel* m_completions;
    const CPlanManager* m_planTypes = nullptr;
    const CUnitList* m_units = nullptr;
    bool m_caretPlaced = false;
    // Whether Enter takes the offered completion: when asked for (Ctrl+Space)
    // or picked with the arrow keys, not when it only popped up while typing.
    bool m_completionChosen = false;
};
