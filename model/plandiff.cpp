#include "plandiff.h"

#include "keptlayout.h"
#include "planformat.h"
#include "sectionfile.h"
#include "textvalues.h"

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>

namespace {

// Past this many pairs of one type left unmatched, they pair in priority order.
constexpr std::size_t kMostScored = 250'000;

std::size_t Hash(const PlanEntry& plan, bool withPriority) {
    std::size_t h = std::hash<std::string>()(plan.planType);
    auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
    if (withPriority) mix(plan.priority);
    mix(plan.flags);
    mix(std::hash<std::string>()(plan.condition.kind + '\n' + plan.condition.unitClass));
    mix(plan.condition.count);
    for (const PlanParameter& p : plan.parameters)
        mix(std::hash<std::string>()(p.key + '\n' + p.value));
    return h;
}

bool SameButPriority(const PlanEntry& a, const PlanEntry& b) {
    return a.planType == b.planType && a.flags == b.flags && a.condition == b.condition &&
           a.parameters == b.parameters;
}

// How alike two plans of one type are: the fields and parameters they share.
int Likeness(const PlanEntry& a, const PlanEntry& b) {
    int score = (a.priority == b.priority) + (a.flags == b.flags) + (a.condition == b.condition);
    std::vector<PlanParameter> rest = b.parameters;
    for (const PlanParameter& p : a.parameters)
        if (const auto it = std::find(rest.begin(), rest.end(), p); it != rest.end()) {
            rest.erase(it);
            ++score;
        }
    return score;
}

long long Distance(const PlanEntry* a, const PlanEntry* b) {
    return std::llabs(static_cast<long long>(a->priority) - static_cast<long long>(b->priority));
}

// A field of a plan, known by its counted name, so that a key written in
// other case is no change.
struct CountedField {
    std::string id, key, value;
};

std::vector<CountedField> CountedFields(const PlanEntry& plan) {
    std::vector<CountedField> fields;
    std::vector<std::string> keys;
    for (auto& [key, value] : CPlanDiff::Fields(plan)) {
        keys.push_back(key);
        fields.push_back({{}, std::move(key), std::move(value)});
    }
    const std::vector<std::string> names = CPlanDiff::CountedNames(keys);
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i].id = names[i];
    return fields;
}

std::string Quote(std::string_view text) {
    return "'" + std::string(text) + "'";
}

} // namespace

std::string CPlanDiff::AttackerNames(const std::vector<MatchAttacker>& attackers) {
    std::string list;
    for (const MatchAttacker& attacker : attackers)
        list.append(list.empty() ? "" : ", ").append(QuoteValue(attacker.unitClass));
    return list;
}

std::vector<std::string> CPlanDiff::CountedNames(const std::vector<std::string>& keys) {
    std::vector<std::string> names;
    std::unordered_map<std::string, int> seen;
    for (const std::string& key : keys) {
        std::string name = FoldedName(key);
        if (const int n = ++seen[name]; n > 1) name.append(" ").append(std::to_string(n));
        names.push_back(std::move(name));
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> CPlanDiff::Fields(const PlanEntry& plan) {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"planType", QuoteValue(plan.planType)}, {"planPriority", std::to_string(plan.priority)}};
    const PlanCondition& c = plan.condition;
    if (!c.kind.empty()) fields.emplace_back("planCondition", QuoteValue(c.kind));
    if (!c.unitClass.empty()) fields.emplace_back("planConditionClass", QuoteValue(c.unitClass));
    if (c.count) fields.emplace_back("planConditionCount", std::to_string(c.count));
    if (plan.flags & PlanFlagBuildIfNoIdle) fields.emplace_back("buildIfNoIdle", "1");
    if (plan.flags & PlanFlagDoNextOnFail) fields.emplace_back("doNextOnFail", "1");
    for (const PlanParameter& p : plan.parameters)
        fields.emplace_back(p.key, p.value);
    return fields;
}

CPlanDiff::Pairs CPlanDiff::PairPlans(const PlanList& a, const PlanList& b) {
    std::vector<const PlanEntry*> left = a.InOrder(), right = b.InOrder();
    std::unordered_map<const PlanEntry*, const PlanEntry*> partner; // b's plan -> a's
    const auto byPriority = [](const PlanEntry* x, const PlanEntry* y) {
        return x->priority > y->priority;
    };

    // Rounds of pairing, each among what the rounds before left, in groups
    // of a key: identical plans; plans alike but for their priority, nearest
    // priorities first; plans of one type, the most alike first.
    auto round = [&](auto key, auto pairGroup) {
        std::unordered_map<std::size_t,
                           std::pair<std::vector<const PlanEntry*>, std::vector<const PlanEntry*>>>
            groups;
        for (const PlanEntry* p : left)
            groups[key(*p)].first.push_back(p);
        for (const PlanEntry* p : right)
            groups[key(*p)].second.push_back(p);
        for (auto& [k, g] : groups)
            pairGroup(g.first, g.second);
        std::unordered_map<const PlanEntry*, bool> usedLeft;
        for (const auto& [r, l] : partner)
            usedLeft[l] = true;
        std::vector<const PlanEntry*> nl, nr;
        for (const PlanEntry* p : left)
            if (!usedLeft.count(p)) nl.push_back(p);
        for (const PlanEntry* p : right)
            if (!partner.count(p)) nr.push_back(p);
        left = std::move(nl);
        right = std::move(nr);
    };

    // Identical: in order.
    round([](const PlanEntry& p) { return Hash(p, true); },
          [&](auto& l, auto& r) {
              for (const PlanEntry* p : r)
                  for (auto it = l.begin(); it != l.end(); ++it)
                      if (**it == *p) {
                          partner[p] = *it;
                          l.erase(it);
                          break;
                      }
          });
    // Alike but for the priority: by priority on both sides.
    round([](const PlanEntry& p) { return Hash(p, false); },
          [&](auto& l, auto& r) {
              std::stable_sort(l.begin(), l.end(), byPriority);
              std::stable_sort(r.begin(), r.end(), byPriority);
              std::vector<bool> taken(l.size(), false);
              for (const PlanEntry* p : r)
                  for (std::size_t i = 0; i < l.size(); ++i)
                      if (!taken[i] && SameButPriority(*l[i], *p)) {
                          partner[p] = l[i];
                          taken[i] = true;
                          break;
                      }
          });
    // Of one type: the most alike, then the nearest priority.
    round([](const PlanEntry& p) { return std::hash<std::string>()(p.planType); },
          [&](auto& l, auto& r) {
              std::vector<std::tuple<int, long long, std::size_t, std::size_t>> candidates;
              if (l.size() * r.size() > kMostScored) {
                  std::stable_sort(l.begin(), l.end(), byPriority);
                  std::stable_sort(r.begin(), r.end(), byPriority);
                  for (std::size_t i = 0; i < std::min(l.size(), r.size()); ++i)
                      if (l[i]->planType == r[i]->planType) partner[r[i]] = l[i];
                  return;
              }
              for (std::size_t i = 0; i < l.size(); ++i)
                  for (std::size_t j = 0; j < r.size(); ++j)
                      if (l[i]->planType == r[j]->planType)
                          candidates.emplace_back(-Likeness(*l[i], *r[j]), Distance(l[i], r[j]), i,
                                                  j);
              std::stable_sort(candidates.begin(), candidates.end());
              std::vector<bool> usedL(l.size(), false), usedR(r.size(), false);
              for (const auto& [score, distance, i, j] : candidates)
                  if (!usedL[i] && !usedR[j]) {
                      usedL[i] = usedR[j] = true;
                      partner[r[j]] = l[i];
                  }
          });

    Pairs pairs;
    std::unordered_map<const PlanEntry*, bool> usedLeft;
    for (const auto& p : b.All()) {
        const auto it = partner.find(p.get());
        const PlanEntry* other = it == partner.end() ? nullptr : it->second;
        if (other) usedLeft[other] = true;
        pairs.emplace_back(other, p.get());
    }
    for (const auto& p : a.All())
        if (!usedLeft.count(p.get())) pairs.emplace_back(p.get(), nullptr);
    return pairs;
}

CPlanDiff::MatchPairs CPlanDiff::PairMatches(const MatchList& a, const MatchList& b) {
    MatchPairs pairs;
    std::vector<bool> used(a.All().size(), false);
    for (const auto& m : b.All()) {
        const MatchEntry* other = nullptr;
        for (std::size_t i = 0; i < a.All().size() && !other; ++i)
            if (!used[i] && a.All()[i]->unitClass == m->unitClass) {
                used[i] = true;
                other = a.All()[i].get();
            }
        pairs.emplace_back(other, m.get());
    }
    for (std::size_t i = 0; i < a.All().size(); ++i)
        if (!used[i]) pairs.emplace_back(a.All()[i].get(), nullptr);
    return pairs;
}

void CPlanDiff::Compare(const CPlanData& a, const CPlanData& b, const CKeptLayout* layoutA,
                        const CKeptLayout* layoutB, bool text) {
    m_changes.clear();
    CompareStart(a.start, b.start);
    CompareMatches(a.matches, b.matches);
    ComparePlans(a.plans, b.plans, layoutA, layoutB);
    if (text && layoutA && layoutB) CompareText(*layoutA, *layoutB);
}

void CPlanDiff::CompareStart(const StartSection& a, const StartSection& b) {
    using G = PlanChange::Group;
    auto field = [&](G group, const char* key, const std::string& before,
                     const std::string& after) {
        if (before != after)
            m_changes.push_back({group,
                                 PlanChange::Kind::Changed,
                                 group == G::Start ? "[Start]" : "[Cheat]",
                                 {},
                                 {},
                                 key,
                                 before,
                                 after});
    };
    field(G::Start, "scrapCount", std::to_string(a.scrapCount), std::to_string(b.scrapCount));
    field(G::Start, "consClass", QuoteValue(a.consClass), QuoteValue(b.consClass));
    field(G::Start, "scavClass", QuoteValue(a.scavClass), QuoteValue(b.scavClass));
    field(G::Cheat, "moneyAmount", std::to_string(a.moneyAmount), std::to_string(b.moneyAmount));
    field(G::Cheat, "moneyDelay", std::to_string(a.moneyDelay), std::to_string(b.moneyDelay));
}

void CPlanDiff::CompareMatches(const MatchList& a, const MatchList& b) {
    const auto names = &CPlanDiff::AttackerNames;
    for (const auto& [was, now] : PairMatches(a, b)) {
        const MatchEntry* either = now ? now : was;
        PlanChange change{PlanChange::Group::Matches,
                          PlanChange::Kind::Changed,
                          "match " + Quote(either->unitClass),
                          {},
                          {},
                          {},
                          {},
                          {}};
        if (!was || !now) {
            change.kind = was ? PlanChange::Kind::Removed : PlanChange::Kind::Added;
            (was ? change.before : change.after) = names(either->attackers);
            m_changes.push_back(change);
            continue;
        }
        if (was->attackers == now->attackers) continue;
        // Attackers that came, went, or only changed their order.
        std::vector<MatchAttacker> gone = was->attackers, added;
        for (const MatchAttacker& attacker : now->attackers)
            if (const auto it = std::find(gone.begin(), gone.end(), attacker); it != gone.end())
                gone.erase(it);
            else
                added.push_back(attacker);
        change.field = "attackers";
        if (gone.empty() && added.empty()) {
            change.field = "attackers' order";
            change.before = names(was->attackers);
            change.after = names(now->attackers);
            m_changes.push_back(change);
            continue;
        }
        if (!added.empty()) {
            change.kind = PlanChange::Kind::Added;
            change.after = names(added);
            m_changes.push_back(change);
        }
        if (!gone.empty()) {
            change.kind = PlanChange::Kind::Removed;
            change.before = names(gone);
            change.after.clear();
            m_changes.push_back(change);
        }
    }
}

void CPlanDiff::ComparePlans(const PlanList& a, const PlanList& b, const CKeptLayout* la,
                             const CKeptLayout* lb) {
    auto section = [](const CKeptLayout* layout, const PlanEntry* plan) {
        return layout && plan ? layout->SectionOf(plan) : std::string();
    };
    for (const auto& [was, now] : PairPlans(a, b)) {
        const PlanEntry* either = now ? now : was;
        PlanChange change;
        change.group = PlanChange::Group::Plans;
        change.record = "plan " + Quote(either->planType) + " (priority " +
                        std::to_string(either->priority) + ")";
        change.sectionBefore = section(la, was);
        change.sectionAfter = section(lb, now);
        if (!was || !now) {
            change.kind = was ? PlanChange::Kind::Removed : PlanChange::Kind::Added;
            m_changes.push_back(change);
            continue;
        }
        const auto before = CountedFields(*was), after = CountedFields(*now);
        auto find = [](const auto& fields, const std::string& id) {
            return std::find_if(fields.begin(), fields.end(),
                                [&id](const CountedField& field) { return field.id == id; });
        };
        auto add = [&](PlanChange::Kind kind, const std::string& key, std::string from,
                       std::string to) {
            change.kind = kind;
            change.field = key;
            change.before = std::move(from);
            change.after = std::move(to);
            m_changes.push_back(change);
        };
        for (const CountedField& field : after)
            if (const auto it = find(before, field.id); it == before.end())
                add(PlanChange::Kind::Added, field.key, {}, field.value);
            else if (it->value != field.value)
                add(PlanChange::Kind::Changed, field.key, it->value, field.value);
        for (const CountedField& field : before)
            if (find(after, field.id) == after.end())
                add(PlanChange::Kind::Removed, field.key, field.value, {});
    }
}

void CPlanDiff::CompareText(const CKeptLayout& a, const CKeptLayout& b) {
    // As two lists of lines: what one holds more often than the other.
    std::map<std::string, std::vector<int>> was, now;
    for (auto& [line, text] : a.Unheld())
        was[text].push_back(line);
    for (auto& [line, text] : b.Unheld())
        now[text].push_back(line);
    auto report = [this](const auto& from, const auto& other, PlanChange::Kind kind) {
        for (const auto& [text, lines] : from) {
            const auto it = other.find(text);
            const std::size_t there = it == other.end() ? 0 : it->second.size();
            for (std::size_t i = there; i < lines.size(); ++i) {
                PlanChange change{PlanChange::Group::Text,
                                  kind,
                                  "line " + std::to_string(lines[i]),
                                  {},
                                  {},
                                  {},
                                  {},
                                  {}};
                (kind == PlanChange::Kind::Removed ? change.before : change.after) = text;
                change.line = lines[i];
                m_changes.push_back(change);
            }
        }
    };
    report(was, now, PlanChange::Kind::Removed);
    report(now, was, PlanChange::Kind::Added);
}

std::string CPlanDiff::Text(const ChangeMarks& marks) const {
    auto sections = [](const PlanChange& c) {
        if (c.sectionBefore.empty() && c.sectionAfter.empty()) return std::string();
        if (c.sectionBefore.empty() || c.sectionAfter.empty() || c.sectionBefore == c.sectionAfter)
            return " [" + (c.sectionAfter.empty() ? c.sectionBefore : c.sectionAfter) + "]";
        return " [" + c.sectionBefore + "] -> [" + c.sectionAfter + "]";
    };
    std::string text, header;
    bool notHeld = false;
    for (const PlanChange& c : m_changes) {
        if (c.group == PlanChange::Group::Text && !notHeld) {
            notHeld = true;
            text +=
                marks.record +
                "Not held by the document (comments, unknown keys and sections):" + marks.reset +
                "\n";
        }
        const std::string title = c.record + sections(c);
        if (c.field.empty()) {
            const bool gone = c.kind == PlanChange::Kind::Removed;
            const std::string& value = gone ? c.before : c.after;
            text += (notHeld ? "  " : "") + (gone ? marks.removed + "- " : marks.added + "+ ") +
                    title + (value.empty() ? "" : ": " + value) + marks.reset + "\n";
            header.clear();
            continue;
        }
        if (title != header) {
            text += marks.record + title + marks.reset + "\n";
            header = title;
        }
        if (c.kind == PlanChange::Kind::Added)
            text += marks.added + "  + " + c.field + ": " + c.after + marks.reset;
        else if (c.kind == PlanChange::Kind::Removed)
            text += marks.removed + "  - " + c.field + ": " + c.before + marks.reset;
        else
            text += "  " + c.field + ": " + marks.removed + c.before + marks.reset + " -> " +
                    marks.added + c.after + marks.reset;
        text += "\n";
    }
    return text;
}
