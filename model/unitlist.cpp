#include "unitlist.h"

#include "planlimits.h"
#include "sectionfile.h"
#include "textvalues.h"

namespace {

constexpr std::size_t kNameLimit = 127;

std::unique_ptr<UnitGroup> NewGroup(std::string_view name) {
    auto group = std::make_unique<UnitGroup>();
    group->name = CutText(name, kNameLimit);
    return group;
}

const UnitItem* FindInGroup(const UnitGroup& group, std::string_view unitClass) {
    for (const auto& sub : group.subGroups)
        if (const UnitItem* found = FindInGroup(*sub, unitClass)) return found;
    for (const auto& unit : group.units)
        if (NamesEqual(unit->unitClass, unitClass)) return unit.get();
    return nullptr;
}

UnitMenu MenuOf(const UnitGroup& group, std::vector<const UnitItem*>& units) {
    UnitMenu menu;
    menu.title = group.name;
    for (const auto& sub : group.subGroups)
        menu.subMenus.push_back(MenuOf(*sub, units));
    for (const auto& unit : group.units) {
        const int id = FirstUnitCommandId + static_cast<int>(units.size());
        menu.items.push_back({unit->displayName, id, unit.get()});
        units.push_back(unit.get());
    }
    return menu;
}

} // namespace

const UnitItem* UnitPickerMenu::UnitForCommand(int commandId) const {
    const long index = long(commandId) - FirstUnitCommandId;
    if (index < 0 || index >= static_cast<long>(units.size())) return nullptr;
    return units[static_cast<std::size_t>(index)];
}

std::vector<int> UnitPickerMenu::Matching(std::string_view text) const {
    const std::string wanted = FoldedName(text);
    std::vector<int> ids;
    for (std::size_t i = 0; i < units.size(); ++i)
        if (FoldedName(units[i]->displayName).find(wanted) != std::string::npos ||
            FoldedName(units[i]->unitClass).find(wanted) != std::string::npos)
            ids.push_back(FirstUnitCommandId + int(i));
    return ids;
}

bool CUnitList::LoadUnits(const std::string& path) {
    Clear();
    if (!m_script.Load(path)) {
        m_script.RemoveAll();
        return false;
    }
    for (const auto& call : m_script.Nodes())
        ReadCall(*call, nullptr);
    m_script.RemoveAll();
    return true;
}

void CUnitList::ReadCall(const ScriptNode& call, UnitGroup* parent) {
    const auto& params = call.parameters;
    if (call.name == "CreateGroup") {
        const std::string name = params.empty() ? std::string() : StripQuotes(params[0]);
        UnitGroup* group = parent ? AddSubGroup(parent, name) : AddGroup(name);
        for (const auto& child : call.children)
            ReadCall(*child, group);
    } else if (call.name == "AddItem") {
        if (params.size() < 2) return;
        const std::string unitClass = StripQuotes(params[0]);
        const std::string displayName = StripQuotes(params[1]);
        if (unitClass.empty() || displayName.empty()) return;
        AddUnit(parent, displayName, unitClass);
    }
}

UnitGroup* CUnitList::AddGroup(std::string_view name) {
    m_groups.push_back(NewGroup(name));
    return m_groups.back().get();
}

UnitGroup* CUnitList::AddSubGroup(UnitGroup* parent, std::string_view name) {
    if (!parent) return nullptr;
    parent->subGroups.push_back(NewGroup(name));
    return parent->subGroups.back().get();
}

UnitItem* CUnitList::AddUnit(UnitGroup* group, std::string_view displayName,
                             std::string_view unitClass) {
    if (!group) return nullptr;
    auto unit = std::make_unique<UnitItem>();
    unit->displayName = CutText(displayName, kNameLimit);
    unit->unitClass = CutText(unitClass, kUnitClassLimit);
    group->units.push_back(std::move(unit));
    return group->units.back().get();
}

const UnitItem* CUnitList::FindUnitByClass(std::string_view unitClass) const {
    for (const auto& group : m_groups)
        if (const UnitItem* found = FindInGroup(*group, unitClass)) return found;
    return nullptr;
}

const UnitGroup* CUnitList::FactionOf(std::string_view unitClass) const {
    for (const auto& group : m_groups) {
        if (!FindInGroup(*group, unitClass)) continue;
        return FoldedName(group->name).find("neutral") == std::string::npos ? group.get() : nullptr;
    }
    return nullptr;
}

std::string CUnitList::GetUnitDisplayName(std::string_view unitClass) const {
    const UnitItem* unit = FindUnitByClass(unitClass);
    return unit ? unit->displayName : std::string(unitClass);
}

UnitPickerMenu CUnitList::BuildUnitMenu() const {
    UnitPickerMenu picker;
    for (const auto& group : m_groups)
        picker.menus.push_back(MenuOf(*group, picker.units));
    return picker;
}
