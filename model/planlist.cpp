#include "planlist.h"

#include "textvalues.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>

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

std::unique_ptr<PlanEntry> PlanList::MakePlan(PlanEntry plan) {
    plan.planType = FieldText(plan.planType, kPlanTypeLimit);
    if (plan.planType.empty() || plan.priority == 0) return nullptr;
    plan.priority = std::min(plan.priority, kMaxPriority);
    return std::make_unique<PlanEntry>(std::move(plan));
}

PlanEntry* PlanList::Append(PlanEntry plan) {
    std::unique_ptr<PlanEntry> entry = MakePlan(std::move(plan));
    if (!entry) return nullptr;
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

PlanFingerprint FingerprintOf(const PlanEntry& plan) {
    // Two 64-bit lanes mixed eight bytes at a time, each field with its
    // length; a save hashes every plan of the file.
    PlanFingerprint h{0x243F6A8885A308D3ull, 0x13198A2E03707344ull};
    const auto mix = [&h](std::uint64_t word) {
        h.first = std::rotl((h.first ^ word) * 0x9E3779B97F4A7C15ull, 29);
        h.second = (h.second + word) * 0xFF51AFD7ED558CCDull;
        h.second ^= h.second >> 31;
    };
    const auto text = [&mix](std::string_view t) {
        mix(t.size());
        for (std::size_t at = 0; at < t.size(); at += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, t.data() + at, std::min<std::size_t>(8, t.size() - at));
            mix(word);
        }
    };
    text(plan.planType);
    mix(plan.priority | std::uint64_t(plan.flags) << 32);
    text(plan.condition.kind);
    text(plan.condition.unitClass);
    mix(plan.condition.count | std::uint64_t(plan.parameters.size()) << 32);
    for (const PlanParameter& parameter : plan.parameters) {
        text(parameter.key);
        text(parameter.value);
    }
    return h;
}

long long ComparePlanPriority(const PlanEntry* a, const PlanEntry* b) {
    if (!a || !b) return 0;
    return static_cast<long long>(b->priority) - static_cast<long long>(a->priority);
}

Taken<PlanEntry> PlanList::Take(const std::vector<const PlanEntry*>& plans) {
    return TakeRecords(m_entries, plans);
}

std::vector<PlanEntry*> PlanList::Put(Taken<PlanEntry>& plans) {
    return PutRecords(m_entries, plans);
}

void PlanList::SetOrder(const std::vector<const PlanEntry*>& order) {
    std::unordered_map<const PlanEntry*, std::size_t> rank;
    for (std::size_t i = 0; i < order.size(); ++i)
        rank.emplace(order[i], i);
    std::stable_sort(m_entries.begin(), m_entries.end(), [&rank](const auto& a, const auto& b) {
        return rank[a.get()] < rank[b.get()];
    });
}

std::vector<const PlanEntry*> PlanList::InOrder() const {
    std::vector<const PlanEntry*> plans;
    for (const auto& entry : m_entries)
        plans.push_back(entry.get());
    return plans;
}

std::vector<const PlanEntry*> PlanList::SortedByPriority() const {
    std::vector<const PlanEntry*> sorted = InOrder();
    std::stable_sort(sorted.begin(), sorted.end(), [](const PlanEntry* a, const PlanEntry* b) {
        return ComparePlanPriority(a, b) < 0;
    });
    return sorted;
}

void PlanList::SortPlansByPriority() {
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
        return ComparePlanPriority(a.get(), b.get()) < 0;
    });
}

std::uint32_t ArrangedPriority(std::uint64_t rank, std::uint64_t n, std::uint32_t step) {
    // Priorities above 16384 would be clamped on the next load.
    if (n * step > kMaxPriority) step = std::uint32_t(kMaxPriority / n);
    if (step > 0) return std::uint32_t(rank * step);
    return std::uint32_t((rank * kMaxPriority + n - 1) / n);
}

std::optional<PlanPriorities> MovedPriorities(const std::vector<const PlanEntry*>& plans,
                                              const PlanEntry* moved, const PlanEntry* neighbour,
                                              bool up) {
    const std::uint32_t at = std::min(moved->priority, kMaxPriority);
    const std::uint32_t by = std::min(neighbour->priority, kMaxPriority);
    if (at != by) return PlanPriorities{{moved, by}, {neighbour, at}};
    const long long step = up ? 1 : -1;
    PlanPriorities moves;
    std::vector<const PlanEntry*> movers{moved};
    for (long long value = at + step;; value += step) {
        if (value < 1 || value > kMaxPriority) return std::nullopt;
        for (const PlanEntry* plan : movers)
            moves.emplace_back(plan, std::uint32_t(value));
        // Those the moved ones would now share a priority with go on.
        movers.clear();
        for (const PlanEntry* plan : plans)
            if (plan != moved && std::min(plan->priority, kMaxPriority) == value)
                movers.push_back(plan);
        if (movers.empty()) return moves;
    }
}

void PlanList::ArrangePriorities(std::uint32_t step) {
    SortPlansByPriority();
    const std::uint64_t n = CountPlans();
    std::uint64_t rank = n;
    for (auto& entry : m_entries)
        entry->priority = ArrangedPriority(rank--, n, step);
}
