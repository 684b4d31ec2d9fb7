#include "plandata.h"

#include "planfilereport.h"
#include "planformat.h"
#include "textvalues.h"

#include <algorithm>
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

// Reads the value of one key of a section as loading does, and tells the
// report (when there is one) what was read and what was cut or clamped.
class Reader {
public:
    explicit Reader(CPlanFileReport* report) : m_report(report) {}

    std::uint32_t Number(const EntryNode* entry, std::uint32_t max) const {
        if (m_report) m_report->NumberRead(entry, max);
        return std::min(static_cast<std::uint32_t>(CSectionFile::GetValueInt(entry, 0)), max);
    }
    std::string Text(const EntryNode* entry, std::size_t limit, bool isUnitClass) const {
        if (m_report) m_report->TextRead(entry, limit, isUnitClass);
        return entry ? FieldText(UnquoteValue(entry->value), limit) : std::string();
    }
    const EntryNode* Find(SectionNode* section, std::string_view key) const {
        const EntryNode* entry = CSectionFile::FindEntry(section, key);
        if (entry && m_report) m_report->EntryRead(*entry);
        return entry;
    }
    CPlanFileReport* report() const { return m_report; }

private:
    CPlanFileReport* m_report;
};

// Reads one plan section into the plans; false when the plan is dropped (no
// type, or a priority that is 0 or does not begin with a digit).
bool LoadPlan(PlanList& plans, SectionNode* section, const Reader& read) {
    auto find = [section](std::string_view key) { return CSectionFile::FindEntry(section, key); };
    const EntryNode* typeEntry = find("planType");
    const EntryNode* priorityEntry = find("planPriority");
    PlanEntry* plan =
        plans.AddPlan(FieldText(typeEntry ? UnquoteValue(typeEntry->value) : "", kPlanTypeLimit),
                      CSectionFile::GetValueInt(priorityEntry, 0));
    if (!plan) {
        if (read.report()) read.report()->PlanDropped(*section, typeEntry, priorityEntry);
        return false;
    }
    read.Text(typeEntry, kPlanTypeLimit, false);
    read.Number(priorityEntry, kMaxPriority);
    const std::string conditionClass = read.Text(find("planConditionClass"), kUnitClassLimit, true);
    plan->condition.Set(read.Text(find("planCondition"), kConditionKindLimit, false),
                        conditionClass,
                        read.Number(find("planConditionCount"), kMaxConditionCount));
    if (CSectionFile::GetValueInt(find("doNextOnFail"), 0) > 0) plan->flags |= PlanFlagDoNextOnFail;
    if (CSectionFile::GetValueInt(find("buildIfNoIdle"), 0) > 0)
        plan->flags |= PlanFlagBuildIfNoIdle;
    if (read.report()) read.report()->PlanRead(*plan, *section);

    // The first entry of each known key is consumed; everything else, later
    // duplicates of known keys included, becomes a parameter in file order.
    // The section's entries move over as a whole, strings and all.
    std::vector<EntryNode>& entries = section->entries;
    std::vector<bool> consumed(entries.size(), false);
    for (std::string_view key : kPlanKeys)
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

void LoadMatches(MatchList& matches, SectionNode* section, const Reader& read) {
    FirstByName<EntryNode> keys;
    for (EntryNode& entry : section->entries)
        keys.Add(entry.key, &entry);
    auto find = [&](const std::string& key) {
        const EntryNode* entry = keys.Find(key);
        if (entry && read.report()) read.report()->EntryRead(*entry);
        return entry;
    };
    // Both numberings stop at their first gap.
    for (unsigned long n = 1;; ++n) {
        const EntryNode* target = find(TargetKey(n));
        if (!target) break;
        MatchEntry* entry = matches.AddTarget(read.Text(target, kUnitClassLimit, true));
        for (unsigned long m = 1;; ++m) {
            const EntryNode* attacker = find(AttackerKey(n, m));
            if (!attacker) break;
            MatchList::AddAttacker(entry, read.Text(attacker, kUnitClassLimit, true));
        }
        if (read.report()) read.report()->MatchRead(*entry, *target);
    }
}

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

bool CPlanData::LoadFromSections(CSectionFile& file, CPlanFileReport* report) {
    Clear();
    const Reader read(report);
    FirstByName<SectionNode> sections;
    for (const auto& section : file.Sections())
        sections.Add(section->name, section.get());
    auto find = [&](std::string_view name) {
        SectionNode* section = sections.Find(name);
        if (section && report) report->SectionRead(*section);
        return section;
    };

    SectionNode* startSection = find(kStartSection);
    if (startSection) {
        start.scrapCount = read.Number(read.Find(startSection, "scrapCount"), kMaxScrap);
        start.SetConsClass(read.Text(read.Find(startSection, "consClass"), kUnitClassLimit, true));
        start.SetScavClass(read.Text(read.Find(startSection, "scavClass"), kUnitClassLimit, true));
    }
    if (report) report->StartRead(startSection, start);
    if (SectionNode* s = find(kCheatSection)) {
        start.moneyAmount = read.Number(read.Find(s, "moneyAmount"), kMaxScrap);
        start.moneyDelay = read.Number(read.Find(s, "moneyDelay"), kMaxMoneyDelay);
        if (report) report->CheatRead(*s, start.moneyAmount, start.moneyDelay);
    }
    if (SectionNode* s = find(kMatchSection)) LoadMatches(matches, s, read);

    ScanPlanSections(find,
                     [&](unsigned long, SectionNode* section) { LoadPlan(plans, section, read); });
    if (report) report->Finish(file);
    return true;
}

bool CPlanData::LoadPlanFile(const std::string& path, Diagnostic* error, CPlanFileReport* report) {
    Clear();
    CSectionFile file;
    if (!file.LoadFile(path)) {
        if (error) *error = file.LastError();
        if (report) report->Failed(file.LastError());
        return false;
    }
    return LoadFromSections(file, report);
}

namespace {

void AppendMatchSection(CSectionFile& file, const std::vector<const MatchEntry*>& matches) {
    SectionNode* s = file.AddSection(kMatchSection);
    unsigned long n = 0;
    for (const MatchEntry* target : matches) {
        CSectionFile::AddEntry(s, TargetKey(++n), QuoteValue(target->unitClass));
        unsigned long m = 0;
        for (const MatchAttacker& attacker : target->attackers)
            CSectionFile::AddEntry(s, AttackerKey(n, ++m), QuoteValue(attacker.unitClass));
    }
}

void AppendPlanSection(CSectionFile& file, unsigned long n, const PlanEntry& plan) {
    SectionNode* s = file.AddSection(PlanSectionName(n));
    CSectionFile::AddEntry(s, "planType", QuoteValue(plan.planType));
    CSectionFile::AddEntry(s, "planPriority", std::to_string(plan.priority));
    const PlanCondition& condition = plan.condition;
    if (condition.IsComplete()) {
        CSectionFile::AddEntry(s, "planCondition", QuoteValue(condition.kind));
        CSectionFile::AddEntry(s, "planConditionClass", QuoteValue(condition.unitClass));
        if (condition.count != 0)
            CSectionFile::AddEntry(s, "planConditionCount", std::to_string(condition.count));
    }
    CSectionFile::AppendEntries(s, plan.parameters);
    if (plan.flags & PlanFlagBuildIfNoIdle) CSectionFile::AddEntry(s, "buildIfNoIdle", "1");
    if (plan.flags & PlanFlagDoNextOnFail) CSectionFile::AddEntry(s, "doNextOnFail", "1");
}

} // namespace

bool CPlanData::LoadText(std::string_view text, Diagnostic* error, CPlanFileReport* report) {
    Clear();
    CSectionFile file;
    if (!file.ParseText(text)) {
        if (error) *error = file.LastError();
        if (report) report->Failed(file.LastError());
        return false;
    }
    return LoadFromSections(file, report);
}

bool CPlanData::SaveToSections(CSectionFile& file) {
    plans.SortPlansByPriority();
    WriteSections(file);
    return true;
}

void CPlanData::WriteSections(CSectionFile& file) const {
    SectionNode* s = file.AddSection(kStartSection);
    if (start.scrapCount != 0)
        CSectionFile::AddEntry(s, "scrapCount", std::to_string(start.scrapCount));
    CSectionFile::AddEntry(s, "consClass", QuoteValue(start.consClass));
    CSectionFile::AddEntry(s, "scavClass", QuoteValue(start.scavClass));

    if (start.moneyAmount != 0 && start.moneyDelay != 0) {
        s = file.AddSection(kCheatSection);
        CSectionFile::AddEntry(s, "moneyAmount", std::to_string(start.moneyAmount));
        CSectionFile::AddEntry(s, "moneyDelay", std::to_string(start.moneyDelay));
    }

    if (matches.CountMatches() > 0) {
        std::vector<const MatchEntry*> all;
        for (const auto& match : matches.All())
            all.push_back(match.get());
        AppendMatchSection(file, all);
    }

    unsigned long n = 0;
    for (const PlanEntry* plan : plans.SortedByPriority())
        AppendPlanSection(file, ++n, *plan);
}

std::string CPlanData::Text() const {
    CSectionFile file;
    WriteSections(file);
    return file.WriteText();
}

std::string PlanSectionsText(const std::vector<const PlanEntry*>& plans) {
    CSectionFile file;
    unsigned long n = 0;
    for (const PlanEntry* plan : plans)
        AppendPlanSection(file, ++n, *plan);
    return file.WriteText();
}

std::string MatchSectionText(const std::vector<const MatchEntry*>& matches) {
    if (matches.empty()) return {};
    CSectionFile file;
    AppendMatchSection(file, matches);
    return file.WriteText();
}

bool CPlanData::SavePlanFile(const std::string& path, std::string* error) {
    CSectionFile file;
    SaveToSections(file);
    if (file.SaveFile(path)) return true;
    if (error) *error = file.LastError().message;
    return false;
}

bool FormatPlanText(std::string_view text, std::string& saved, Diagnostic* error) {
    CPlanData data;
    if (!data.LoadText(text, error)) return false;
    saved = data.Text();
    return true;
}
