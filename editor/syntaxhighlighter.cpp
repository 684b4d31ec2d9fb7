#include "syntaxhighlighter.h"

#include "qtext.h"
#include "syntaxscan.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

namespace {

// A block's user state: coloured with the current formats, or not yet.
constexpr int kColoured = 1;
constexpr int kNotColoured = -1;
// Lines coloured beyond the view's bottom, so that scrolling shows colour.
constexpr int kAhead = 40;

} // namespace

CSyntaxHighlighter::CSyntaxHighlighter(QPlainTextEdit* edit) : QObject(edit), m_edit(edit) {
    SetFormats({});
    connect(edit, &QPlainTextEdit::updateRequest, this, &CSyntaxHighlighter::ColourVisible);
    // An edit makes its lines to be scanned again (and new lines from a
    // paste or a snippet all of them).
    connect(edit->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) {
                QTextDocument* document = m_edit->document();
                Uncolour(document->findBlock(position).blockNumber(),
                         document->findBlock(position + added).blockNumber());
                ColourSoon();
            });
}

void CSyntaxHighlighter::SetColouring(bool on) {
    m_on = on;
    Uncolour(0, m_edit->document()->blockCount() - 1);
    ColourSoon();
}

void CSyntaxHighlighter::ColourSoon() {
    // Once the edit is done and laid out: the lines in view are known then.
    if (!m_pending) QTimer::singleShot(0, this, &CSyntaxHighlighter::ColourVisible);
    m_pending = true;
}

void CSyntaxHighlighter::SetFormats(const std::array<TextFormat, 5>& formats) {
    for (std::size_t i = 0; i < formats.size(); ++i) {
        QTextCharFormat& f = m_formats[i];
        f.setForeground(ColorFromRef(formats[i].color));
        f.setFontWeight(formats[i].effects & EffectBold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(formats[i].effects & EffectItalic);
        f.setFontUnderline(formats[i].effects & EffectUnderline);
    }
    Uncolour(0, m_edit->document()->blockCount() - 1);
    ColourSoon();
}

void CSyntaxHighlighter::SetMarkedLines(const QHash<int, QString>& marks) {
    const QHash<int, QString> before = std::exchange(m_marks, marks);
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!m_marks.contains(it.key())) Uncolour(it.key(), it.key());
    for (auto it = m_marks.begin(); it != m_marks.end(); ++it)
        if (before.value(it.key()) != it.value()) Uncolour(it.key(), it.key());
    ColourSoon();
}

void CSyntaxHighlighter::Uncolour(int from, int to) {
    QTextDocument* document = m_edit->document();
    for (QTextBlock block = document->findBlockByNumber(from);
         block.isValid() && block.blockNumber() <= to; block = block.next())
        block.setUserState(kNotColoured);
}

void CSyntaxHighlighter::ColourVisible() {
    m_pending = false;
    const int first = std::max(0, m_edit->cursorForPosition(QPoint(0, 0)).blockNumber());
    const int last =
        m_edit->cursorForPosition(QPoint(0, m_edit->viewport()->height())).blockNumber() + kAhead;
    for (QTextBlock block = m_edit->document()->findBlockByNumber(first);
         block.isValid() && block.blockNumber() <= last; block = block.next())
        if (block.userState() != kColoured) ColourBlock(block);
}

void CSyntaxHighlighter::ColourBlock(const QTextBlock& block) {
    const QString text = block.text();
    QList<QTextLayout::FormatRange> ranges{{0, int(text.size()), m_formats[0]}};
    if (m_on) {
        for (const ColourRun& run : ScanColours(FromQt(text)))
            ranges.append({int(run.start), int(run.length), m_formats[std::size_t(run.token)]});
    }
    if (m_marks.contains(block.blockNumber())) {
        QTextCharFormat wavy;
        wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        wavy.setUnderlineColor(Qt::red);
        ranges.append({0, std::max(int(text.size()), 1), wavy});
    }
    block.layout()->setFormats(ranges);
    const_cast<QTextBlock&>(block).setUserState(kColoured);
    m_edit->document()->markContentsDirty(block.position(), block.length());
}
