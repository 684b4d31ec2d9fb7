#include "unitpicker.h"

#include "unitlist.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

void AddMenu(QMenu* parent, const UnitMenu& menu) {
    QMenu* sub = parent->addMenu(QString::fromLatin1(menu.title));
    for (const UnitMenu& child : menu.subMenus)
        AddMenu(sub, child);
    for (const UnitMenu::Item& item : menu.items) {
        QAction* action = sub->addAction(QString::fromLatin1(item.text));
        action->setData(item.commandId);
    }
}

} // namespace

std::unique_ptr<QMenu> CreateUnitMenu(const UnitPickerMenu& picker, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    for (const UnitMenu& group : picker.menus)
        AddMenu(menu.get(), group);
    return menu;
}

const UnitItem* TrackUnitMenu(const CUnitList& units, QWidget* button) {
    const UnitPickerMenu picker = units.BuildUnitMenu();
    std::unique_ptr<QMenu> menu = CreateUnitMenu(picker, button);
    QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
    corner.rx() -= menu->sizeHint().width(); // right-aligned under the button
    QAction* chosen = menu->exec(corner);
    return chosen ? picker.UnitForCommand(chosen->data().toInt()) : nullptr;
}
