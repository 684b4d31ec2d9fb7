#include "unitclassedit.h"

#include "icons.h"
#include "lineeditbuttons.h"
#include "planlimits.h"
#include "qtext.h"
#include "unitlist.h"

#include <QAction>
#include <QRegularExpressionValidator>

CUnitClassEdit::CUnitClassEdit(const CUnitList& units, QWidget* parent)
    : QLineEdit(parent), m_units(units),
      m_unknown(addAction(Icons::Get(Icons::Art::IssueWarning), QLineEdit::TrailingPosition)) {
    Limit(this);
    m_unknown->setToolTip(tr("This unit class is not in the unit catalog"));
    NameLineEditButtons(this);
    connect(this, &QLineEdit::textChanged, this, &CUnitClassEdit::UpdateMark);
    UpdateMark();
}

void CUnitClassEdit::Limit(QLineEdit* edit) {
    edit->setMaxLength(int(kUnitClassLimit));
    static const QRegularExpression kStorable(
        QStringLiteral("[^\"'\\x{0000}\\x{0100}-\\x{FFFF}]*"));
    edit->setValidator(new QRegularExpressionValidator(kStorable, edit));
}

bool CUnitClassEdit::ShowsUnknownMark() const {
    return m_unknown->isVisible();
}

void CUnitClassEdit::UpdateMark() {
    m_unknown->setVisible(!text().isEmpty() && !m_units.FindUnitByClass(FromQt(text())));
}
