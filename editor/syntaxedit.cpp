#include "syntaxedit.h"

#include "syntaxhighlighter.h"

#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

CSyntaxEdit::CSyntaxEdit(QWidget* parent)
    : QPlainTextEdit(parent), m_highlighter(new CSyntaxHighlighter(document())) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    setCenterOnScroll(false);
}

void CSyntaxEdit::InsertSnippet(const QString& text, int offset) {
    if (text.isEmpty()) return;
    QString inserted = text;
    inserted.replace("\r\n", "\n");
    QTextCursor cursor = textCursor();
    cursor.insertText(inserted);
    if (offset != 0) {
        // The offset counts CR LF as two characters; the editor holds one.
        const QString tail = text.right(-offset);
        const int back = int(tail.size() - tail.count("\r\n"));
        cursor.setPosition(cursor.position() - back);
    }
    setTextCursor(cursor);
}

void CSyntaxEdit::PasteAsText() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    insertPlainText(text);
}

QString CSyntaxEdit::PlanText() const {
    // The raw text, not toPlainText(), which turns a no-break space (the byte
    // 0xA0 of a plan file) into a blank.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

void CSyntaxEdit::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() == Qt::ControlModifier;
    if (ctrl && (event->key() == Qt::Key_V || event->key() == Qt::Key_Insert)) {
        PasteAsText();
        return;
    }
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::NoModifier) {
        insertPlainText(QStringLiteral("\t"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CSyntaxEdit::PlaceCaretForOpening(const QTextCursor& cursor) {
    setTextCursor(cursor);
    centerCursor();
    m_caretPlaced = true;
}

void CSyntaxEdit::focusInEvent(QFocusEvent* event) {
    // Moving into the text puts the caret at its start; coming back from a
    // menu or another window leaves it where the user had it, and so does the
    // first focus of a window opened on a given line.
    const bool placed = std::exchange(m_caretPlaced, false);
    if (!placed &&
        (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
         event->reason() == Qt::OtherFocusReason)) {
        QTextCursor cursor = textCursor();
        cursor.movePosition(QTextCursor::Start);
        setTextCursor(cursor);
    }
    QPlainTextEdit::focusInEvent(event);
}

bool CSyntaxEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void CSyntaxEdit::insertFromMimeData(const QMimeData* source) {
    if (source->hasText()) insertPlainText(source->text());
}

void CSyntaxEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void CSyntaxEdit::dropEvent(QDropEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dropEvent(event);
}
