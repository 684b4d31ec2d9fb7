#pragma once

#include "appsettings.h"

#include <QDialog>

class CSyntaxEdit;
class QCheckBox;
class QListWidget;
class QToolButton;

// "Source Editor Settings": edits the eleven values of one colour scheme and
// writes them to the settings file on OK.
class CColourSchemeDlg : public QDialog {
    Q_OBJECT

public:
    CColourSchemeDlg(const CAppSettings& settings, bool useUnreal, QWidget* parent = nullptr);

    const ColourScheme& Scheme() const { return m_scheme; }
    void accept() override;

    // Fills in a ready-made palette for the scheme; stored only on OK.
    void UseSuggestedColours();

private:
    void PickBackground();
    void PickClassColour();
    void ShowClass();
    void StoreEffects();
    void UpdatePreview();

    const CAppSettings& m_settings;
    bool m_unreal;
    ColourScheme m_scheme;
    QToolButton* m_background;
    QListWidget* m_classes;
    QToolButton* m_classColour;
    QCheckBox* m_bold;
    QCheckBox* m_italic;
    QCheckBox* m_underline;
    CSyntaxEdit* m_preview;
};
