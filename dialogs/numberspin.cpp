#include "numberspin.h"

#include <QLineEdit>
#include <algorithm>

CNumberSpin::CNumberSpin(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    // Plan-file numbers are ASCII digits in every locale: a locale's own
    // digits (Arabic-Indic, Bengali...) would not read back.
    setLocale(QLocale::c());
    setRange(minimum, maximum);
    setAlignment(Qt::AlignRight);
}

QValidator::State CNumberSpin::validate(QString& input, int&) const {
    for (QChar c : input)
        if (c < u'0' || c > u'9') return QValidator::Invalid;
    return QValidator::Acceptable;
}

QString CNumberSpin::textFromValue(int value) const {
    return QString::number(value);
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
