#pragma once

#include <QDialog>

class CNumberSpin;
class QLineEdit;
class QToolButton;
struct StartSection;

// "Start & Cheat Sections": the scrap, Constructor and Scavenger classes of
// [Start] and the money cheat of [Cheat].
class CStartCheatDlg : public QDialog {
    Q_OBJECT

public:
    CStartCheatDlg(const StartSection& start, QWidget* parent = nullptr);

    // After OK: the values into the document's start section, cut and clamped.
    void WriteBack(StartSection& start) const;

    void accept() override;

private:
    void Pick(QLineEdit* field, QToolButton* button);

    CNumberSpin* m_scrap;
    QLineEdit* m_constructor;
    QLineEdit* m_scavenger;
    CNumberSpin* m_amount;
    CNumberSpin* m_delay;
    int m_scrapValue = 0, m_amountValue = 0, m_delayValue = 0;
};
