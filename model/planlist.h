#pragma once

#include "planlimits.h"
#include "records.h"
#include "sectionfile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Flags of a plan. The plan-type catalog numbers its capabilities differently.
enum PlanFlags : std::uint32_t {
    PlanFlagDoNextOnFail = 1,
    PlanFlagBuildIfNoIdle = 2,
};

// "Exists", "NotExists", "HisExists", "NotHisExists", or an empty kind for no
// condition. Complete, and saved, only when kind and class are both set.
struct PlanCondition {
    std::string kind;
    std::string unitClass;
    std::uint32_t count = 0; // 0 whenever unitClass is empty

    // Cuts and clamps as every writer of a condition must.
    void Set(std::string_view kind, std::string_view unitClass, std::uint32_t count);
    bool IsComplete() const { return !kind.empty() && !unitClass.empty(); }
    bool operator==(const PlanCondition&) const = default;
};

// One of a plan's type-specific keys, with its value verbatim (quotes
// included).
struct PlanParameter {
    std::string key;
    std::string value;
    bool operator==(const PlanParameter&) const = default;
};

// One plan. Parameters are kept in file order.
struct PlanEntry {
    std::string planType; // never empty
    std::uint32_t priority = 1;
    std::uint32_t flags = 0;
    PlanCondition condition;
    std::vector<PlanParameter> parameters;

    bool operator==(const PlanEntry&) const = default;
};

// Two hashes of a plan's values, 128 bits: whether a plan is the one seen
// before, without a copy of it kept to tell. No two different plans meet but
// by a chance of about one in 2^100.
using PlanFingerprint = std::pair<std::uint64_t, std::uint64_t>;
PlanFingerprint FingerprintOf(const PlanEntry& plan);

// The plans' one order, higher priorities first: b's priority minus a's, 0
// when either is missing. Plans of equal priority keep their relative order.
long long ComparePlanPriority(const PlanEntry* a, const PlanEntry* b);

// What Auto-arrange gives the plan of rank `rank` of n (n for the first, 1 for
// the last): rank * step; when n * step would pass 16384, the largest step
// that fits, and past 16384 plans an even spread over 1..16384 in order.
std::uint32_t ArrangedPriority(std::uint64_t rank, std::uint64_t n, std::uint32_t step);

// The priorities that move `moved` past `neighbour`, its neighbour in the
// priority order (`up`: towards the higher): different priorities are
// exchanged; an equal one gives `moved` the next priority up (down), and a
// plan that would then share its priority with a plan moved moves on by one
// too, no other. Nothing where a priority would pass 16384 or fall below 1.
using PlanPriorities = std::vector<std::pair<const PlanEntry*, std::uint32_t>>;
std::optional<PlanPriorities> MovedPriorities(const std::vector<const PlanEntry*>& plans,
                                              const PlanEntry* moved, const PlanEntry* neighbour,
                                              bool up);

// The plans in document order: section order after loading, descending
// priority after saving.
class PlanList {
public:
    using Entries = std::vector<std::unique_ptr<PlanEntry>>;

    // Null for an empty type or priority 0; the priority is cut to 16384.
    PlanEntry* AddPlan(std::string_view planType, std::uint32_t priority);
    // Appends a whole plan as it is (a dialog's result); null for one that
    // AddPlan would refuse.
    PlanEntry* Append(PlanEntry plan);
    std::unique_ptr<PlanEntry> RemovePlan(const PlanEntry* entry);
    // A plan as the list keeps it (type cut, priority clamped); null for one
    // it refuses (empty type, priority 0).
    static std::unique_ptr<PlanEntry> MakePlan(PlanEntry plan);
    // Takes plans out with their places, and puts them back there.
    Taken<PlanEntry> Take(const std::vector<const PlanEntry*>& plans);
    std::vector<PlanEntry*> Put(Taken<PlanEntry>& plans);
    // Reorders the list to the given order of its own plans.
    void SetOrder(const std::vector<const PlanEntry*>& order);
    // The plans in the list's order, and in the order SortPlansByPriority
    // would give them.
    std::vector<const PlanEntry*> InOrder() const;
    std::vector<const PlanEntry*> SortedByPriority() const;
    std::uint32_t CountPlans() const { return static_cast<std::uint32_t>(m_entries.size()); }
    // Descending priority; plans of equal priority keep their order.
    void SortPlansByPriority();
    // Sorts, then gives the plans ArrangedPriority(n), ..., ArrangedPriority(1).
    void ArrangePriorities(std::uint32_t step);
    void Clear() { m_entries.clear(); }

    const Entries& All() const { return m_entries; }

private:
    Entries m_entries;
};
