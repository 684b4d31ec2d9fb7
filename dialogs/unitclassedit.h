#pragma once

#include <QLineEdit>

// A field for a unit class: it takes only what a plan file can keep, at
// most 16 characters of Latin-1 and no quote characters, so the user sees
// the limit while typing instead of the document cutting the text later.
class CUnitClassEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CUnitClassEdit(QWidget* parent = nullptr);

    // The same limits on any line edit (the in-place editors of lists).
    static void Limit(QLineEdit* edit);
};
