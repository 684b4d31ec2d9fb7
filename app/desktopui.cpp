#include "desktopui.h"

#include "unitlist.h"
#include "unitpicker.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("ZEQ Editor");
const QString kFilter = QStringLiteral("ZEQ Files (*.zeq);;All Files (*)");

} // namespace

void CDesktopUi::ShowMessage(QWidget* parent, Icon icon, const QString& text) {
    const auto boxIcon = icon == Icon::Error     ? QMessageBox::Critical
                         : icon == Icon::Warning ? QMessageBox::Warning
                                                 : QMessageBox::Information;
    QMessageBox box(boxIcon, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

IUiServices::Answer CDesktopUi::AskYesNoCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, kTitle, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
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

QString CDesktopUi::GetOpenFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QObject::tr("Open"), QString(), kFilter);
}

QString CDesktopUi::GetSaveFileName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, QObject::tr("Save As"), suggested, kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("zeq")); // a name typed without extension
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}
