#include "sourceassist.h"

#include "planformat.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <algorithm>

namespace {

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void AddUnits(const UnitGroup& group, std::vector<Completion>& out) {
    for (const auto& sub : group.subGroups)
        AddUnits(*sub, out);
    for (const auto& unit : group.units)
        out.push_back({'"' + unit->unitClass + '"', unit->displayName});
}

} // namespace

std::optional<std::size_t> PartnerOf(std::string_view line, std::size_t pos) {
    if (pos >= line.size()) return std::nullopt;
    const char c = line[pos];
    if (IsQuote(c)) {
        // Quotes before this one decide whether it opens or closes a text.
        std::size_t before = 0;
        for (std::size_t i = 0; i < pos; ++i)
            before += IsQuote(line[i]);
        if (before % 2 == 1) {
            for (std::size_t i = pos; i-- > 0;)
                if (IsQuote(line[i])) return i;
            return std::nullopt;
        }
        for (std::size_t i = pos + 1; i < line.size(); ++i)
            if (IsQuote(line[i])) return i;
        return std::nullopt;
    }
    if (c != '[' && c != ']') return std::nullopt;
    const int step = c == '[' ? 1 : -1;
    int depth = 0;
    for (std::size_t i = pos; i < line.size(); i += std::size_t(step)) {
        if (line[i] == '[') depth += step;
        if (line[i] == ']') depth -= step;
        if (depth == 0) return i;
        if (i == 0 && step < 0) break;
    }
    return std::nullopt;
}

std::string_view CompletionPrefix(std::string_view lineBefore) {
    std::size_t start = lineBefore.size();
    while (start > 0 && !IsBlank(lineBefore[start - 1]) && lineBefore[start - 1] != '=')
        --start;
    return lineBefore.substr(start);
}

std::vector<Completion> CompletionsAt(const CompletionPlace& place, const CPlanManager* planTypes,
                                      const CUnitList* units) {
    const std::string_view line = place.lineBefore;
    const std::size_t equals = line.find('=');
    const std::string_view prefix = CompletionPrefix(line);
    const bool isPlan = place.section.size() > 4 && NamesEqual(place.section.substr(0, 4), "plan");
    const PlanTypeInfo* type =
        planTypes && isPlan ? planTypes->FindPlanType(place.planType) : nullptr;
    std::vector<Completion> all;
    if (equals != std::string_view::npos) {
        std::string_view key = line.substr(0, equals);
        while (!key.empty() && IsBlank(key.back()))
            key.remove_suffix(1);
        while (!key.empty() && IsBlank(key.front()))
            key.remove_prefix(1);
        if (NamesEqual(key, "planCondition")) {
            for (std::string_view kind : kConditionKinds)
                all.push_back({'"' + std::string(kind) + '"', "condition"});
        } else if (NamesEqual(key, "planType") && planTypes) {
            for (const auto& t : planTypes->All())
                all.push_back({'"' + t->name + '"', "plan type"});
        } else if (units && TakesUnitClass(key, CPlanManager::FindParamDef(type, key))) {
            for (const auto& group : units->All())
                AddUnits(*group, all);
        }
    } else if (!line.empty() && line.find_first_not_of(" \t") == line.find('[')) {
        for (std::string_view name : {kStartSection, kCheatSection, kMatchSection})
            all.push_back({std::string("[").append(name).append("]"), "section"});
        all.push_back({std::string("[").append(PlanSectionName(place.freePlanNumber)).append("]"),
                       "new plan section"});
    } else if (NamesEqual(place.section, kStartSection)) {
        for (std::string_view key : kStartKeys)
            all.push_back({std::string(key) + " = ", "Start"});
    } else if (NamesEqual(place.section, kCheatSection)) {
        for (std::string_view key : kCheatKeys)
            all.push_back({std::string(key) + " = ", "Cheat"});
    } else if (NamesEqual(place.section, kMatchSection)) {
        all.push_back({"targetType", "target of match N"});
        all.push_back({"attackType", "attacker M of match N: attackTypeN_M"});
    } else if (isPlan) {
        for (std::string_view key : kPlanKeys)
            all.push_back({std::string(key) + " = ", "plan"});
        if (type)
            for (const PlanParamDef& def : type->params)
                all.push_back({def.name + (def.IsMulti() ? "1" : "") + " = ",
                               def.IsMulti() ? "parameter (numbered)" : "parameter"});
    }
    // A value's quote may be typed or not.
    auto unquoted = [](std::string_view text) {
        return FoldedName(!text.empty() && IsQuote(text[0]) ? text.substr(1) : text);
    };
    const std::string wanted = unquoted(prefix);
    std::erase_if(all, [&](const Completion& c) { return !unquoted(c.text).starts_with(wanted); });
    return all;
}
