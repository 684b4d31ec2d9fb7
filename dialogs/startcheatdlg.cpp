#include "startcheatdlg.h"

#include "appcontext.h"
#include "iconbutton.h"
#include "numberspin.h"
#include "qtext.h"
#include "uiservices.h"
#include "unitclassedit.h"
#include "unitlist.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QWidget* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    return row;
}

} // namespace

CStartCheatDlg::CStartCheatDlg(const CAppContext& context, const StartSection& start,
                               QWidget* parent)
    : QDialog(parent), m_context(context), m_scrap(new CNumberSpin(0, int(kMaxScrap))),
      m_constructor(new CUnitClassEdit(context.Units())),
      m_scavenger(new CUnitClassEdit(context.Units())),
      m_amount(new CNumberSpin(0, int(kMaxScrap))),
      m_delay(new CNumberSpin(0, int(kMaxMoneyDelay))) {
    setWindowTitle(tr("Start & Cheat Sections"));
    m_scrap->setObjectName("scrap");
    m_constructor->setObjectName("constructor");
    m_scavenger->setObjectName("scavenger");
    m_amount->setObjectName("amount");
    m_delay->setObjectName("delay");

    m_scrap->setValue(int(std::min(start.scrapCount, kMaxScrap)));
    m_constructor->setText(ToQt(start.consClass));
    m_scavenger->setText(ToQt(start.scavClass));
    m_amount->setValue(int(std::min(start.moneyAmount, kMaxScrap)));
    m_delay->setValue(int(std::min(start.moneyDelay, kMaxMoneyDelay)));

    QToolButton* consPicker = NewPickerButton("constructorPicker");
    QToolButton* scavPicker = NewPickerButton("scavengerPicker");
    connect(consPicker, &QToolButton::clicked, this,
            [=, this] { Pick(m_constructor, consPicker); });
    connect(scavPicker, &QToolButton::clicked, this, [=, this] { Pick(m_scavenger, scavPicker); });

    auto* startBox = new QGroupBox(tr("Start section"));
    auto* startForm = new QFormLayout(startBox);
    // A field in a row with its picker is not the label's sibling, where
    // screen readers look for its name: it is named outright.
    auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        buddy->setAccessibleName(QString(text).remove('&').remove(':'));
        return l;
    };
    startForm->addRow(label(tr("&Scrap:"), m_scrap), m_scrap);
    startForm->addRow(label(tr("&Constructor:"), m_constructor), Row({m_constructor, consPicker}));
    startForm->addRow(label(tr("Sca&venger:"), m_scavenger), Row({m_scavenger, scavPicker}));

    auto* cheatBox = new QGroupBox(tr("Cheat section"));
    auto* add = new QLabel(tr("&Add"));
    add->setBuddy(m_amount);
    auto* every = new QLabel(tr("&every"));
    every->setBuddy(m_delay);
    auto* cheat = new QHBoxLayout;
    cheat->addWidget(add);
    cheat->addWidget(m_amount);
    cheat->addWidget(new QLabel(tr("units of scrap")));
    cheat->addWidget(every);
    cheat->addWidget(m_delay);
    cheat->addWidget(new QLabel(tr("seconds.")));
    // A cheat with one value at 0 is not saved: said while it is so.
    auto* note = new QLabel(tr("The Cheat section is saved only when both values are above 0"));
    note->setObjectName("cheatNote");
    note->setWordWrap(true);
    auto* cheatColumn = new QVBoxLayout;
    cheatColumn->addLayout(cheat);
    cheatColumn->addWidget(note);
    auto updateNote = [this, note] {
        note->setVisible((m_amount->ReadValue() == 0) != (m_delay->ReadValue() == 0));
    };
    for (CNumberSpin* spin : {m_amount, m_delay})
        connect(spin->lineEdit(), &QLineEdit::textChanged, this, updateNote);
    updateNote();

    cheatBox->setLayout(cheatColumn);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CStartCheatDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(startBox);
    layout->addWidget(cheatBox);
    layout->addWidget(buttons);
}

void CStartCheatDlg::Pick(QLineEdit* field, QToolButton* button) {
    if (const UnitItem* unit = Ui().PickUnit(button, m_context.Units()))
        field->setText(ToQt(unit->unitClass));
}

void CStartCheatDlg::accept() {
    const int scrap = m_scrap->ReadValue();
    if (m_constructor->text().isEmpty() || m_scavenger->text().isEmpty()) {
        Ui().ShowMessage(this, IUiServices::Icon::Error,
                         tr("You need to specify a Constructor and a Scavenger class!"));
        return;
    }
    m_result.scrapCount = std::min(std::uint32_t(scrap), kMaxScrap);
    m_result.SetConsClass(FromQt(m_constructor->text()));
    m_result.SetScavClass(FromQt(m_scavenger->text()));
    m_result.moneyAmount = std::min(std::uint32_t(m_amount->ReadValue()), kMaxScrap);
    m_result.moneyDelay = std::min(std::uint32_t(m_delay->ReadValue()), kMaxMoneyDelay);
    QDialog::accept();
}
