#pragma once

#include "icons.h"

#include <QToolButton>

// A button shown by its icon alone: its command's name is its tool tip (with
// its key, when it has one) and what screen readers say.
inline QToolButton* NewIconButton(const QIcon& icon, const QString& name, const char* objectName,
                                  const QString& key = {}) {
    auto* button = new QToolButton;
    button->setIcon(icon);
    button->setToolTip(key.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, key));
    button->setAccessibleName(name);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

// A "..." button that opens the unit picker.
inline QToolButton* NewPickerButton(const char* objectName) {
    return NewIconButton(Icons::Picker(), QObject::tr("Choose a unit"), objectName);
}

// Tab goes from widget to widget in the order given (the order of the layout).
inline void SetTabOrder(std::initializer_list<QWidget*> widgets) {
    const QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous) QWidget::setTabOrder(const_cast<QWidget*>(previous), widget);
        previous = widget;
    }
}
