#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QToolButton>

// Names the buttons a line edit shows inside it (its clear button, its
// trailing actions), which Qt leaves nameless for screen readers: each by
// its action's tool tip or text, the clear button as "Clear". Call it after
// the buttons are there.
inline void NameLineEditButtons(QLineEdit* edit) {
    for (QToolButton* button : edit->findChildren<QToolButton*>()) {
        const QAction* action = button->defaultAction();
        QString name = action ? action->toolTip() : QString();
        if (name.isEmpty() || (action && name == action->objectName()))
            name = QCoreApplication::translate("QLineEdit", "Clear");
        button->setAccessibleName(name);
    }
}
