#pragma once

#include "plandata.h"

#include <QDialog>

class CAppContext;
class CNumberSpin;
class QLineEdit;
class QToolButton;

// "Start & Cheat Sections": the scrap, Constructor and Scavenger classes of
// [Start] and the money cheat of [Cheat].
class CStartCheatDlg : public QDialog {
    Q_OBJECT

public:
    CStartCheatDlg(const CAppContext& context, const StartSection& start,
                   QWidget* parent = nullptr);

    // After OK: the values as the document keeps them, cut and clamped.
    const StartSection& Result() const { return m_result; }

    void accept() override;

private:
    void Pick(QLineEdit* field, QToolButton* button);

    const CAppContext& m_context;
    CNumberSpin* m_scrap;
    QLineEdit* m_constructor;
    QLineEdit* m_scavenger;
    CNumberSpin* m_amount;
    CNumberSpin* m_delay;
    StartSection m_result;
};
