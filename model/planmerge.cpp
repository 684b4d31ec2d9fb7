#include "planmerge.h"

#include "plandiff.h"
#include "sectionfile.h"
#include "textvalues.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

const std::string kNone = "(none)";

std::string ConditionText(const PlanCondition& c) {
    if (c.kind.empty() && c.unitClass.empty()) return kNone;
    return QuoteValue(c.kind) + " " + QuoteValue(c.unitClass) + " " + std::to_string(c.count);
}

std::string PlanName(const PlanEntry& plan) {
    return "plan '" + plan.planType + "' (priority " + std::to_string(plan.priority) + ")";
}

// A plan's parameters by their counted names, so that each is merged as a
// field of its own.
std::vector<std::pair<std::string, std::size_t>> Keyed(const std::vector<PlanParameter>& params) {
    std::vector<std::string> keys;
    for (const PlanParameter& p : params)
        keys.push_back(p.key);
    std::vector<std::pair<std::string, std::size_t>> keyed;
    for (std::string& name : CPlanDiff::CountedNames(keys))
        keyed.emplace_back(std::move(name), keyed.size());
    return keyed;
}

std::size_t FindIndex(const std::vector<std::pair<std::string, std::size_t>>& keyed,
                      const std::string& key) {
    for (const auto& [k, i] : keyed)
        if (k == key) return i;
    return std::string::npos;
}

const PlanParameter* Find(const std::vector<PlanParameter>& params, const std::string& key) {
    for (const auto& [k, i] : Keyed(params))
        if (k == key) return &params[i];
    return nullptr;
}

class Merger {
public:
    Merger(CPlanData& ours, CPlanMerge::Winner winner)
        : m_ours(ours), m_theirsWin(winner == CPlanMerge::Winner::Theirs) {}

    std::vector<MergeConflict> conflicts;

    // One field: theirs' change is taken where ours kept the base's value.
    template <typename T, typename Show>
    void Field(const T& base, T& ours, const T& theirs, MergeConflict where, Show show) {
        if (theirs == base || theirs == ours) return;
        if (ours == base || Conflict(where, show(base), show(ours), show(theirs))) ours = theirs;
    }

    void Start(const StartSection& b, const StartSection& t) {
        StartSection& o = m_ours.start;
        auto number = [](std::uint32_t n) { return std::to_string(n); };
        auto text = [](const std::string& s) { return QuoteValue(s); };
        auto at = [](const char* section, const char* key) {
            MergeConflict c;
            c.record = std::string("[").append(section).append("]");
            c.field = key;
            c.section = section;
            return c;
        };
        Field(b.scrapCount, o.scrapCount, t.scrapCount, at("Start", "scrapCount"), number);
        Field(b.consClass, o.consClass, t.consClass, at("Start", "consClass"), text);
        Field(b.scavClass, o.scavClass, t.scavClass, at("Start", "scavClass"), text);
        Field(b.moneyAmount, o.moneyAmount, t.moneyAmount, at("Cheat", "moneyAmount"), number);
        Field(b.moneyDelay, o.moneyDelay, t.moneyDelay, at("Cheat", "moneyDelay"), number);
    }

    void Matches(const MatchList& base, const MatchList& theirs) {
        std::unordered_map<const MatchEntry*, MatchEntry*> oursOf; // base's -> ours'
        std::vector<MatchEntry*> oursNew;
        for (const auto& [b, o] : CPlanDiff::PairMatches(base, m_ours.matches))
            if (b)
                oursOf[b] = const_cast<MatchEntry*>(o);
            else
                oursNew.push_back(const_cast<MatchEntry*>(o));
        for (const auto& [b, t] : CPlanDiff::PairMatches(base, theirs)) {
            MergeConflict where;
            where.record = "match '" + (t ? t : b)->unitClass + "'";
            where.field = "attackers";
            where.section = "Match";
            if (!b) { // new in theirs: the same class new in ours is the same match
                const auto it = std::find_if(oursNew.begin(), oursNew.end(), [t = t](auto* o) {
                    return o->unitClass == t->unitClass;
                });
                if (it == oursNew.end()) {
                    m_ours.matches.AddTarget(t->unitClass)->attackers = t->attackers;
                    continue;
                }
                const std::vector<MatchAttacker> none;
                Field(none, (*it)->attackers, t->attackers, where, CPlanDiff::AttackerNames);
                oursNew.erase(it);
                continue;
            }
            MatchEntry* o = oursOf[b];
            if (t && !o) { // gone from ours
                if (t->attackers != b->attackers &&
                    Conflict(Gone(where), CPlanDiff::AttackerNames(b->attackers), kNone,
                             CPlanDiff::AttackerNames(t->attackers)))
                    m_ours.matches.AddTarget(t->unitClass)->attackers = t->attackers;
            } else if (t) {
                Field(b->attackers, o->attackers, t->attackers, where, CPlanDiff::AttackerNames);
            } else if (o && (o->attackers == b->attackers ||
                             Conflict(Gone(where), CPlanDiff::AttackerNames(b->attackers),
                                      CPlanDiff::AttackerNames(o->attackers), kNone))) {
                m_ours.matches.RemoveTarget(o);
            }
        }
    }

    void Plans(const PlanList& base, const PlanList& theirs) {
        std::unordered_map<const PlanEntry*, PlanEntry*> oursOf; // base's -> ours'
        std::vector<const PlanEntry*> oursNew;
        for (const auto& [b, o] : CPlanDiff::PairPlans(base, m_ours.plans))
            if (b && o)
                oursOf[b] = const_cast<PlanEntry*>(o);
            else if (o)
                oursNew.push_back(o);
        std::vector<const PlanEntry*> gone;
        for (const auto& [b, t] : CPlanDiff::PairPlans(base, theirs)) {
            if (!b) { // new in theirs: the same plan new in ours is not added twice
                const auto it = std::find_if(oursNew.begin(), oursNew.end(),
                                             [t = t](const PlanEntry* o) { return *o == *t; });
                if (it != oursNew.end())
                    oursNew.erase(it);
                else
                    m_ours.plans.Append(*t);
                continue;
            }
            const auto found = oursOf.find(b);
            PlanEntry* o = found == oursOf.end() ? nullptr : found->second;
            MergeConflict where;
            where.record = PlanName(t ? *t : *b);
            where.plan = o;
            if (t && !o) { // gone from ours
                if (!(*t == *b) && Conflict(Gone(where), "", "removed", "changed"))
                    conflicts.back().plan = m_ours.plans.Append(*t);
            } else if (t) {
                Plan(*b, *o, *t, where);
            } else if (o && (*o == *b || Conflict(Gone(where), "", "changed", "removed"))) {
                if (!conflicts.empty() && conflicts.back().plan == o)
                    conflicts.back().plan = nullptr;
                gone.push_back(o);
            }
        }
        for (const PlanEntry* plan : gone)
            m_ours.plans.RemovePlan(plan);
    }

private:
    // Tells a conflict; true when theirs is to be taken.
    bool Conflict(MergeConflict c, std::string base, std::string ours, std::string theirs) {
        c.base = std::move(base);
        c.ours = std::move(ours);
        c.theirs = std::move(theirs);
        conflicts.push_back(std::move(c));
        return m_theirsWin;
    }
    static MergeConflict Gone(MergeConflict c) {
        c.field.clear();
        return c;
    }

    void Plan(const PlanEntry& b, PlanEntry& o, const PlanEntry& t, MergeConflict where) {
        auto field = [&where](const char* key) {
            MergeConflict c = where;
            c.field = key;
            return c;
        };
        auto number = [](std::uint32_t n) { return std::to_string(n); };
        Field(b.priority, o.priority, t.priority, field("planPriority"), number);
        for (auto [key, flag] : {std::pair{"buildIfNoIdle", PlanFlagBuildIfNoIdle},
                                 {"doNextOnFail", PlanFlagDoNextOnFail}}) {
            bool mine = o.flags & flag;
            Field(bool(b.flags & flag), mine, bool(t.flags & flag), field(key),
                  [](bool on) { return on ? "1" : "0"; });
            o.flags = mine ? o.flags | flag : o.flags & ~flag;
        }
        Field(b.condition, o.condition, t.condition, field("planCondition"), ConditionText);

        // Each parameter by its key, over the keys theirs has and those it
        // removed; ours' list is changed once all are merged, as a removal
        // would count a repeated key anew.
        auto text = [](const std::optional<std::string>& value) { return value.value_or(kNone); };
        const auto baseKeys = Keyed(b.parameters), ourKeys = Keyed(o.parameters);
        auto keys = Keyed(t.parameters);
        for (const auto& [key, i] : baseKeys)
            if (!Find(t.parameters, key)) keys.emplace_back(key, std::string::npos);
        std::vector<PlanParameter> added;
        std::vector<std::size_t> removed;
        for (const auto& [key, i] : keys) {
            auto valueOf = [&key = key](const auto& keyed, const std::vector<PlanParameter>& params)
                -> std::optional<std::string> {
                for (const auto& [k, at] : keyed)
                    if (k == key) return params[at].value;
                return std::nullopt;
            };
            const std::optional<std::string> theirs =
                i == std::string::npos ? std::nullopt : std::optional(t.parameters[i].value);
            std::optional<std::string> ours = valueOf(ourKeys, o.parameters);
            const std::optional<std::string> was = ours;
            const std::string& name = i == std::string::npos
                                          ? b.parameters[FindIndex(baseKeys, key)].key
                                          : t.parameters[i].key;
            Field(valueOf(baseKeys, b.parameters), ours, theirs, field(name.c_str()), text);
            if (ours == was) continue;
            if (!was)
                added.push_back({name, *ours});
            else if (!ours)
                removed.push_back(FindIndex(ourKeys, key));
            else
                o.parameters[FindIndex(ourKeys, key)].value = *ours;
        }
        std::sort(removed.rbegin(), removed.rend());
        for (std::size_t at : removed)
            o.parameters.erase(o.parameters.begin() + std::ptrdiff_t(at));
        o.parameters.insert(o.parameters.end(), added.begin(), added.end());
    }

    CPlanData& m_ours;
    bool m_theirsWin;
};

} // namespace

std::vector<MergeConflict> CPlanMerge::Merge(const CPlanData& base, CPlanData& ours,
                                             const CPlanData& theirs, Winner winner) {
    Merger merger(ours, winner);
    merger.Start(base.start, theirs.start);
    merger.Matches(base.matches, theirs.matches);
    merger.Plans(base.plans, theirs.plans);
    return std::move(merger.conflicts);
}
