#pragma once

#include <QPoint>
#include <memory>

class CUnitList;
class QMenu;
class QWidget;
struct UnitItem;
struct UnitPickerMenu;

class QAction;

// The unit picker: a popup menu with a search field at its top, then the
// catalog's groups (as submenus, sub-groups first) and units. Each unit
// action carries its command id as data; UnitPickerMenu::UnitForCommand maps
// it back to the unit. Typing in the field lists the matching units instead.
// The menu must not outlive `picker`.
std::unique_ptr<QMenu> CreateUnitMenu(const UnitPickerMenu& picker, QWidget* parent);
// The command id the user chose: the action the menu returned, or the one
// Enter chose in the search field; 0 for none.
int ChosenUnitCommand(QMenu* menu, QAction* triggered);

// Shows the picker with its top right corner at the bottom right corner of
// `button` and returns the chosen unit, or null when it was dismissed.
const UnitItem* TrackUnitMenu(const CUnitList& units, QWidget* button);
