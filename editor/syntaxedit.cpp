#include "syntaxedit.h"

#include "planformat.h"
#include "qtext.h"
#include "sourceassist.h"
#include "syntaxhighlighter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>
#include <utility>
#include <vector>

namespace {

constexpr int kCompletionRole = Qt::UserRole;

} // namespace

CSyntaxEdit::CSyntaxEdit(QWidget* parent)
    : QPlainTextEdit(parent), m_highlighter(new CSyntaxHighlighter(this)),
      m_gutter(new QWidget(this)), m_completer(new QCompleter(this)),
      m_completions(new QStandardItemModel(this)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    setCenterOnScroll(false);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CSyntaxEdit::FitGutter);
    connect(this, &QPlainTextEdit::updateRequest, this, &CSyntaxEdit::UpdateGutter);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CSyntaxEdit::ShowPairs);
    // The gutter is a plain surface; the text paints it and gives its tips.
    m_gutter->installEventFilter(this);
    FitGutter();

    m_completer->setModel(m_completions);
    m_completer->setCompletionRole(kCompletionRole);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setWidget(this);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            &CSyntaxEdit::InsertCompletion);
    connect(
        m_completer->popup()->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this] { m_completionChosen = m_completionChosen || m_completer->popup()->isVisible(); });
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
    return PlanTextOf(document()->toRawText());
}

QString CSyntaxEdit::PlanTextOf(QString raw) {
    raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    raw.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return raw;
}

void CSyntaxEdit::keyPressEvent(QKeyEvent* event) {
    // While completions are offered, these keys are theirs; but Enter after
    // typing breaks the line, unless a completion was asked for or picked.
    if (m_completer->popup()->isVisible()) {
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
            if (!m_completionChosen) {
                m_completer->popup()->hide();
                break;
            }
            event->ignore();
            return;
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            event->ignore();
            return;
        default:
            break;
        }
    }
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
    // Typing a key or a value offers what may come; so does the blank after '='.
    const QString typed = event->text();
    if (!typed.isEmpty() && (typed[0].isLetterOrNumber() || typed == "[" || typed == "=" ||
                             typed == "\"" || typed == "_" || typed == " "))
        Complete(false);
    else if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Control)
        m_completer->popup()->hide();
}

void CSyntaxEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    FitGutter();
}

void CSyntaxEdit::FitGutter() {
    const int width = GutterWidth();
    if (viewportMargins().left() != width) setViewportMargins(width, 0, 0, 0);
    const QRect inside = contentsRect();
    m_gutter->setGeometry(QRect(inside.left(), inside.top(), width, inside.height()));
}

void CSyntaxEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitGutter(); // it follows the font size
}

bool CSyntaxEdit::event(QEvent* event) {
    // The sentence of a marked line over its text.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        ShowMarkTip(help->globalPos(), viewport()->mapFrom(this, help->pos()).y(), this);
        return true;
    }
    return QPlainTextEdit::event(event);
}

bool CSyntaxEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_gutter && event->type() == QEvent::Paint) {
        PaintGutter(static_cast<QPaintEvent*>(event)->rect());
        return true;
    }
    if (watched == m_gutter && event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        ShowMarkTip(help->globalPos(), help->pos().y(), m_gutter);
        return true;
    }
    return QPlainTextEdit::eventFilter(watched, event);
}

void CSyntaxEdit::SetMarks(const QHash<int, QString>& marks) {
    m_marks = marks;
    m_highlighter->SetMarkedLines(marks);
    m_gutter->update();
}

void CSyntaxEdit::ShowMarkTip(const QPoint& globalPos, int y, QWidget* widget) const {
    const QString mark = MarkAt(y);
    if (mark.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(globalPos, mark, widget);
}

QString CSyntaxEdit::MarkAt(int y) const {
    return m_marks.value(cursorForPosition(QPoint(0, y)).blockNumber());
}

int CSyntaxEdit::GutterWidth() const {
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10)
        ++digits;
    const QFontMetrics metrics(font());
    return metrics.height() + metrics.horizontalAdvance(QLatin1Char('9')) * digits + 8;
}

void CSyntaxEdit::SetGutterColours(const QColor& back, const QColor& text) {
    m_gutterBack = back;
    m_gutterText = text;
    m_gutter->update();
}

void CSyntaxEdit::UpdateGutter(const QRect& rect, int dy) {
    if (dy)
        m_gutter->scroll(0, dy);
    else
        m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
}

void CSyntaxEdit::PaintGutter(const QRect& rect) {
    QPainter painter(m_gutter);
    painter.fillRect(rect, m_gutterBack.isValid() ? m_gutterBack : palette().window().color());
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int markSize = metrics.height() / 2;
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= rect.bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= rect.top()) {
            if (m_marks.contains(block.blockNumber())) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(220, 50, 40));
                painter.drawEllipse(QRect(3, top + (height - markSize) / 2, markSize, markSize));
            }
            painter.setPen(m_gutterText.isValid() ? m_gutterText : palette().text().color());
            painter.drawText(0, top, m_gutter->width() - 4, height,
                             Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(block.blockNumber() + 1));
        }
        top += height;
        block = block.next();
    }
}

void CSyntaxEdit::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    // The number's two digits one above the other, as a box of one character.
    QFont digits = font();
    digits.setPixelSize(std::max(4, QFontMetrics(font()).height() / 2));
    painter.setFont(digits);
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF area = blockBoundingGeometry(block).translated(contentOffset());
        if (area.top() > event->rect().bottom()) break;
        const QString text = block.text();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c >= 0x100 || !IsUnnamedByte(static_cast<unsigned char>(c))) continue;
            const QTextLine line = block.layout()->lineForTextPosition(int(i));
            const qreal left = line.cursorToX(int(i)), right = line.cursorToX(int(i) + 1);
            const QRectF cell(area.left() + left, area.top() + line.y(), right - left,
                              line.height());
            const QString hex = QString::number(c, 16).toUpper();
            painter.fillRect(cell, palette().base());
            painter.setPen(palette().text().color());
            painter.drawRect(cell.adjusted(0.5, 0.5, -0.5, -0.5));
            painter.drawText(cell.adjusted(0, 0, 0, -cell.height() / 2),
                             Qt::AlignHCenter | Qt::AlignBottom, hex.left(1));
            painter.drawText(cell.adjusted(0, cell.height() / 2, 0, 0),
                             Qt::AlignHCenter | Qt::AlignTop, hex.right(1));
        }
    }
}

void CSyntaxEdit::ToggleComment() {
    QTextCursor cursor = textCursor();
    QTextBlock first = document()->findBlock(cursor.selectionStart());
    QTextBlock last = document()->findBlock(cursor.selectionEnd());
    // A selection that ends at a line's start leaves that line alone.
    if (cursor.hasSelection() && last != first && cursor.selectionEnd() == last.position())
        last = last.previous();
    bool allCommented = true;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (!b.text().trimmed().isEmpty() && !b.text().trimmed().startsWith("//"))
            allCommented = false;
        if (b == last) break;
    }
    QTextCursor edit(document());
    edit.beginEditBlock(); // one step to undo
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (allCommented) {
            const qsizetype at = b.text().indexOf("//");
            if (at >= 0) {
                edit.setPosition(b.position() + int(at));
                edit.setPosition(b.position() + int(at) + 2, QTextCursor::KeepAnchor);
                edit.removeSelectedText();
            }
        } else {
            edit.setPosition(b.position());
            edit.insertText(QStringLiteral("//"));
        }
        if (b == last) break;
    }
    edit.endEditBlock();
}

void CSyntaxEdit::SetFindSelections(const QList<QTextEdit::ExtraSelection>& selections) {
    m_findSelections = selections;
    ApplySelections();
}

void CSyntaxEdit::ApplySelections() {
    setExtraSelections(m_findSelections + m_pairSelections);
}

// The bracket or quote at the caret (or just before it) and its partner.
void CSyntaxEdit::ShowPairs() {
    m_pairSelections.clear();
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const std::string line = FromQt(block.text());
    const int at = cursor.positionInBlock();
    for (int pos : {at, at - 1}) {
        if (pos < 0) continue;
        const auto partner = PartnerOf(line, std::size_t(pos));
        if (!partner) continue;
        for (int p : {pos, int(*partner)}) {
            QTextEdit::ExtraSelection pair;
            pair.format.setBackground(QColor(120, 200, 255, 110));
            pair.cursor = QTextCursor(block);
            pair.cursor.setPosition(block.position() + p);
            pair.cursor.setPosition(block.position() + p + 1, QTextCursor::KeepAnchor);
            m_pairSelections << pair;
        }
        break;
    }
    ApplySelections();
}

CompletionPlace CSyntaxEdit::PlaceAtCaret() const {
    return PlaceAt(FromQt(toPlainText()), std::size_t(textCursor().position()));
}

unsigned long CSyntaxEdit::FreePlanNumber() const {
    return ::FreePlanNumber(FromQt(toPlainText()));
}

void CSyntaxEdit::SetCatalogs(const CPlanManager* planTypes, const CUnitList* units) {
    m_planTypes = planTypes;
    m_units = units;
}

void CSyntaxEdit::Complete(bool explicitly) {
    if (isReadOnly()) return;
    const CompletionPlace place = PlaceAtCaret();
    const std::vector<Completion> offered = CompletionsAt(place, m_planTypes, m_units);
    const std::string_view prefix = CompletionPrefix(place.lineBefore);
    // Typing offers names once a name is begun or a value is due; nothing
    // when only what is typed already is left.
    const bool valueDue = place.lineBefore.ends_with('=') || place.lineBefore.ends_with("= ");
    if (offered.empty() || (!explicitly && prefix.empty() && !valueDue) ||
        (offered.size() == 1 && offered[0].text == prefix)) {
        m_completer->popup()->hide();
        return;
    }
    m_completions->clear();
    for (const Completion& c : offered) {
        const QString text = ToQt(c.text);
        auto* item = new QStandardItem(
            c.detail.empty() ? text : text + QStringLiteral("    ") + ToQt(c.detail));
        item->setData(text, kCompletionRole);
        m_completions->appendRow(item);
    }
    QRect at = cursorRect();
    at.setWidth(m_completer->popup()->sizeHintForColumn(0) +
                m_completer->popup()->verticalScrollBar()->sizeHint().width());
    m_completer->complete(at);
    m_completer->popup()->setCurrentIndex(m_completions->index(0, 0));
    m_completionChosen = explicitly;
}

void CSyntaxEdit::InsertCompletion(const QString& text) {
    const CompletionPlace place = PlaceAtCaret();
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                        int(CompletionPrefix(place.lineBefore).size()));
    cursor.insertText(text);
    setTextCursor(cursor);
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
