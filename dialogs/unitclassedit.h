#pragma once

#include <QLineEdit>

class CUnitList;
class QAction;

// A field for a unit class: it takes only what a plan file can keep, at
// most 16 characters of Latin-1 and no quote characters, so the user sees
// the limit while typing instead of the document cutting the text later.
// A class the unit catalog does not know gets a warning mark (the file may
// still hold it).
class CUnitClassEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CUnitClassEdit(const CUnitList& units, QWidget* parent = nullptr);

    // The same limits on any line edit (the in-place editors of lists).
    static void Limit(QLineEdit* edit);
    bool ShowsUnknownMark() const;

private:
    void UpdateMark();

    const CUnitList& m_units;
    QAction* m_unknown;
};
