#include "planlist.h"

#include "textvalues.h"

#include <algorithm>

void PlanCondition::Set(std::string_view newKind, std::string_view newClass,
                        std::uint32_t newCount) {
    kind = FieldText(newKind, kConditionKindLimit);
    unitClass = FieldText(newClass, kUnitClassLimit);
    count = unitClass.empty() ? 0 : std::min(newCount, kMaxConditionCount);
}

PlanEntry* PlanList::AddPlan(std::string_view planType, std::uint32_t priority) {
    std::string type = FieldText(planType, kPlanTypeLimit);
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
    // Priorities above 16384 would be clamped on the next load: with more
    // plans than the step allows, the step shrinks to what fits, and past
    // 16384 plans neighbours share priorities, spread evenly.
    const std::uint64_t n = CountPlans();
    if (n * step > kMaxPriority) step = std::uint32_t(kMaxPriority / n);
    std::uint64_t rank = n;
    for (auto& entry : m_entries) {
        entry->priority = step > 0 ? std::uint32_t(rank * step)
                                   : std::uint32_t((rank * kMaxPriority + n - 1) / n);
        --rank;
    }
}
