#pragma once

#include "icons.h"

#include <QToolButton>

// A "..." button that opens the unit picker, shown by its icon.
inline QToolButton* NewPickerButton(const char* objectName) {
    auto* button = new QToolButton;
    button->setIcon(Icons::Picker());
    button->setToolTip(QObject::tr("Choose a unit"));
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}
