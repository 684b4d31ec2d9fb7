#pragma once

#include "script.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct UnitItem {
    std::string displayName; // at most 127 characters
    std::string unitClass;   // at most 16 characters; what plan files store
};

struct UnitGroup {
    std::string name; // may be empty
    std::vector<std::unique_ptr<UnitGroup>> subGroups;
    std::vector<std::unique_ptr<UnitItem>> units;
};

// Command ids of the unit picker start here and run depth-first, the units
// of sub-groups before the group's own.
constexpr int FirstUnitCommandId = 1024;

// The unit picker as data, for the window layer to turn into a popup menu.
struct UnitMenu {
    struct Item {
        std::string text;
        int commandId = 0;
        const UnitItem* unit = nullptr;
    };
    std::string title;
    std::vector<UnitMenu> subMenus; // shown before the items
    std::vector<Item> items;
};

struct UnitPickerMenu {
    std::vector<UnitMenu> menus;
    std::vector<const UnitItem*> units; // by command id - FirstUnitCommandId

    const UnitItem* UnitForCommand(int commandId) const;
    // The command ids, in menu order, of the units whose display name or
    // class holds the text, ASCII case ignored; all of them for no text.
    std::vector<int> Matching(std::string_view text) const;
};

// The unit classes the user picks from, in nested groups, read from Units.dat.
class CUnitList {
public:
    using Groups = std::vector<std::unique_ptr<UnitGroup>>;

    // Empties the catalog and reads the definition file; false when it
    // cannot be read or has a syntax error (the catalog then stays empty).
    bool LoadUnits(const std::string& path);
    void Clear() { m_groups.clear(); }

    UnitGroup* AddGroup(std::string_view name);
    static UnitGroup* AddSubGroup(UnitGroup* parent, std::string_view name);
    static UnitItem* AddUnit(UnitGroup* group, std::string_view displayName,
                             std::string_view unitClass);

    // Depth-first, sub-groups before a group's own units; ASCII case ignored.
    const UnitItem* FindUnitByClass(std::string_view unitClass) const;
    // The top-level group (a faction) that holds the class; null when none
    // does, or when the group is one every faction shares (its name says
    // Neutral).
    const UnitGroup* FactionOf(std::string_view unitClass) const;
    // The display name of the class, or the class itself when unknown.
    std::string GetUnitDisplayName(std::string_view unitClass) const;

    UnitPickerMenu BuildUnitMenu() const;

    const Groups& All() const { return m_groups; }
    const Diagnostic& LoadError() const { return m_script.LastError(); }

private:
    void ReadCall(const ScriptNode& call, UnitGroup* parent);

    Groups m_groups;
    CScript m_script;
};
