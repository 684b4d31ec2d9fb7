#include "colourschemedlg.h"

#include "qtext.h"
#include "syntaxedit.h"
#include "syntaxhighlighter.h"
#include "uiservices.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kClassNames[] = {"Normal", "Header", "String", "Number", "Comment"};

const char* const kPreview = "// Preview of the colours\n"
                             "[Plan1]\n"
                             "planType = \"BuildLoop\"\n"
                             "planPriority = 500\n"
                             "loopDelay = 1.5f\n";

void ShowSwatch(QToolButton* button, std::uint32_t color) {
    QPixmap swatch(32, 16);
    swatch.fill(ColorFromRef(color));
    button->setIcon(QIcon(swatch));
    button->setIconSize(swatch.size());
}

} // namespace

CColourSchemeDlg::CColourSchemeDlg(const CAppSettings& settings, bool useUnreal, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_unreal(useUnreal),
      m_scheme(settings.Scheme(useUnreal)), m_background(new QToolButton),
      m_classes(new QListWidget), m_classColour(new QToolButton),
      m_bold(new QCheckBox(tr(" &Bold "))), m_italic(new QCheckBox(tr(" &Italic "))),
      m_underline(new QCheckBox(tr(" &Underline "))), m_preview(new CSyntaxEdit) {
    setWindowTitle(tr("Source Editor Settings"));
    m_background->setObjectName("background");
    m_classes->setObjectName("classes");
    m_classColour->setObjectName("classColour");
    m_bold->setObjectName("bold");
    m_italic->setObjectName("italic");
    m_underline->setObjectName("underline");
    for (const char* name : kClassNames)
        m_classes->addItem(QString::fromLatin1(name));

    auto* formatting = new QGroupBox(tr("Text formatting"));
    auto* grid = new QGridLayout(formatting);
    grid->addWidget(new QLabel(tr("Background color:")), 0, 0);
    grid->addWidget(m_background, 0, 1, Qt::AlignLeft);
    grid->addWidget(m_classes, 1, 0, 4, 1);
    grid->addWidget(m_classColour, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_bold, 2, 1);
    grid->addWidget(m_italic, 3, 1);
    grid->addWidget(m_underline, 4, 1);

    auto* previewBox = new QGroupBox(tr("Preview"));
    auto* previewLayout = new QVBoxLayout(previewBox);
    m_preview->setReadOnly(true);
    m_preview->setPlainText(QString::fromLatin1(kPreview));
    m_preview->Highlighter().SetColouring(true);
    previewLayout->addWidget(m_preview);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* suggested =
        buttons->addButton(tr("Suggested Colours"), QDialogButtonBox::ResetRole);
    connect(suggested, &QPushButton::clicked, this, &CColourSchemeDlg::UseSuggestedColours);
    connect(buttons, &QDialogButtonBox::accepted, this, &CColourSchemeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(formatting);
    layout->addWidget(previewBox, 1);
    layout->addWidget(buttons);

    connect(m_background, &QToolButton::clicked, this, &CColourSchemeDlg::PickBackground);
    connect(m_classColour, &QToolButton::clicked, this, &CColourSchemeDlg::PickClassColour);
    connect(m_classes, &QListWidget::currentRowChanged, this, &CColourSchemeDlg::ShowClass);
    for (QCheckBox* box : {m_bold, m_italic, m_underline})
        connect(box, &QCheckBox::toggled, this, &CColourSchemeDlg::StoreEffects);
    m_classes->setCurrentRow(0);
    UpdatePreview();
}

void CColourSchemeDlg::PickBackground() {
    if (auto color = Ui().PickColor(this, ColorFromRef(m_scheme.backColor))) {
        m_scheme.backColor = RefFromColor(*color);
        UpdatePreview();
    }
}

void CColourSchemeDlg::PickClassColour() {
    const int row = m_classes->currentRow();
    if (row < 0) return;
    TextFormat& format = m_scheme.formats[std::size_t(row)];
    if (auto color = Ui().PickColor(this, ColorFromRef(format.color))) {
        format.color = RefFromColor(*color);
        UpdatePreview();
    }
}

void CColourSchemeDlg::ShowClass() {
    const int row = m_classes->currentRow();
    if (row < 0) return;
    const std::uint32_t effects = m_scheme.formats[std::size_t(row)].effects;
    const QSignalBlocker b1(m_bold), b2(m_italic), b3(m_underline);
    m_bold->setChecked(effects & EffectBold);
    m_italic->setChecked(effects & EffectItalic);
    m_underline->setChecked(effects & EffectUnderline);
    ShowSwatch(m_classColour, m_scheme.formats[std::size_t(row)].color);
}

void CColourSchemeDlg::StoreEffects() {
    const int row = m_classes->currentRow();
    if (row < 0) return;
    std::uint32_t& effects = m_scheme.formats[std::size_t(row)].effects;
    // Bits other than the three stay as the file had them.
    effects &= ~std::uint32_t(EffectBold | EffectItalic | EffectUnderline);
    if (m_bold->isChecked()) effects |= EffectBold;
    if (m_italic->isChecked()) effects |= EffectItalic;
    if (m_underline->isChecked()) effects |= EffectUnderline;
    UpdatePreview();
}

void CColourSchemeDlg::UpdatePreview() {
    ShowSwatch(m_background, m_scheme.backColor);
    ShowClass();
    QPalette palette = m_preview->palette();
    palette.setColor(QPalette::Base, ColorFromRef(m_scheme.backColor));
    m_preview->setPalette(palette);
    m_preview->Highlighter().SetFormats(m_scheme.formats);
}

void CColourSchemeDlg::UseSuggestedColours() {
    m_scheme = SuggestedScheme(m_unreal);
    UpdatePreview();
}

void CColourSchemeDlg::accept() {
    m_settings.SetScheme(m_unreal, m_scheme);
    QDialog::accept();
}
