#include "planlist.h"

#include "textvalues.h"

#include <algorithm>

void PlanCondition::Set(std::string_view newKind, std::string_view newClass,
                        std::uint32_t newCount) {
    kind = CutText(newKind, kConditionKindLimit);
    unitClass = CutText(newClass, kUnitClassLimit);
    count = unitClass.empty() ? 0 : std::min(newCount, kMaxConditionCount);
}

PlanEntry* PlanList::AddPlan(std::string_view planType, std::uint32_t priority) {
    std::string type = CutText(planType, kPlanTypeLimit);
    if (type.empty() || priority == 0) return nullptr;
    auto entry = std::make_unique<PlanEntry>();
    entry->planType = std::move(type);
    entry->priority = std::min(priority, kMaxPriority);
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

std::unique_ptr<PlanEntry> PlanList::RemovePlan(const PlanEntry* entry) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [entry](const auto& e) { return e.get() == entry; });
    if (!entry || it == m_entries.end()) return nullptr;
    std::unique_ptr<PlanEntry> removed = std::move(*it);
    m_entries.erase(it);
    return removed;
}

void PlanList::SortPlansByPriority() {
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const auto& a, const auto& b) { return a->priority > b->priority; });
}

void PlanList::ArrangePriorities(std::uint32_t step) {
    SortPlansByPriority();
    std::uint32_t n = CountPlans();
    for (auto& entry : m_entries)
        entry->priority = n-- * step;
}
