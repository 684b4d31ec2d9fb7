#include "plandata.h"

#include "textvalues.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

// The first node of each case-folded name, so that numbered lookups of a
// large file do not walk the whole file each time.
template <typename Node> class FirstByName {
public:
    void Add(std::string_view name, Node* node) { m_index.try_emplace(FoldedName(name), node); }
    Node* Find(std::string_view name) const {
        auto it = m_index.find(FoldedName(name));
        return it == m_index.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<std::string, Node*> m_index;
};

std::uint32_t Number(const EntryNode* entry, std::uint32_t max) {
    return std::min(static_cast<std::uint32_t>(CSectionFile::GetValueInt(entry, 0)), max);
}

std::string Text(const EntryNode* entry, std::size_t limit) {
    return entry ? FieldText(UnquoteValue(entry->value), limit) : std::string();
}

constexpr std::array<std::string_view, 7> kKnownPlanKeys = {
    "planType",           "planPriority",  "planCondition", "planConditionClass",
    "planConditionCount", "buildIfNoIdle", "doNextOnFail"};

// Reads one plan section; false when the plan is dropped (no type, or a
// priority that is 0 or does not begin with a digit).
bool LoadPlan(PlanList& plans, SectionNode* section) {
    auto find = [section](std::string_view key) { return CSectionFile::FindEntry(section, key); };
    PlanEntry* plan = plans.AddPlan(Text(find("planType"), kPlanTypeLimit),
                                    CSectionFile::GetValueInt(find("planPriority"), 0));
    if (!plan) return false;

    const std::string conditionClass = Text(find("planConditionClass"), kUnitClassLimit);
    plan->condition.Set(Text(find("planCondition"), kConditionKindLimit), conditionClass,
                        Number(find("planConditionCount"), kMaxConditionCount));
    if (CSectionFile::GetValueInt(find("doNextOnFail"), 0) > 0) plan->flags |= PlanFlagDoNextOnFail;
    if (CSectionFile::GetValueInt(find("buildIfNoIdle"), 0) > 0)
        plan->flags |= PlanFlagBuildIfNoIdle;

    // The first entry of each known key is consumed; everything else, later
    // duplicates of known keys included, becomes a parameter in file order.
    // The section's entries move over as a whole, strings and all.
    std::vector<EntryNode>& entries = section->entries;
    std::vector<bool> consumed(entries.size(), false);
    for (std::string_view key : kKnownPlanKeys)
        if (const EntryNode* entry = find(key))
            consumed[std::size_t(entry - entries.data())] = true;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!consumed[i]) {
            if (kept != i) entries[kept] = std::move(entries[i]);
            ++kept;
        }
    entries.resize(kept);
    plan->parameters = std::move(entries);
    section->entries.clear();
    return true;
}

void LoadMatches(MatchList& matches, SectionNode* section) {
    FirstByName<EntryNode> keys;
    for (EntryNode& entry : section->entries)
        keys.Add(entry.key, &entry);
    // Both numberings stop at their first gap.
    for (unsigned long n = 1;; ++n) {
        const EntryNode* target = keys.Find("targetType" + std::to_string(n));
        if (!target) break;
        MatchEntry* entry = matches.AddTarget(UnquoteValue(target->value));
        for (unsigned long m = 1;; ++m) {
            const EntryNode* attacker =
                keys.Find("attackType" + std::to_string(n) + "_" + std::to_string(m));
            if (!attacker) break;
            MatchList::AddAttacker(entry, UnquoteValue(attacker->value));
        }
    }
}

// Plan numbers 1 to 256 are all looked for, gaps or not; from 256 on the
// first missing number ends the scan.
constexpr unsigned long kDenseScanEnd = 256;

} // namespace

void StartSection::SetConsClass(std::string_view unitClass) {
    consClass = FieldText(unitClass, kUnitClassLimit);
}

void StartSection::SetScavClass(std::string_view unitClass) {
    scavClass = FieldText(unitClass, kUnitClassLimit);
}

void CPlanData::Clear() {
    start = StartSection{};
    matches.Clear();
    plans.Clear();
}

bool CPlanData::LoadFromSections(CSectionFile& file) {
    Clear();
    FirstByName<SectionNode> sections;
    for (const auto& section : file.Sections())
        sections.Add(section->name, section.get());

    if (SectionNode* s = sections.Find("Start")) {
        start.scrapCount = Number(CSectionFile::FindEntry(s, "scrapCount"), kMaxScrap);
        start.SetConsClass(Text(CSectionFile::FindEntry(s, "consClass"), kUnitClassLimit));
        start.SetScavClass(Text(CSectionFile::FindEntry(s, "scavClass"), kUnitClassLimit));
    }
    if (SectionNode* s = sections.Find("Cheat")) {
        start.moneyAmount = Number(CSectionFile::FindEntry(s, "moneyAmount"), kMaxScrap);
        start.moneyDelay = Number(CSectionFile::FindEntry(s, "moneyDelay"), kMaxMoneyDelay);
    }
    if (SectionNode* s = sections.Find("Match")) LoadMatches(matches, s);

    for (unsigned long n = 1;; ++n) {
        SectionNode* section = sections.Find("Plan" + std::to_string(n));
        if (!section) {
            if (n < kDenseScanEnd) continue;
            break;
        }
        LoadPlan(plans, section);
    }
    return true;
}

bool CPlanData::LoadPlanFile(const std::string& path, ParseError* error) {
    Clear();
    CSectionFile file;
    if (!file.LoadFile(path)) {
        if (error) *error = file.LastError();
        return false;
    }
    return LoadFromSections(file);
}

bool CPlanData::SaveToSections(CSectionFile& file) {
    plans.SortPlansByPriority();

    SectionNode* s = file.AddSection("Start");
    if (start.scrapCount != 0)
        CSectionFile::AddEntry(s, "scrapCount", std::to_string(start.scrapCount));
    CSectionFile::AddEntry(s, "consClass", QuoteValue(start.consClass));
    CSectionFile::AddEntry(s, "scavClass", QuoteValue(start.scavClass));

    if (start.moneyAmount != 0 && start.moneyDelay != 0) {
        s = file.AddSection("Cheat");
        CSectionFile::AddEntry(s, "moneyAmount", std::to_string(start.moneyAmount));
        CSectionFile::AddEntry(s, "moneyDelay", std::to_string(start.moneyDelay));
    }

    if (matches.CountMatches() > 0) {
        s = file.AddSection("Match");
        unsigned long n = 0;
        for (const auto& target : matches.All()) {
            const std::string number = std::to_string(++n);
            CSectionFile::AddEntry(s, "targetType" + number, QuoteValue(target->unitClass));
            unsigned long m = 0;
            for (const MatchAttacker& attacker : target->attackers)
                CSectionFile::AddEntry(s, "attackType" + number + "_" + std::to_string(++m),
                                       QuoteValue(attacker.unitClass));
        }
    }

    unsigned long n = 0;
    for (const auto& plan : plans.All()) {
        s = file.AddSection("Plan" + std::to_string(++n));
        CSectionFile::AddEntry(s, "planType", QuoteValue(plan->planType));
        CSectionFile::AddEntry(s, "planPriority", std::to_string(plan->priority));
        const PlanCondition& condition = plan->condition;
        if (condition.IsComplete()) {
            CSectionFile::AddEntry(s, "planCondition", QuoteValue(condition.kind));
            CSectionFile::AddEntry(s, "planConditionClass", QuoteValue(condition.unitClass));
            if (condition.count != 0)
                CSectionFile::AddEntry(s, "planConditionCount", std::to_string(condition.count));
        }
        CSectionFile::AppendEntries(s, plan->parameters);
        if (plan->flags & PlanFlagBuildIfNoIdle) CSectionFile::AddEntry(s, "buildIfNoIdle", "1");
        if (plan->flags & PlanFlagDoNextOnFail) CSectionFile::AddEntry(s, "doNextOnFail", "1");
    }
    return true;
}

bool CPlanData::SavePlanFile(const std::string& path, std::string* error) {
    CSectionFile file;
    SaveToSections(file);
    if (file.SaveFile(path)) return true;
    if (error) *error = file.LastError().reason;
    return false;
}

bool FormatPlanText(std::string_view text, std::string& saved, ParseError* error) {
    CSectionFile file;
    if (!file.ParseText(text)) {
        if (error) *error = file.LastError();
        return false;
    }
    CPlanData data;
    data.LoadFromSections(file);
    CSectionFile out;
    data.SaveToSections(out);
    saved = out.WriteText();
    return true;
}
