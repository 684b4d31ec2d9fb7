#include "unitclassrename.h"

#include "plandata.h"
#include "planformat.h"
#include "planlimits.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "textvalues.h"

bool CUnitClassRename::Add(std::string_view from, std::string_view to, std::string& error) {
    for (const std::string_view name : {from, to}) {
        if (name.empty() || name.size() > kUnitClassLimit ||
            name.find_first_of(" \t\f\"'[]=/;\r\n") != std::string_view::npos) {
            error = "'" + std::string(name) + "' is not a unit class a plan file can hold (1 to " +
                    std::to_string(kUnitClassLimit) + " characters, no blanks, quotes or brackets)";
            return false;
        }
    }
    if (!m_renames.emplace(FoldedName(from), std::string(to)).second) {
        error = "'" + std::string(from) + "' is renamed twice";
        return false;
    }
    return true;
}

std::string CUnitClassRename::RenamedTo(std::string_view unitClass) const {
    const auto it = m_renames.find(FoldedName(unitClass));
    return it == m_renames.end() ? std::string() : it->second;
}

std::vector<CUnitClassRename::Change> CUnitClassRename::Apply(CPlanData& data,
                                                              const CPlanManager* planTypes) const {
    std::vector<Change> changes;
    const PlanEntry* plan = nullptr;
    auto rename = [&](std::string& unitClass, std::string where) {
        std::string to = RenamedTo(unitClass);
        if (to.empty() || to == unitClass) return;
        changes.push_back({plan, std::move(where), unitClass, to});
        unitClass = std::move(to);
    };
    rename(data.start.consClass, "consClass");
    rename(data.start.scavClass, "scavClass");
    std::size_t n = 0;
    for (const auto& target : data.matches.All()) {
        ++n;
        rename(target->unitClass, "target " + std::to_string(n));
        std::size_t m = 0;
        for (MatchAttacker& attacker : target->attackers)
            rename(attacker.unitClass, "attacker " + std::to_string(n) + "." + std::to_string(++m));
    }
    for (const auto& entry : data.plans.All()) {
        plan = entry.get();
        rename(entry->condition.unitClass, "planConditionClass");
        const PlanTypeInfo* type = planTypes ? planTypes->FindPlanType(entry->planType) : nullptr;
        for (PlanParameter& parameter : entry->parameters) {
            const PlanParamDef* def =
                type ? CPlanManager::FindParamDef(type, parameter.key) : nullptr;
            if (!def || !TakesUnitClass(parameter.key, def)) continue;
            std::string value = UnquoteValue(parameter.value);
            const std::size_t before = changes.size();
            rename(value, parameter.key);
            if (changes.size() != before) parameter.value = QuoteValue(value);
        }
    }
    return changes;
}
