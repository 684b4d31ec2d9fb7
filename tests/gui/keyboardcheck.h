#pragma once

// What a window offers the keyboard and assistive technology, as the tests
// check it: each mnemonic once among what it reaches, and a name for every
// control the accessibility tree shows.

#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

// The letter after a lone '&', upper case; null for a text without one.
inline QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

// "X: text | text" for each mnemonic used twice: among the menu bar's menus
// and the window's own controls together (Alt+letter reaches both), and
// within each menu.
inline QStringList MnemonicClashes(QWidget* window) {
    QStringList clashes;
    auto check = [&clashes](const QStringList& texts) {
        QMap<QChar, QStringList> uses;
        for (const QString& text : texts)
            if (const QChar c = MnemonicOf(text); !c.isNull()) uses[c] << text;
        for (auto it = uses.begin(); it != uses.end(); ++it)
            if (it.value().size() > 1) clashes << QString(it.key()) + ": " + it.value().join(" | ");
    };
    QStringList top;
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* action : bar->actions()) {
            top << action->text();
            if (!action->menu()) continue;
            QStringList items;
            for (QAction* item : action->menu()->actions())
                items << item->text();
            check(items);
        }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->window() == window) top << button->text();
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy()) top << label->text();
    for (QGroupBox* box : window->findChildren<QGroupBox*>())
        top << box->title();
    check(top);
    return clashes;
}

// The controls of the accessibility tree below `root` that have no name,
// which a screen reader would announce as only "button" or "list", or one
// padded with blanks, which it reads out as such.
inline QStringList UnnamedControls(QAccessibleInterface* root) {
    static const QList<QAccessible::Role> controls = {
        QAccessible::PushButton, QAccessible::CheckBox,   QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::SpinBox,    QAccessible::EditableText,
        QAccessible::List,       QAccessible::Table,      QAccessible::Tree,
        QAccessible::Slider,     QAccessible::ButtonMenu, QAccessible::ButtonDropDown};
    QStringList unnamed;
    if (!root) return unnamed;
    const bool control = controls.contains(root->role());
    const QString name = root->text(QAccessible::Name); // none, or one padded with blanks
    if (control && !root->state().invisible &&
        (name.trimmed().isEmpty() || name != name.trimmed())) {
        QObject* object = root->object();
        unnamed << QString("%1 '%2'").arg(object ? object->metaObject()->className() : "?",
                                          object ? object->objectName() : QString());
    }
    // The rows of a list or table are its content, not controls.
    if (root->role() == QAccessible::List || root->role() == QAccessible::Table ||
        root->role() == QAccessible::Tree)
        return unnamed;
    for (int i = 0; i < root->childCount(); ++i)
        unnamed << UnnamedControls(root->child(i));
    return unnamed;
}

inline QStringList UnnamedControls(QWidget* window) {
    return UnnamedControls(QAccessible::queryAccessibleInterface(window));
}
