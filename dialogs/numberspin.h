#pragma once

#include <QSpinBox>

// A spin box for the dialogs' counts and priorities, in ASCII digits whatever
// the locale. Any run of digits may be typed; a number above the range counts
// as the range's maximum (as the dialogs store it), and an empty field as the
// minimum.
class CNumberSpin : public QSpinBox {
    Q_OBJECT

public:
    CNumberSpin(int minimum, int maximum, QWidget* parent = nullptr);

    // The value of the text as typed so far, cut to the range.
    int ReadValue();
    using QAbstractSpinBox::lineEdit; // what the user types into

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
};
