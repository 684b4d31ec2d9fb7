#include "syntaxhighlighter.h"

#include "qtext.h"
#include "syntaxscan.h"

CSyntaxHighlighter::CSyntaxHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    SetFormats({});
}

void CSyntaxHighlighter::SetColouring(bool on) {
    m_on = on;
    rehighlight();
}

void CSyntaxHighlighter::SetFormats(const std::array<TextFormat, 5>& formats) {
    for (std::size_t i = 0; i < formats.size(); ++i) {
        QTextCharFormat& f = m_formats[i];
        f.setForeground(ColorFromRef(formats[i].color));
        f.setFontWeight(formats[i].effects & EffectBold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(formats[i].effects & EffectItalic);
        f.setFontUnderline(formats[i].effects & EffectUnderline);
    }
    rehighlight();
}

void CSyntaxHighlighter::highlightBlock(const QString& text) {
    setFormat(0, int(text.size()), m_formats[0]);
    if (!m_on) return;
    const QByteArray bytes = text.toLatin1();
    for (const ColourRun& run :
         ScanColours(std::string_view(bytes.constData(), std::size_t(bytes.size()))))
        setFormat(int(run.start), int(run.length), m_formats[std::size_t(run.token)]);
}
