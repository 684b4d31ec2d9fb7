#pragma once

#include <QRegularExpression>
#include <QWidget>
#include <vector>

class CSyntaxEdit;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The source editor's find and replace bar: under the text, not a modal
// dialog, so that the text stays in reach. Every match is highlighted and
// counted; next and previous wrap around the text.
class CFindBar : public QWidget {
    Q_OBJECT

public:
    explicit CFindBar(CSyntaxEdit* edit, QWidget* parent = nullptr);

    // Ctrl+F and Ctrl+H: shows the bar (with the replace row or without),
    // the find field filled from a one-line selection and selected.
    void ShowFind(bool replace);
    // Esc: hides the bar and its highlights, back to the text.
    void Close();

    // F3 and Shift+F3: selects the next (previous) match after (before) the
    // caret, round to the start (end) when none is left. False for none.
    bool FindNext(bool backward = false);
    // Replaces the selected match and finds the next.
    void ReplaceOne();
    // Replaces every match as one step to undo; how many.
    int ReplaceAll();

    QLineEdit* FindField() const { return m_find; }
    QLineEdit* ReplaceField() const { return m_replace; }
    QCheckBox* MatchCase() const { return m_case; }
    QCheckBox* WholeWords() const { return m_words; }
    // "3 of 12", "12 matches", "No matches".
    QString CountText() const;
    int MatchCount();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRegularExpression Pattern() const;
    // The matches' starts, found again when the text or the search changed.
    const std::vector<int>& Matches();
    void Invalidate();
    void Highlight();
    void ShowCount();

    CSyntaxEdit* m_edit;
    QLineEdit* m_find;
    QLineEdit* m_replace;
    QCheckBox* m_case;
    QCheckBox* m_words;
    QLabel* m_count;
    QWidget* m_replaceRow;
    QLabel* m_replaceLabel;
    QTimer* m_refresh;
    std::vector<int> m_matches;
    int m_length = 0; // of every match: the search holds no pattern
    bool m_stale = true;
};
