#include "numberspin.h"

#include <QLineEdit>
#include <algorithm>

CNumberSpin::CNumberSpin(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setAlignment(Qt::AlignRight);
}

QValidator::State CNumberSpin::validate(QString& input, int&) const {
    for (QChar c : input)
        if (!c.isDigit()) return QValidator::Invalid;
    return QValidator::Acceptable;
}

int CNumberSpin::valueFromText(const QString& text) const {
    if (text.isEmpty()) return minimum();
    bool ok = false;
    const qlonglong number = text.left(12).toLongLong(&ok);
    if (!ok || text.size() > 12) return maximum();
    return static_cast<int>(std::clamp<qlonglong>(number, minimum(), maximum()));
}

int CNumberSpin::ReadValue() {
    interpretText();
    return value();
}
