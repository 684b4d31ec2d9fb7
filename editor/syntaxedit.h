#pragma once

#include <QPlainTextEdit>

class CSyntaxHighlighter;

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
    // Puts the caret for a window about to open: its first focus keeps it.
    void PlaceCaretForOpening(const QTextCursor& cursor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    // Files dropped here are not text to insert (the main window opens them).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    CSyntaxHighlighter* m_highlighter;
    bool m_caretPlaced = false;
};
