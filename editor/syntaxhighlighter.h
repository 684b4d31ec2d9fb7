#pragma once

#include "appsettings.h"

#include <QHash>
#include <QObject>
#include <QTextCharFormat>
#include <array>

class QPlainTextEdit;
class QTextBlock;

// Colours the lines of a text control by the tokens ScanColours finds, and
// underlines marked lines. Lazily: only the lines that come into view are
// scanned, so that a text of hundreds of thousands of lines opens at once.
// Formats live beside the text, not in it: colouring never touches the
// selection, the scroll position or the undo history.
class CSyntaxHighlighter : public QObject {
    Q_OBJECT

public:
    explicit CSyntaxHighlighter(QPlainTextEdit* edit);

    void SetColouring(bool on);
    bool Colouring() const { return m_on; }
    void SetFormats(const std::array<TextFormat, 5>& formats);
    QTextCharFormat Format(int tokenClass) const { return m_formats[std::size_t(tokenClass)]; }
    // Lines (0-based) to underline with a wavy line; they keep their colours.
    void SetMarkedLines(const QHash<int, QString>& marks);

    // Colours the lines in view that are not coloured yet.
    void ColourVisible();

private:
    void Uncolour(int from, int to); // block numbers, both included
    void ColourSoon();
    void ColourBlock(const QTextBlock& block);

    QPlainTextEdit* m_edit;
    bool m_on = false;
    std::array<QTextCharFormat, 5> m_formats;
    QHash<int, QString> m_marks;
    bool m_pending = false;
};
