#include "desktopui.h"

#include "unitlist.h"
#include "unitpicker.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("ZEQ Editor");
const QString kFilter = QStringLiteral("ZEQ Files (*.zeq);;All Files (*)");

QMessageBox::Icon BoxIcon(IUiServices::Icon icon) {
    switch (icon) {
    case IUiServices::Icon::Error:
        return QMessageBox::Critical;
    case IUiServices::Icon::Warning:
        return QMessageBox::Warning;
    case IUiServices::Icon::Question:
        return QMessageBox::Question;
    case IUiServices::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

// The box's icon drawn for the pixel density of the window it stands over:
// made before the box has a screen of its own, the style's icon is drawn
// for the first screen's and blurs at a display scale of 2.
void UseSharpIcon(QMessageBox& box, IUiServices::Icon icon, const QWidget* parent) {
    QStyle* style = box.style();
    const QStyle::StandardPixmap kind =
        icon == IUiServices::Icon::Error      ? QStyle::SP_MessageBoxCritical
        : icon == IUiServices::Icon::Warning  ? QStyle::SP_MessageBoxWarning
        : icon == IUiServices::Icon::Question ? QStyle::SP_MessageBoxQuestion
                                              : QStyle::SP_MessageBoxInformation;
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    const qreal ratio = parent ? parent->devicePixelRatioF() : qApp->devicePixelRatio();
    box.setIconPixmap(style->standardIcon(kind, nullptr, &box).pixmap(QSize(size, size), ratio));
}

} // namespace

void CDesktopUi::ShowMessage(QWidget* parent, Icon icon, const QString& text) {
    QMessageBox box(BoxIcon(icon), kTitle, text, QMessageBox::Ok, parent);
    UseSharpIcon(box, icon, parent);
    box.exec();
}

IUiServices::Answer CDesktopUi::AskYesNoCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, kTitle, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    UseSharpIcon(box, Icon::Question, parent);
    box.setDefaultButton(QMessageBox::Yes);
    const int result = box.exec();
    return result == QMessageBox::Yes  ? Answer::Yes
           : result == QMessageBox::No ? Answer::No
                                       : Answer::Cancel;
}

IUiServices::Answer CDesktopUi::AskSaveChanges(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, kTitle, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Discard)->setText(QObject::tr("Do&n't Save"));
    box.setDefaultButton(QMessageBox::Save);
    const int result = box.exec();
    return result == QMessageBox::Save      ? Answer::Yes
           : result == QMessageBox::Discard ? Answer::No
                                            : Answer::Cancel;
}

int CDesktopUi::Choose(QWidget* parent, Icon icon, const QString& text, const QStringList& buttons,
                       int defaultButton, const QString& details) {
    QMessageBox box(BoxIcon(icon), kTitle, text, QMessageBox::NoButton, parent);
    UseSharpIcon(box, icon, parent);
    if (!details.isEmpty()) box.setDetailedText(details);
    QList<QAbstractButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        added << box.addButton(buttons[i], i + 1 == buttons.size() ? QMessageBox::RejectRole
                                                                   : QMessageBox::AcceptRole);
    // Framed and focused alike, so that Enter's target is plain (Windows'
    // style could frame one button and focus another).
    if (defaultButton >= 0 && defaultButton < added.size()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added[defaultButton]));
        added[defaultButton]->setFocus();
    }
    box.setEscapeButton(added.isEmpty() ? nullptr : added.last());
    box.exec();
    const qsizetype chosen = added.indexOf(box.clickedButton());
    return int(chosen < 0 ? buttons.size() - 1 : chosen);
}

void CDesktopUi::ShowText(QWidget* parent, const QString& title, const QString& text) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* view = new QPlainTextEdit(text, &dialog);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setAccessibleName(title);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(720, 480);
    dialog.exec();
}

void CDesktopUi::Beep() {
    QApplication::beep();
}

const UnitItem* CDesktopUi::PickUnit(QWidget* button, const CUnitList& units) {
    return TrackUnitMenu(units, button);
}

std::optional<QColor> CDesktopUi::PickColor(QWidget* parent, const QColor& initial) {
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid()) return std::nullopt;
    return color;
}

std::optional<int> CDesktopUi::GetNumber(QWidget* parent, const QString& title,
                                         const QString& label, int value, int min, int max) {
    bool ok = false;
    const int number = QInputDialog::getInt(parent, title, label, value, min, max, 1, &ok);
    if (!ok) return std::nullopt;
    return number;
}

QString CDesktopUi::GetOpenFileName(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, QObject::tr("Open"), folder, kFilter);
}

QString CDesktopUi::GetFolderName(QWidget* parent, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, QObject::tr("Open Folder"), folder);
}

QString CDesktopUi::GetSaveFileName(QWidget* parent, const QString& suggested,
                                    const QString& title) {
    QFileDialog dialog(parent, title.isEmpty() ? QObject::tr("Save As") : title, suggested,
                       kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("zeq")); // a name typed without extension
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}
