#include "unitclassedit.h"

#include "planlimits.h"

#include <QRegularExpressionValidator>

CUnitClassEdit::CUnitClassEdit(QWidget* parent) : QLineEdit(parent) {
    Limit(this);
}

void CUnitClassEdit::Limit(QLineEdit* edit) {
    edit->setMaxLength(int(kUnitClassLimit));
    static const QRegularExpression kStorable(
        QStringLiteral("[^\"'\\x{0000}\\x{0100}-\\x{FFFF}]*"));
    edit->setValidator(new QRegularExpressionValidator(kStorable, edit));
}
