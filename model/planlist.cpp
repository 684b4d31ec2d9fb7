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
    PlanEntry plan;
    plan.planType = std::string(planType);
    plan.priority = priority;
    return Append(std::move(plan));
}

PlanEntry* PlanList::Append(PlanEntry plan) {
    plan.planType = FieldText(plan.planType, kPlanTypeLimit);
    if (plan.planType.empty() || plan.priority == 0) return nullptr;
    plan.priority = std::min(plan.priority, kMaxPriority);
    m_entries.push_back(std::make_unique<PlanEntry>(std::move(plan)));
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

long long ComparePlanPriority(const PlanEntry* a, const PlanEntry* b) {
    if (!a || !b) return 0;
    return static_cast<long long>(b->priority) - static_cast<long long>(a->priority);
}

void PlanList::SortPlansByPriority() {
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
        return ComparePlanPriority(a.get(), b.get()) < 0;
    });
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
