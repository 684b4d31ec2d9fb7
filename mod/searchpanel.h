#pragma once

#include "modsearch.h"

#include <QDockWidget>

class CModFiles;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// "Find in Files": text or a regular expression over the mod's plan files,
// and the places that name a unit class; the results grouped by file, each
// with its line and the line's text, the found part marked. Enter or a
// click on a result asks for its file at that line.
class CSearchPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit CSearchPanel(QWidget* parent = nullptr);

    // The mod searched; null for none.
    void SetMod(CModFiles* mod);
    // Ctrl+Shift+F: the panel shown, the search text selected to type over.
    void StartFind();
    void Find(const TextQuery& query);
    // Where a unit class is used; `shownName` is its name in the unit catalog.
    void ShowUses(const QString& unitClass, const QString& shownName);

    QLineEdit* Field() const { return m_field; }
    QCheckBox* RegexBox() const { return m_regex; }
    QCheckBox* CaseBox() const { return m_case; }
    QTreeWidget* Results() const { return m_results; }
    // What the last search found ("12 matches in 3 files").
    QString Summary() const;

signals:
    // `line` 0 for the file alone.
    void PlaceRequested(const QString& path, int line);

private:
    void FindNow();
    void Show(const QList<FileHits>& found, const QString& what);
    void Request(QTreeWidgetItem* item);

    CModFiles* m_mod = nullptr;
    QLineEdit* m_field;
    QCheckBox* m_regex;
    QCheckBox* m_case;
    QPushButton* m_find;
    QLabel* m_summary;
    QTreeWidget* m_results;
};
