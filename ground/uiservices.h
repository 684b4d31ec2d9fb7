#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;
class CUnitList;
struct UnitItem;

// Everything that waits for the user outside the window's own widgets:
// message boxes, beeps, the unit picker and the file dialogs. Production code
// goes through Ui(); tests install their own services with SetUi() so that
// nothing ever blocks on a modal window.
class IUiServices {
public:
    enum class Icon { Information, Question, Warning, Error };
    enum class Answer { Yes, No, Cancel };

    virtual ~IUiServices() = default;

    virtual void ShowMessage(QWidget* parent, Icon icon, const QString& text) = 0;
    // Yes / No / Cancel with the question icon.
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // Save / Don't Save / Cancel, answered as Yes / No / Cancel.
    virtual Answer AskSaveChanges(QWidget* parent, const QString& text) = 0;
    // A question with buttons of its own, the default one given, and a long
    // text the user may unfold (`details`, when not empty); the index of the
    // button chosen, and the last button's for Esc or the close box.
    virtual int Choose(QWidget* parent, Icon icon, const QString& text, const QStringList& buttons,
                       int defaultButton, const QString& details = {}) = 0;
    virtual void Beep() = 0;
    // A long text to read, in a window of its own with `title`.
    virtual void ShowText(QWidget* parent, const QString& title, const QString& text) = 0;
    // The unit picker, opened with its top right corner at the bottom right
    // corner of `button`; null when dismissed.
    virtual const UnitItem* PickUnit(QWidget* button, const CUnitList& units) = 0;
    // A colour chosen in the colour dialog; nothing when cancelled.
    virtual std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) = 0;
    // A whole number from min to max, asked with `label` ("Go to Line...");
    // nothing when cancelled.
    virtual std::optional<int> GetNumber(QWidget* parent, const QString& title,
                                         const QString& label, int value, int min, int max) = 0;
    // Empty when cancelled. The dialog starts in `folder` (the system's
    // choice when empty).
    virtual QString GetOpenFileName(QWidget* parent, const QString& folder) = 0;
    // A folder to open (a mod's); empty when cancelled.
    virtual QString GetFolderName(QWidget* parent, const QString& folder) = 0;
    // `title` names the command ("Save As" when empty).
    virtual QString GetSaveFileName(QWidget* parent, const QString& suggested,
                                    const QString& title = {}) = 0;
};

// The services in use: the program installs CDesktopUi at start-up, tests
// their scripted fake.
IUiServices& Ui();
void SetUi(IUiServices* services);
