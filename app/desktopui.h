#pragma once

#include "uiservices.h"

// The real message boxes, beep, unit picker and file and colour dialogs,
// installed by the program at start-up (tests install their own).
class CDesktopUi final : public IUiServices {
public:
    void ShowMessage(QWidget* parent, Icon icon, const QString& text) override;
    Answer AskYesNoCancel(QWidget* parent, const QString& text) override;
    Answer AskSaveChanges(QWidget* parent, const QString& text) override;
    int Choose(QWidget* parent, Icon icon, const QString& text, const QStringList& buttons,
               int defaultButton, const QString& details) override;
    void Beep() override;
    void ShowText(QWidget* parent, const QString& title, const QString& text) override;
    const UnitItem* PickUnit(QWidget* button, const CUnitList& units) override;
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override;
    std::optional<int> GetNumber(QWidget* parent, const QString& title, const QString& label,
                                 int value, int min, int max) override;
    QString GetOpenFileName(QWidget* parent, const QString& folder) override;
    QString GetFolderName(QWidget* parent, const QString& folder) override;
    QString GetSaveFileName(QWidget* parent, const QString& suggested,
                            const QString& title = {}) override;
};
