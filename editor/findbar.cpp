#include "findbar.h"

#include "lineeditbuttons.h"
#include "syntaxedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {

QToolButton* NewBarButton(const QString& name, const QString& key, Qt::ArrowType arrow) {
    auto* button = new QToolButton;
    button->setArrowType(arrow);
    button->setAutoRaise(true);
    button->setToolTip(key.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, key));
    button->setAccessibleName(name);
    return button;
}

} // namespace

CFindBar::CFindBar(CSyntaxEdit* edit, QWidget* parent)
    : QWidget(parent), m_edit(edit), m_find(new QLineEdit), m_replace(new QLineEdit),
      m_case(new QCheckBox(tr("Matc&h case"))), m_words(new QCheckBox(tr("Whole w&ords"))),
      m_count(new QLabel), m_replaceRow(new QWidget), m_refresh(new QTimer(this)) {
    setObjectName("findBar");
    m_find->setObjectName("find");
    m_replace->setObjectName("replace");
    m_find->setClearButtonEnabled(true);
    NameLineEditButtons(m_find);
    // Named here: the replace field's label is not beside it in the tree.
    m_find->setAccessibleName(tr("Find"));
    m_replace->setAccessibleName(tr("Replace with"));
    auto* findLabel = new QLabel(tr("F&ind:"));
    findLabel->setBuddy(m_find);
    auto* replaceLabel = new QLabel(tr("Replace &with:"));
    replaceLabel->setBuddy(m_replace);
    QToolButton* previous = NewBarButton(tr("Find Previous"), tr("Shift+F3"), Qt::UpArrow);
    QToolButton* next = NewBarButton(tr("Find Next"), tr("F3"), Qt::DownArrow);
    auto* close = new QToolButton;
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(tr("Close (Esc)"));
    close->setAccessibleName(tr("Close the find bar"));
    auto* replaceOne = new QPushButton(tr("&Replace"));
    auto* replaceAll = new QPushButton(tr("Replace A&ll"));
    m_count->setMinimumWidth(fontMetrics().horizontalAdvance(tr("999999 matches")));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(findLabel, 0, 0);
    layout->addWidget(m_find, 0, 1);
    auto* options = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(previous), static_cast<QWidget*>(next),
                       static_cast<QWidget*>(m_case), static_cast<QWidget*>(m_words),
                       static_cast<QWidget*>(m_count)})
        options->addWidget(w);
    options->addStretch();
    options->addWidget(close);
    layout->addLayout(options, 0, 2);
    auto* replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(m_replace, 1);
    replaceRow->addWidget(replaceOne);
    replaceRow->addWidget(replaceAll);
    replaceRow->addStretch();
    layout->addWidget(replaceLabel, 1, 0);
    layout->addWidget(m_replaceRow, 1, 1, 1, 2);
    layout->setColumnStretch(1, 1);
    m_replaceLabel = replaceLabel;
    m_replaceLabel->setVisible(false);
    m_replaceRow->setVisible(false);
    for (QPushButton* button : {replaceOne, replaceAll})
        button->setAutoDefault(false); // Enter in the fields is the bar's
    // Tab goes through the fields first, then the buttons and options.
    QWidget* order[] = {m_find, m_replace, replaceOne, replaceAll, previous,
                        next,   m_case,    m_words,    close};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);

    connect(previous, &QToolButton::clicked, this, [this] { FindNext(true); });
    connect(next, &QToolButton::clicked, this, [this] { FindNext(false); });
    connect(close, &QToolButton::clicked, this, &CFindBar::Close);
    connect(replaceOne, &QPushButton::clicked, this, &CFindBar::ReplaceOne);
    connect(replaceAll, &QPushButton::clicked, this, &CFindBar::ReplaceAll);
    connect(m_find, &QLineEdit::textChanged, this, &CFindBar::Invalidate);
    connect(m_case, &QCheckBox::toggled, this, &CFindBar::Invalidate);
    connect(m_words, &QCheckBox::toggled, this, &CFindBar::Invalidate);
    connect(m_edit->document(), &QTextDocument::contentsChanged, this, &CFindBar::Invalidate);
    connect(m_edit, &QPlainTextEdit::cursorPositionChanged, this, &CFindBar::ShowCount);
    // The highlights follow the view as it scrolls.
    connect(m_edit, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy && isVisible()) Highlight();
    });
    // Matches are found again once typing pauses, not at every key.
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(150);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        Highlight();
        ShowCount();
    });
    hide();
}

void CFindBar::ShowFind(bool replace) {
    const QTextCursor cursor = m_edit->textCursor();
    const QString selected = cursor.selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_find->setText(selected);
    m_replaceRow->setVisible(replace);
    m_replaceLabel->setVisible(replace);
    show();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
    Invalidate();
}

void CFindBar::Close() {
    hide();
    m_edit->SetFindSelections({});
    m_edit->setFocus(Qt::ShortcutFocusReason);
}

QRegularExpression CFindBar::Pattern() const {
    QString pattern = QRegularExpression::escape(m_find->text());
    // A word is a run of letters, digits and underscores, as keys and unit
    // classes are.
    if (m_words->isChecked()) pattern = QStringLiteral("(?<!\\w)%1(?!\\w)").arg(pattern);
    return QRegularExpression(pattern, m_case->isChecked()
                                           ? QRegularExpression::NoPatternOption
                                           : QRegularExpression::CaseInsensitiveOption);
}

void CFindBar::Invalidate() {
    m_stale = true;
    if (isVisible()) m_refresh->start();
}

const std::vector<int>& CFindBar::Matches() {
    if (!m_stale) return m_matches;
    m_stale = false;
    m_matches.clear();
    m_length = int(m_find->text().size());
    if (m_length == 0) return m_matches;
    // The raw text: its positions are the document's, a line break one each.
    const QString text = m_edit->document()->toRawText();
    auto found = Pattern().globalMatch(text);
    while (found.hasNext())
        m_matches.push_back(int(found.next().capturedStart()));
    return m_matches;
}

int CFindBar::MatchCount() {
    return int(Matches().size());
}

bool CFindBar::FindNext(bool backward) {
    const std::vector<int>& matches = Matches();
    if (matches.empty()) {
        m_refresh->stop();
        ShowCount();
        QApplication::beep();
        return false;
    }
    const QTextCursor cursor = m_edit->textCursor();
    int at;
    if (backward) {
        auto it = std::lower_bound(matches.begin(), matches.end(), cursor.selectionStart());
        at = it == matches.begin() ? matches.back() : *std::prev(it);
    } else {
        // Past a selected match, so that F3 moves on from it.
        const int from = cursor.hasSelection() ? cursor.selectionStart() + 1 : cursor.position();
        auto it = std::lower_bound(matches.begin(), matches.end(), from);
        at = it == matches.end() ? matches.front() : *it;
    }
    QTextCursor match(m_edit->document());
    match.setPosition(at);
    match.setPosition(at + m_length, QTextCursor::KeepAnchor);
    m_edit->setTextCursor(match);
    m_edit->centerCursor();
    m_refresh->stop(); // done here and now
    Highlight();
    ShowCount();
    return true;
}

void CFindBar::ReplaceOne() {
    if (m_edit->isReadOnly()) return;
    const std::vector<int>& matches = Matches();
    QTextCursor cursor = m_edit->textCursor();
    const bool onMatch =
        cursor.hasSelection() && cursor.selectionEnd() - cursor.selectionStart() == m_length &&
        std::binary_search(matches.begin(), matches.end(), cursor.selectionStart());
    if (onMatch) {
        cursor.insertText(m_replace->text());
        m_edit->setTextCursor(cursor);
    }
    FindNext(false);
}

int CFindBar::ReplaceAll() {
    if (m_edit->isReadOnly()) return 0;
    const std::vector<int> matches = Matches();
    if (matches.empty()) return 0;
    const QString replacement = m_replace->text();
    QTextCursor edit(m_edit->document());
    edit.beginEditBlock(); // one step to undo
    // From the end, so that the positions before stay where they were.
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        edit.setPosition(*it);
        edit.setPosition(*it + m_length, QTextCursor::KeepAnchor);
        edit.insertText(replacement);
    }
    edit.endEditBlock();
    m_count->setText(matches.size() == 1 ? tr("1 replaced")
                                         : tr("%1 replaced").arg(matches.size()));
    m_refresh->stop();
    Highlight();
    return int(matches.size());
}

void CFindBar::Highlight() {
    QList<QTextEdit::ExtraSelection> shown;
    const std::vector<int>& matches = Matches();
    if (!matches.empty()) {
        // Only those in view: a common word can match a hundred thousand times.
        const int top = m_edit->cursorForPosition(QPoint(0, 0)).block().position();
        const QTextBlock bottom =
            m_edit->cursorForPosition(QPoint(0, m_edit->viewport()->height())).block();
        const int end = bottom.position() + bottom.length();
        QTextCharFormat format;
        format.setBackground(QColor(255, 210, 60, 150));
        for (auto it = std::lower_bound(matches.begin(), matches.end(), top);
             it != matches.end() && *it < end; ++it) {
            QTextEdit::ExtraSelection selection;
            selection.format = format;
            selection.cursor = QTextCursor(m_edit->document());
            selection.cursor.setPosition(*it);
            selection.cursor.setPosition(*it + m_length, QTextCursor::KeepAnchor);
            shown << selection;
        }
    }
    m_edit->SetFindSelections(shown);
}

QString CFindBar::CountText() const {
    return m_count->text();
}

void CFindBar::ShowCount() {
    if (!isVisible() || m_refresh->isActive()) return;
    if (m_find->text().isEmpty()) {
        m_count->clear();
        return;
    }
    const std::vector<int>& matches = Matches();
    const QTextCursor cursor = m_edit->textCursor();
    const auto it = std::lower_bound(matches.begin(), matches.end(), cursor.selectionStart());
    if (matches.empty())
        m_count->setText(tr("No matches"));
    else if (cursor.hasSelection() && it != matches.end() && *it == cursor.selectionStart())
        m_count->setText(tr("%1 of %2").arg(it - matches.begin() + 1).arg(matches.size()));
    else if (matches.size() == 1)
        m_count->setText(tr("1 match"));
    else
        m_count->setText(tr("%1 matches").arg(matches.size()));
}

void CFindBar::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Escape:
        Close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_replace->hasFocus())
            ReplaceOne();
        else
            FindNext(shift);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
