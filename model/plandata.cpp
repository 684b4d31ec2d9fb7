#include "plandata.h"

#include "entryline.h"
#include "filesave.h"
#include "keptlayout.h"
#include "planfilereport.h"
#include "planformat.h"
#include "sectionwriter.h"
#include "textvalues.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

namespace {

std::string_view NameOf(const SectionNode& section) {
    return section.name;
}
std::string_view NameOf(const EntryNode& entry) {
    return entry.Key();
}

// The first node of each name, case ignored, so that numbered lookups of a
// large file do not walk the whole file each time: an open-addressing hash
// of the nodes themselves, linear in the file and with no allocation per name.
template <typename Node> class FirstByName {
public:
    FirstByName() = default;
    // Made at the size `count` names take, so that it never grows.
    explicit FirstByName(std::size_t count) : m_slots(std::bit_ceil(count + count / 3 + 2)) {}
    void Add(Node* node) {
        if (4 * (m_count + 1) > 3 * m_slots.size()) Grow();
        Node*& slot = m_slots[SlotOf(NameOf(*node))];
        if (slot) return; // the first of equal names stays
        slot = node;
        ++m_count;
    }
    Node* Find(std::string_view name) const {
        return m_slots.empty() ? nullptr : m_slots[SlotOf(name)];
    }

private:
    static std::size_t Hash(std::string_view name) {
        std::size_t h = 14695981039346656037ull;
        for (char c : name)
            h = (h ^ static_cast<unsigned char>(FoldCase(c))) * 1099511628211ull;
        return h;
    }
    // The slot of the name, or the empty one where it would go.
    std::size_t SlotOf(std::string_view name) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = Hash(name) & mask;; i = (i + 1) & mask)
            if (!m_slots[i] || NamesEqual(NameOf(*m_slots[i]), name)) return i;
    }
    void Grow() {
        std::vector<Node*> old(std::max<std::size_t>(16, 2 * m_slots.size()));
        old.swap(m_slots);
        m_count = 0;
        for (Node* node : old) // distinct names: the order they go back in does not matter
            if (node) Add(node);
    }

    std::vector<Node*> m_slots; // a power of two, at most three quarters full
    std::size_t m_count = 0;
};

// Reads the value of one key of a section as loading does, and tells the
// report (when there is one) what was read and what was cut or clamped.
class Reader {
public:
    Reader(CPlanFileReport* report, CKeptLayout* layout) : m_report(report), m_layout(layout) {}

    std::uint32_t Number(const EntryNode* entry, std::uint32_t max) const {
        if (m_report) m_report->NumberRead(entry, max);
        return std::min(static_cast<std::uint32_t>(CSectionFile::GetValueInt(entry, 0)), max);
    }
    std::string Text(const EntryNode* entry, std::size_t limit, bool isUnitClass) const {
        if (m_report) m_report->TextRead(entry, limit, isUnitClass);
        return entry ? FieldText(UnquoteValue(entry->Value()), limit) : std::string();
    }
    const EntryNode* Find(SectionNode* section, std::string_view key) const {
        const EntryNode* entry = CSectionFile::FindEntry(section, key);
        if (entry && m_report) m_report->EntryRead(*entry);
        return entry;
    }
    CPlanFileReport* report() const { return m_report; }
    CKeptLayout* layout() const { return m_layout; }

private:
    CPlanFileReport* m_report;
    CKeptLayout* m_layout;
};

// Reads one plan section into the plans; false when the plan is dropped (no
// type, or a priority that is 0 or does not begin with a digit).
bool LoadPlan(PlanList& plans, SectionNode* section, const Reader& read) {
    // The first entry of each known key is consumed; everything else, later
    // duplicates of known keys included, becomes a parameter in file order.
    std::array<const EntryNode*, kPlanKeys.size()> consumed{};
    for (std::size_t k = 0; k < kPlanKeys.size(); ++k)
        consumed[k] = CSectionFile::FindEntry(section, kPlanKeys[k]);
    auto find = [&consumed](std::string_view key) {
        return consumed.at(
            std::size_t(std::find(kPlanKeys.begin(), kPlanKeys.end(), key) - kPlanKeys.begin()));
    };
    const EntryNode* typeEntry = find("planType");
    const EntryNode* priorityEntry = find("planPriority");
    PlanEntry* plan =
        plans.AddPlan(FieldText(typeEntry ? UnquoteValue(typeEntry->Value()) : "", kPlanTypeLimit),
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

    const std::vector<EntryNode>& entries = section->entries;
    if (read.layout()) read.layout()->PlanRead(*section, consumed);
    plan->parameters.reserve(entries.size() -
                             std::size_t(std::count_if(consumed.begin(), consumed.end(),
                                                       [](const EntryNode* e) { return e; })));
    for (const EntryNode& entry : entries)
        if (std::find(consumed.begin(), consumed.end(), &entry) == consumed.end())
            plan->parameters.push_back({std::string(entry.Key()), std::string(entry.Value())});
    return true;
}

void LoadMatches(MatchList& matches, SectionNode* section, const Reader& read) {
    FirstByName<EntryNode> keys;
    for (EntryNode& entry : section->entries)
        keys.Add(&entry);
    auto find = [&](const std::string& key) {
        const EntryNode* entry = keys.Find(key);
        if (entry && read.report()) read.report()->EntryRead(*entry);
        if (entry && read.layout()) read.layout()->MatchKeyRead(*entry);
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

// The blocks of a text's sections, each from its header line up to the next
// header (of those given): a header begins a line that nothing before it
// runs on into, so a block read alone gives the section it gave in the file.
class HeaderBlocks {
public:
    // `headers`: the header lines, ascending.
    HeaderBlocks(std::string_view text, std::vector<int> headers)
        : m_text(text), m_headers(std::move(headers)), m_starts(LineOffsets(text, m_headers)) {}

    // The block of the header on `line`; empty where none is.
    std::string_view Of(int line) const {
        const auto h = std::size_t(std::lower_bound(m_headers.begin(), m_headers.end(), line) -
                                   m_headers.begin());
        if (h == m_headers.size() || m_headers[h] != line) return {};
        return m_text.substr(m_starts[h], m_starts[h + 1] - m_starts[h]);
    }

private:
    std::string_view m_text;
    std::vector<int> m_headers;
    std::vector<std::size_t> m_starts;
};

// Gives the section the entries of its block, parsed into `file` (which
// they view); false when the block is not that one section.
bool ReadAlone(std::string_view block, SectionNode& section, CSectionFile& file) {
    if (!file.ParseText(block) || file.Sections().size() != 1 ||
        file.Sections().front().line != 1 || file.Sections().front().name != section.name)
        return false;
    section.entries.swap(const_cast<SectionNode&>(file.Sections().front()).entries);
    for (EntryNode& entry : section.entries)
        entry.line += section.line - 1;
    return true;
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

bool CPlanData::LoadFromSections(CSectionFile& file, CPlanFileReport* report, CKeptLayout* layout,
                                 const EachPlan* each) {
    return LoadFromSections(file, {}, report, layout, each);
}

bool ParsePlanSectionsApart(CSectionFile& file, std::string_view text) {
    return file.ParseText(text, [](std::string_view name) { return PlanNumberOf(name) == 0; });
}

bool CPlanData::LoadFromSections(CSectionFile& file, std::string_view text, CPlanFileReport* report,
                                 CKeptLayout* layout, const EachPlan* each, Diagnostic* error) {
    Clear();
    const Reader read(report, layout);
    FirstByName<SectionNode> sections(file.Sections().size());
    for (const SectionNode& section : file.Sections())
        sections.Add(const_cast<SectionNode*>(&section));
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
    SectionNode* cheatSection = find(kCheatSection);
    if (SectionNode* s = cheatSection) {
        start.moneyAmount = read.Number(read.Find(s, "moneyAmount"), kMaxScrap);
        start.moneyDelay = read.Number(read.Find(s, "moneyDelay"), kMaxMoneyDelay);
        if (report) report->CheatRead(*s, start.moneyAmount, start.moneyDelay);
    }
    SectionNode* matchSection = find(kMatchSection);
    if (matchSection) LoadMatches(matches, matchSection, read);
    if (layout) layout->SectionsRead(startSection, cheatSection, matchSection);

    // Each plan section's entries are released once the plan (and the
    // report) has read them: the tree and the model of a large file are then
    // never both whole at once. The report's last look at the tree passes
    // over the plan sections that were read.
    std::vector<int> headers;
    if (!text.empty())
        for (const SectionNode& section : file.Sections())
            headers.push_back(section.line);
    const HeaderBlocks blocksOf(text, std::move(headers));
    int notAlone = 0; // the header of a block that did not read as its section
    ScanPlanSections(find, [&](unsigned long, SectionNode* section) {
        std::optional<CSectionFile> block; // the lines of a section parsed without them
        if (!notAlone && !text.empty() &&
            !ReadAlone(blocksOf.Of(section->line), *section, block.emplace()))
            notAlone = section->line;
        if (notAlone) return;
        const bool loaded = LoadPlan(plans, section, read);
        std::vector<EntryNode>().swap(section->entries);
        if (loaded && each) {
            (*each)(*plans.All().back(), *section);
            plans.Clear();
        }
    });
    if (notAlone) {
        // Never met: the parser starts every header line afresh.
        const Diagnostic failure{notAlone, "this plan section reads otherwise on its own than "
                                           "in the file, so the file was not read"};
        if (error) *error = failure;
        if (report) report->Failed(failure);
        return false;
    }
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

void WriteMatchSection(CSectionWriter& out, const std::vector<const MatchEntry*>& matches) {
    out.Section(kMatchSection);
    unsigned long n = 0;
    for (const MatchEntry* target : matches) {
        out.QuotedEntry(TargetKey(++n), target->unitClass);
        unsigned long m = 0;
        for (const MatchAttacker& attacker : target->attackers)
            out.QuotedEntry(AttackerKey(n, ++m), attacker.unitClass);
    }
}

// A plan section's lines after its header.
void WritePlanEntries(CSectionWriter& out, const PlanEntry& plan) {
    out.QuotedEntry("planType", plan.planType);
    out.Entry("planPriority", plan.priority);
    const PlanCondition& condition = plan.condition;
    if (condition.IsComplete()) {
        out.QuotedEntry("planCondition", condition.kind);
        out.QuotedEntry("planConditionClass", condition.unitClass);
        if (condition.count != 0) out.Entry("planConditionCount", condition.count);
    }
    // A repeat of a known key stays a parameter in the model, but written
    // here, before the flags, it would change the plan when read again.
    for (const PlanParameter& parameter : plan.parameters)
        if (!IsPlanKey(parameter.key)) out.Entry(parameter.key, parameter.value);
    if (plan.flags & PlanFlagBuildIfNoIdle) out.Entry("buildIfNoIdle", "1");
    if (plan.flags & PlanFlagDoNextOnFail) out.Entry("doNextOnFail", "1");
}

void WritePlanSection(CSectionWriter& out, unsigned long n, const PlanEntry& plan) {
    out.Section(PlanSectionName(n));
    WritePlanEntries(out, plan);
}

// What a save writes before the plans.
void WriteHead(CSectionWriter& out, const StartSection& start,
               const std::vector<const MatchEntry*>& targets) {
    out.Section(kStartSection);
    if (start.scrapCount != 0) out.Entry("scrapCount", start.scrapCount);
    out.QuotedEntry("consClass", start.consClass);
    out.QuotedEntry("scavClass", start.scavClass);
    if (start.moneyAmount != 0 && start.moneyDelay != 0) {
        out.Section(kCheatSection);
        out.Entry("moneyAmount", start.moneyAmount);
        out.Entry("moneyDelay", start.moneyDelay);
    }
    if (!targets.empty()) WriteMatchSection(out, targets);
}

std::vector<const MatchEntry*> TargetsOf(const MatchList& matches) {
    std::vector<const MatchEntry*> targets;
    targets.reserve(matches.CountMatches());
    for (const auto& match : matches.All())
        targets.push_back(match.get());
    return targets;
}

} // namespace

bool CPlanData::LoadText(std::string_view text, Diagnostic* error, CPlanFileReport* report) {
    return Read(text, error, report, nullptr);
}

bool CPlanData::ReadText(std::string_view text, const EachPlan& each, CPlanFileReport* report,
                         Diagnostic* error) {
    return Read(text, error, report, &each);
}

bool CPlanData::ReadTextByPlan(std::string_view text, const EachPlan& each, CPlanFileReport* report,
                               Diagnostic* error) {
    return Read(text, error, report, &each, true);
}

bool CPlanData::Read(std::string_view text, Diagnostic* error, CPlanFileReport* report,
                     const EachPlan* each, bool byPlan) {
    Clear();
    CSectionFile file;
    if (!(byPlan ? ParsePlanSectionsApart(file, text) : file.ParseText(text))) {
        if (error) *error = file.LastError();
        if (report) report->Failed(file.LastError());
        return false;
    }
    // However the report was handed in, its findings quote the lines read.
    if (report) report->Reading(text);
    const bool loaded =
        LoadFromSections(file, byPlan ? text : std::string_view(), report, nullptr, each, error);
    if (report) report->Reading({});
    return loaded;
}

std::string CPlanData::Text() const {
    const std::vector<const PlanEntry*> order = plans.SortedByPriority();
    const std::vector<const MatchEntry*> targets = TargetsOf(matches);
    return WriteSectionText([&](CSectionWriter& out) {
        WriteHead(out, start, targets);
        unsigned long n = 0;
        for (const PlanEntry* plan : order)
            WritePlanSection(out, ++n, *plan);
    });
}

std::string PlanSectionsText(const std::vector<const PlanEntry*>& plans, unsigned long first) {
    return WriteSectionText([&](CSectionWriter& out) {
        unsigned long n = first - 1;
        for (const PlanEntry* plan : plans)
            WritePlanSection(out, ++n, *plan);
    });
}

std::string MatchSectionText(const std::vector<const MatchEntry*>& matches) {
    if (matches.empty()) return {};
    return WriteSectionText([&](CSectionWriter& out) { WriteMatchSection(out, matches); });
}

bool CPlanData::SavePlanFile(const std::string& path, std::string* error, std::string* written) {
    plans.SortPlansByPriority();
    std::string text = Text(), failure;
    if (SaveFileSafely(path, text, failure)) {
        if (written) *written = std::move(text);
        return true;
    }
    if (error) *error = failure;
    return false;
}

bool FormatPlanText(std::string_view text, std::string& saved, Diagnostic* error,
                    CPlanFileReport* report, const std::function<void()>& read) {
    // Two passes, so that neither the parse of the whole file nor the lines
    // of every plan are held beside the text written. The first reads the
    // file plan by plan (telling the report) and keeps of each plan only
    // its priority, its section's header line and its fingerprint, and the
    // size of all their lines as written. The second writes the plans in the
    // order Text() gives them (by descending priority, in the order read
    // where priorities are equal), each read anew from its own block of the
    // text: from its header up to the next plan's header (sections between
    // are parsed and passed over). The fingerprint holds the second reading
    // to the first.
    struct Noted {
        std::uint32_t priority = 0;
        int header = 0;
        PlanFingerprint fingerprint;
    };
    std::vector<Noted> plans;
    CSectionWriter planLines; // counts them
    const CPlanData::EachPlan each = [&](const PlanEntry& plan, const SectionNode& section) {
        WritePlanEntries(planLines, plan);
        plans.push_back({plan.priority, section.line, FingerprintOf(plan)});
    };
    CPlanData data;
    if (!data.ReadTextByPlan(text, each, report, error)) return false;
    // What comes before the plans is written now, so that the model of the
    // matches (a large file has thousands) goes before the text written
    // grows.
    std::string head = WriteSectionText(
        [&](CSectionWriter& out) { WriteHead(out, data.start, TargetsOf(data.matches)); });
    data.Clear();
    plans.shrink_to_fit();
    if (read) read();

    // Each plan's block, up to the next plan's header.
    std::vector<int> headers(plans.size());
    std::transform(plans.begin(), plans.end(), headers.begin(),
                   [](const Noted& r) { return r.header; });
    std::sort(headers.begin(), headers.end());
    const HeaderBlocks blocks(text, std::move(headers));

    std::vector<std::uint32_t> order(plans.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return plans[a].priority > plans[b].priority;
    });
    // Written once into a buffer of its size: the plans' lines were counted
    // in the first pass.
    CSectionWriter counter;
    for (unsigned long n = 1; n <= order.size(); ++n)
        counter.Section(PlanSectionName(n));
    counter.Finish();
    std::string written;
    written.reserve(head.size() + counter.Size() + planLines.Size());
    written.append(head);
    std::string().swap(head);
    CSectionWriter out(&written);
    unsigned long n = 0;
    for (const std::uint32_t i : order) {
        // The block's first section is the plan's, read as the loader reads
        // each plan section.
        CSectionFile file;
        PlanList one;
        if (!file.ParseText(blocks.Of(plans[i].header)) || file.Sections().empty() ||
            !LoadPlan(one, const_cast<SectionNode*>(&file.Sections().front()),
                      Reader(nullptr, nullptr)) ||
            FingerprintOf(*one.All().front()) != plans[i].fingerprint) {
            if (error)
                *error = {plans[i].header, "this plan section reads otherwise on its own than in "
                                           "the file, so the file was not formatted"};
            return false;
        }
        out.Section(PlanSectionName(++n));
        WritePlanEntries(out, *one.All().front());
    }
    out.Finish();
    saved = std::move(written);
    return true;
}
