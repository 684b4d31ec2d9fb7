#pragma once

#include "appsettings.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>

// Colours each line of the source editor by the tokens ScanColours finds.
// Formats live beside the text, not in it: colouring never touches the
// selection, the scroll position or the undo history.
class CSyntaxHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit CSyntaxHighlighter(QTextDocument* document);

    void SetColouring(bool on);
    bool Colouring() const { return m_on; }
    void SetFormats(const std::array<TextFormat, 5>& formats);
    QTextCharFormat Format(int tokenClass) const { return m_formats[std::size_t(tokenClass)]; }

protected:
    void highlightBlock(const QString& text) override;

private:
    bool m_on = false;
    std::array<QTextCharFormat, 5> m_formats;
};
