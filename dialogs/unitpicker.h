#pragma once

#include <QPoint>
#include <memory>

class CUnitList;
class QMenu;
class QWidget;
struct UnitItem;
struct UnitPickerMenu;

// The unit picker: a popup menu of the catalog's groups (as submenus,
// sub-groups first) and units. Each unit action carries its command id as
// data; UnitPickerMenu::UnitForCommand maps it back to the unit.
std::unique_ptr<QMenu> CreateUnitMenu(const UnitPickerMenu& picker, QWidget* parent);

// Shows the picker with its top right corner at the bottom right corner of
// `button` and returns the chosen unit, or null when it was dismissed.
const UnitItem* TrackUnitMenu(const CUnitList& units, QWidget* button);
