#include "planfilereport.h"

#include "codepage.h"
#include "entryline.h"
#include "plandata.h"
#include "planformat.h"
#include "planmanager.h"
#include "textvalues.h"
#include "unitlist.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <utility>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The key in single quotes, as the messages show names. (Built by appending:
// g++ 12 warns falsely on "'" + std::string(...).)
std::string Quoted(std::string_view name) {
    std::string quoted = "'";
    quoted.append(name).append("'");
    return quoted;
}

std::string Header(const SectionNode& section) {
    std::string header = "[";
    header.append(section.name).append("]");
    return header;
}

// "plan" followed by digits, in any case: a plan section in the user's eyes.
bool IsPlanName(std::string_view name) {
    return name.size() > 4 && NamesEqual(name.substr(0, 4), "plan") &&
           std::all_of(name.begin() + 4, name.end(), IsDigit);
}

// Lines in runs of consecutive numbers, for one finding per block.
template <typename Each> void ForEachRun(const std::vector<int>& lines, Each each) {
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i + 1;
        while (j < lines.size() && lines[j] <= lines[j - 1] + 1)
            ++j;
        each(lines[i], lines[j - 1], j - i);
        i = j;
    }
}

// The game draws names and values in a font of its own, which may hold other
// characters than Windows' for the bytes beyond ASCII.
std::string HighBytesMessage(const ParseNotes::HighBytes& high) {
    if (high.utf8)
        return "this line holds UTF-8 text, whose characters beyond ASCII are two or more bytes "
               "each: the game reads every byte as a character of its own";
    std::string named;
    for (const char byte : high.bytes) {
        char number[8];
        std::snprintf(number, sizeof number, "0x%02X", static_cast<unsigned char>(byte));
        if (!named.empty()) named += ", ";
        named += IsUnnamedByte(static_cast<unsigned char>(byte))
                     ? "byte " + std::string(number)
                     : "'" + std::string(1, byte) + "' (byte " + number + ")";
    }
    return "this line holds " + named +
           " beyond ASCII: plan files name no character set, so the game may show " +
           (high.bytes.size() == 1 ? "it" : "them") +
           " otherwise than Windows does here (Windows-1252)";
}

} // namespace

bool Finding::IsError() const {
    return kind == FindingKind::Error || planLost;
}

FindingKind CPlanFileReport::Dropped() const {
    return m_tidy ? FindingKind::Loss : FindingKind::Warning;
}

std::string CPlanFileReport::Fate() const {
    return m_tidy ? " is not kept" : " is not read";
}

Finding& CPlanFileReport::Add(FindingKind kind, std::string_view code, int line,
                              std::string message) {
    Finding finding;
    finding.line = line;
    finding.message = *m_messages.insert(std::move(message)).first;
    finding.kind = kind;
    finding.code = code;
    return m_findings.emplace_back(std::move(finding));
}

void CPlanFileReport::Clear() {
    m_boundFindings = m_boundWaits = 0;
    // Let go, not only emptied: a large file's findings run to megabytes,
    // which the check that follows would otherwise hold beside its parse.
    // (Assigning {} would empty them and keep the memory.)
    m_findings = std::deque<Finding>();
    m_messages = std::unordered_set<std::string>();
    m_sectionsRead = std::vector<const SectionNode*>();
    m_entriesRead = std::unordered_set<const EntryNode*>();
    m_factionUses = std::vector<FactionUse>();
    m_waits = std::vector<UnitWait>();
    m_attackers = std::vector<UnitWait>();
    m_waitedFor = std::unordered_set<std::string>();
    m_built = std::unordered_set<std::string>();
}

bool CPlanFileReport::LosesAnything() const {
    return std::any_of(m_findings.begin(), m_findings.end(),
                       [](const Finding& f) { return f.kind != FindingKind::Warning; });
}

void CPlanFileReport::PlanIs(const PlanEntry* read, const PlanEntry* record) {
    for (; m_boundFindings < m_findings.size(); ++m_boundFindings)
        if (m_findings[m_boundFindings].plan == read) m_findings[m_boundFindings].plan = record;
    for (; m_boundWaits < m_waits.size(); ++m_boundWaits)
        if (m_waits[m_boundWaits].plan == read) m_waits[m_boundWaits].plan = record;
}

void CPlanFileReport::MatchesAre(const std::vector<const MatchEntry*>& read,
                                 const std::vector<const MatchEntry*>& records) {
    std::unordered_map<const MatchEntry*, const MatchEntry*> map;
    for (std::size_t i = 0; i < read.size(); ++i)
        map.emplace(read[i], i < records.size() ? records[i] : nullptr);
    for (Finding& finding : m_findings)
        if (const auto it = map.find(finding.match); finding.match && it != map.end())
            finding.match = it->second;
}

bool CPlanFileReport::Check(std::string_view text, CPlanData* data) {
    Clear();
    if (data) return data->LoadText(text, nullptr, this);
    // No model is kept: each plan goes once it is read, and no finding
    // points into one.
    const bool loaded = CPlanData().ReadText(
        text, [](const PlanEntry&, const SectionNode&) {}, this);
    for (Finding& finding : m_findings) {
        finding.plan = nullptr;
        finding.match = nullptr;
    }
    return loaded;
}

void CPlanFileReport::Reading(std::string_view text) {
    m_text = text;
    m_lineStarts.clear();
}

std::string CPlanFileReport::AsWritten(int line) {
    if (m_lineStarts.empty()) {
        // Lines as the parser numbers them: CR LF, a lone LF and a lone CR
        // each end one.
        m_lineStarts.push_back(0);
        for (std::size_t i = LineEndFrom(m_text, 0); i < m_text.size();
             i = LineEndFrom(m_text, i)) {
            i += LineBreakAt(m_text, i);
            m_lineStarts.push_back(std::uint32_t(i));
        }
    }
    if (line < 1 || std::size_t(line) > m_lineStarts.size()) return Quoted("");
    std::string_view text = m_text.substr(m_lineStarts[std::size_t(line) - 1]);
    text = text.substr(0, LineEndFrom(text, 0));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return Quoted(text);
}

void CPlanFileReport::Failed(const Diagnostic& error) {
    Add(FindingKind::Error, "load-error", error.line, error.message);
}

void CPlanFileReport::SectionRead(const SectionNode& section) {
    m_sectionsRead.push_back(&section);
}

void CPlanFileReport::EntryRead(const EntryNode& entry) {
    m_entriesRead.insert(&entry);
}

void CPlanFileReport::TextRead(const EntryNode* entry, std::size_t limit, bool isUnitClass) {
    if (!entry) return;
    // After its leading quotes a text ends at its first quote character; only
    // a closing quote at the very end goes without a trace.
    std::string_view body = entry->Value();
    while (!body.empty() && IsQuote(body.front()))
        body.remove_prefix(1);
    const std::string text = UnquoteValue(entry->Value());
    const std::string_view rest = body.substr(std::min(text.size(), body.size()));
    if (rest.size() > 1 || (rest.size() == 1 && !IsQuote(rest[0])))
        Add(Dropped(), "text-has-quote", entry->line,
            "the text of " + Quoted(entry->Key()) + " holds a quote character; only '" +
                text.substr(0, limit) + (m_tidy ? "' is kept" : "' is read") +
                " (texts cannot hold quotes)");
    else if (text.size() > limit)
        Add(Dropped(), "text-too-long", entry->line,
            Quoted(entry->Key()) + " is cut to " + std::to_string(limit) + " characters: '" +
                text.substr(0, limit) + "'");
    if (isUnitClass && m_units && !text.empty()) {
        if (!m_units->FindUnitByClass(FieldText(text, limit)))
            Add(FindingKind::Warning, "unit-unknown", entry->line,
                "unit class '" + text.substr(0, limit) + "' is not in the unit catalog");
        else if (IsOwnUnitKey(entry->Key()))
            UnitNamed(entry->line, FieldText(text, limit));
    }
    if (text.empty()) return;
    if (FoldedName(entry->Key()).starts_with("attacktype"))
        m_attackers.push_back({entry->line, WaitedFor(FieldText(text, limit)), nullptr});
    else if (NamesEqual(entry->Key(), "consClass") || NamesEqual(entry->Key(), "scavClass"))
        m_built.insert(FoldedName(FieldText(text, limit))); // there from the start
}

const std::string* CPlanFileReport::WaitedFor(std::string unitClass) {
    return &*m_waitedFor.insert(std::move(unitClass)).first;
}

// Where the plan-type catalog says what plans build: a condition that waits
// for the computer's own units of a class no plan builds (and that is not
// its constructor or scavenger), and an attacker no plan builds.
void CPlanFileReport::NeverBuilt() {
    if (m_planTypes && m_planTypes->DeclaresBuilds()) {
        const auto built = [this](const std::string& unitClass) {
            return m_built.count(FoldedName(unitClass)) > 0;
        };
        for (const UnitWait& wait : m_waits)
            if (!built(*wait.unitClass))
                Add(FindingKind::Warning, "condition-never-met", wait.line,
                    "the plan waits for its own '" + *wait.unitClass +
                        "', which no plan of this file builds and which is not its constructor "
                        "or scavenger: the plan can never run")
                    .plan = wait.plan;
        for (const UnitWait& attacker : m_attackers)
            if (!built(*attacker.unitClass))
                Add(FindingKind::Warning, "attacker-never-built", attacker.line,
                    "no plan of this file builds '" + *attacker.unitClass +
                        "', so this attacker never attacks");
    }
    m_waits = std::vector<UnitWait>();
    m_attackers = std::vector<UnitWait>();
    m_waitedFor = std::unordered_set<std::string>();
    m_built = std::unordered_set<std::string>();
}

// The keys outside plans that name the computer's own units: its
// constructor and scavenger, and the attackers of its matches (the targets
// are the enemy's).
bool CPlanFileReport::IsOwnUnitKey(std::string_view key) {
    return NamesEqual(key, "consClass") || NamesEqual(key, "scavClass") ||
           FoldedName(key).starts_with("attacktype");
}

void CPlanFileReport::UnitNamed(int line, std::string_view unitClass) {
    if (const UnitGroup* faction = m_units->FactionOf(unitClass))
        m_factionUses.push_back({line, std::string(unitClass), faction});
}

// A file whose own units come from two factions, a classic slip when an AI
// is ported to another faction: the lines naming the fewer are told. Plan
// parameters are left out: which of them name the computer's own units and
// which the enemy's, the catalogs do not say.
void CPlanFileReport::FactionsMixed() {
    std::vector<std::pair<const UnitGroup*, int>> counts; // in order of first use
    for (const FactionUse& use : m_factionUses) {
        auto it = std::find_if(counts.begin(), counts.end(),
                               [&use](const auto& c) { return c.first == use.faction; });
        if (it == counts.end())
            counts.emplace_back(use.faction, 1);
        else
            ++it->second;
    }
    if (counts.size() > 1) {
        const UnitGroup* main =
            std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                return a.second < b.second;
            })->first;
        for (const FactionUse& use : m_factionUses)
            if (use.faction != main)
                Add(FindingKind::Warning, "faction-mixed", use.line,
                    "'" + use.unitClass + "' is a unit of " + use.faction->name +
                        ", while most of the computer's own units here are of " + main->name);
    }
    m_factionUses = std::vector<FactionUse>();
}

void CPlanFileReport::NumberRead(const EntryNode* entry, std::uint32_t max) {
    if (!entry) return;
    const std::string_view v = entry->Value();
    if (v.empty()) {
        Add(FindingKind::Warning, "number-empty", entry->line,
            Quoted(entry->Key()) + " has no value and reads as 0");
    } else if (!IsDigit(v[0])) {
        Add(Dropped(), "number-not-digits", entry->line,
            AsWritten(entry->line) + " reads as 0: numbers begin with a digit" +
                std::string(IsQuote(v[0]) ? " and have no quotes" : ""));
    } else {
        const auto number = static_cast<std::uint32_t>(CSectionFile::GetValueInt(entry, 0));
        if (!std::all_of(v.begin(), v.end(), IsDigit))
            Add(Dropped(), "number-trailing-text", entry->line,
                AsWritten(entry->line) + " reads as " + std::to_string(number));
        else if (number > max)
            Add(Dropped(), "number-too-large", entry->line,
                Quoted(entry->Key()) + " is cut from " + std::to_string(number) + " to " +
                    std::to_string(max));
    }
}

void CPlanFileReport::PlanDropped(const SectionNode& section, const EntryNode* type,
                                  const EntryNode* priority) {
    std::string why = "it has no planType";
    int line = section.line;
    if (type && !UnquoteValue(type->Value()).empty()) {
        why = "planPriority must be a number from 1 to 16384";
        if (priority && !priority->Value().empty() && IsQuote(priority->Value()[0]))
            why += " (a quoted number reads as 0)";
        if (priority) line = priority->line;
    }
    Add(Dropped(), "plan-not-read", line, "plan " + Header(section) + Fate() + ": " + why)
        .planLost = true;
}

void CPlanFileReport::PlanRead(const PlanEntry& plan, const SectionNode& section) {
    auto find = [&section](std::string_view key) {
        return CSectionFile::FindEntry(const_cast<SectionNode*>(&section), key);
    };
    auto add = [&](FindingKind kind, std::string_view code, const EntryNode* at,
                   std::string message) {
        Add(kind, code, at ? at->line : section.line, std::move(message)).plan = &plan;
    };
    const EntryNode* kind = find("planCondition");
    const EntryNode* unitClass = find("planConditionClass");
    const PlanCondition& condition = plan.condition;
    // A condition on the computer's own units (not His...) names one of its faction.
    if (m_units && unitClass && condition.IsComplete() && !condition.kind.starts_with("His") &&
        !condition.kind.starts_with("NotHis"))
        UnitNamed(unitClass->line, condition.unitClass);
    if (unitClass && condition.IsComplete() && NamesEqual(condition.kind, "Exists"))
        m_waits.push_back({unitClass->line, WaitedFor(condition.unitClass), &plan});
    if (!condition.kind.empty() &&
        std::none_of(kConditionKinds.begin(), kConditionKinds.end(),
                     [&](std::string_view k) { return NamesEqual(k, condition.kind); }))
        add(FindingKind::Warning, "condition-unknown", kind,
            "condition '" + condition.kind +
                "' is not one of Exists, NotExists, HisExists, NotHisExists");
    if (condition.kind.empty() != condition.unitClass.empty())
        add(Dropped(), "condition-incomplete", kind ? kind : unitClass,
            "the condition needs both planCondition and planConditionClass; it" + Fate());

    std::array<bool, kPlanKeys.size()> seen{};
    for (const EntryNode& entry : section.entries)
        if (const std::size_t k = PlanKeyIndex(entry.Key());
            k < seen.size() && std::exchange(seen[k], true))
            add(Dropped(), "key-repeated", &entry,
                "only the first " + Quoted(entry.Key()) + " of " + Header(section) + " is read" +
                    (m_tidy ? "; this one is not kept" : ""));

    if (!m_planTypes) return;
    const PlanTypeInfo* info = m_planTypes->FindPlanType(plan.planType);
    if (!info) {
        add(FindingKind::Warning, "plan-type-unknown", find("planType"),
            "plan type '" + plan.planType + "' is not in the plan-type catalog");
        return;
    }
    if (condition.IsComplete() && !(info->flags & PlanTypeHasCondition))
        add(FindingKind::Warning, "condition-not-taken", kind,
            "plan type '" + plan.planType +
                "' takes no condition; the editor clears it when the plan is edited");
    for (const EntryNode& entry : section.entries) {
        if (IsPlanKey(entry.Key())) continue;
        const PlanParamDef* def = CPlanManager::FindParamDef(info, entry.Key());
        if (def && def->builds) m_built.insert(FoldedName(UnquoteValue(entry.Value())));
        if (!def)
            add(FindingKind::Warning, "parameter-unknown", &entry,
                Quoted(entry.Key()) + " is not a parameter of plan type '" + plan.planType + "'");
        else if (const std::string value = UnquoteValue(entry.Value());
                 m_units && !value.empty() && TakesUnitClass(entry.Key(), def) &&
                 !m_units->FindUnitByClass(value))
            add(FindingKind::Warning, "unit-unknown", &entry,
                "unit class '" + value + "' is not in the unit catalog");
        else
            ParameterRead(entry, *def, plan);
    }
}

void CPlanFileReport::ParameterRead(const EntryNode& entry, const PlanParamDef& def,
                                    const PlanEntry& plan) {
    // What the parameter's kind in the plan-type catalog asks for.
    const ParamValueProblem problem = CheckParamValue(def, entry.Key(), entry.Value());
    if (!problem.code.empty())
        Add(FindingKind::Warning, problem.code, entry.line,
            AsWritten(entry.line) + ": " + problem.words)
            .plan = &plan;
}

void CPlanFileReport::MatchRead(const MatchEntry& match, const EntryNode& target) {
    if (!match.attackers.empty()) return;
    Add(FindingKind::Warning, "match-no-attackers", target.line,
        "the match for '" + match.unitClass +
            "' has no attackers: it stays in the file, but the match tree cannot show it")
        .match = &match;
}

void CPlanFileReport::CheatRead(const SectionNode& section, std::uint32_t amount,
                                std::uint32_t delay) {
    if (m_tidy && (amount == 0) != (delay == 0))
        Add(FindingKind::Loss, "cheat-half", section.line,
            "[Cheat] is not kept unless moneyAmount and moneyDelay are both above 0");
}

void CPlanFileReport::StartRead(const SectionNode* section, const StartSection& start) {
    if (!section) {
        Add(FindingKind::Warning, "start-missing", 1,
            "the file has no [Start] section; the editor asks for consClass and scavClass "
            "before saving");
        return;
    }
    for (auto [key, value] :
         {std::pair{"consClass", &start.consClass}, {"scavClass", &start.scavClass}})
        if (value->empty())
            Add(FindingKind::Warning, "start-class-missing", section->line,
                "[Start] has no " + std::string(key) + "; the editor asks for it before saving");
}

void CPlanFileReport::UnreadSection(const SectionNode& section, bool repeated) {
    const bool plan = IsPlanName(section.name);
    std::string message;
    std::string_view code = repeated                 ? "section-repeated"
                            : !plan                  ? "section-unknown"
                            : section.name[4] == '0' ? "plan-section-leading-zero"
                                                     : "plan-section-past-gap";
    if (repeated)
        message = "only the first " + Header(section) + " section is read" +
                  (m_tidy ? "; this one is not kept" : "");
    else if (!plan)
        message = "section " + Header(section) + " is not part of a plan file and" + Fate();
    else if (section.name[4] == '0')
        message = "plan section " + Header(section) +
                  " is never read: plans are numbered from Plan1 on, without leading zeros";
    else
        message = "plan section " + Header(section) + " is never read: after Plan" +
                  std::to_string(kDenseScanEnd) + " the numbers must follow on without a gap";
    Add(Dropped(), code, section.line, std::move(message)).planLost = plan;
}

void CPlanFileReport::UnreadEntries(const SectionNode& section) {
    const bool match = NamesEqual(section.name, kMatchSection);
    std::unordered_map<std::string, bool> seen;
    for (const EntryNode& entry : section.entries) {
        const bool first = seen.emplace(FoldedName(entry.Key()), true).second;
        if (m_entriesRead.count(&entry)) continue;
        std::string message = Quoted(entry.Key()) + " ";
        if (!first)
            message += std::string("appears again; only the first is read") +
                       (m_tidy ? " and this one is not kept" : "");
        else if (match)
            message += std::string("is not read") + (m_tidy ? " and is not kept" : "") +
                       ": targetTypeN and attackTypeN_M are read in order up to the first gap";
        else
            message += "is not read from " + Header(section) + (m_tidy ? " and is not kept" : "");
        Add(Dropped(),
            !first  ? "key-repeated"
            : match ? "key-past-gap"
                    : "key-unknown",
            entry.line, std::move(message));
    }
}

void CPlanFileReport::NotesOf(const ParseNotes& notes) {
    // Some Windows editors write one; the game reads it as part of the first
    // line, which then is no header.
    if (notes.byteOrderMark)
        Add(FindingKind::Warning, "byte-order-mark", 1,
            std::string("the file starts with a UTF-8 byte-order mark, which hides ") +
                (notes.markHidesStart ? "[Start]" : "its first line") + " from the game");
    for (const ParseNotes::HighBytes& high : notes.highBytes)
        Add(FindingKind::Warning, "text-not-ascii", high.line, HighBytesMessage(high));
    if (m_tidy)
        ForEachRun(notes.comments, [this](int first, int last, std::size_t count) {
            Add(FindingKind::Loss, "comment", first,
                count == 1 ? std::string("this comment is not kept")
                           : std::to_string(count) + " comments (lines " + std::to_string(first) +
                                 " to " + std::to_string(last) + ") are not kept");
        });
    for (int line : notes.headerTails)
        Add(Dropped(), "header-tail", line, "the text after ']' on this line" + Fate());
    const std::string are = m_tidy ? " are not kept" : " are not read";
    ForEachRun(notes.ignoredLines, [&](int first, int last, std::size_t count) {
        Add(Dropped(), "line-ignored", first,
            count == 1 ? "this line is not a 'key = value' line of a section and" + Fate()
                       : std::to_string(count) + " lines (" + std::to_string(first) + " to " +
                             std::to_string(last) + ") are not 'key = value' lines of a section" +
                             " and" + are);
    });
    // An INI file's comment, which a plan file does not know.
    for (int line : notes.semicolonLines)
        Add(Dropped(), "semicolon-comment", line,
            "';' does not start a comment in plan files; use //" +
                std::string(m_tidy ? " (this line is not kept)" : ""));
    for (int line : notes.commentJoins)
        Add(FindingKind::Warning, "comment-joins", line,
            "this comment swallows its line break, so the next line is read as part of this "
            "one (save the file with CR LF line ends)");
    for (int line : notes.closedQuotes)
        Add(FindingKind::Warning, "quote-unclosed", line,
            "a quote is not closed on this line; it is closed with '\"' at the line end");
}

// "// zeq: ignore CODE..." on the line above keeps findings of those codes
// on a line untold; above every other line of the file, anywhere in it. An
// unfinished merge is told whatever a comment says.
void CPlanFileReport::Silence(const std::vector<ParseNotes::Ignore>& ignores) {
    if (ignores.empty()) return;
    const auto names = [](std::string_view codes, std::string_view code) {
        for (std::size_t at = codes.find_first_not_of(" \t\f,"); at != std::string_view::npos;
             at = codes.find_first_not_of(" \t\f,", at)) {
            const std::size_t end = std::min(codes.find_first_of(" \t\f,", at), codes.size());
            if (codes.substr(at, end - at) == code) return true;
            at = end;
        }
        return false;
    };
    std::erase_if(m_findings, [&](const Finding& finding) {
        return finding.code != kMergeConflict &&
               std::any_of(ignores.begin(), ignores.end(), [&](const ParseNotes::Ignore& ignore) {
                   return (ignore.wholeFile || ignore.line == finding.line - 1) &&
                          names(ignore.codes, finding.code);
               });
    });
}

// Findings on one line stay in the order they were made. Their places are
// sorted, then the findings moved along each cycle of places: sorting the
// findings themselves would take a second copy of them all.
void CPlanFileReport::SortByLine() {
    std::vector<std::uint32_t> from(m_findings.size()); // the finding each place gets
    std::iota(from.begin(), from.end(), std::uint32_t(0));
    std::stable_sort(from.begin(), from.end(), [this](std::uint32_t a, std::uint32_t b) {
        return m_findings[a].line < m_findings[b].line;
    });
    for (std::uint32_t start = 0; start < from.size(); ++start) {
        if (from[start] == start) continue;
        Finding held = std::move(m_findings[start]);
        std::uint32_t at = start;
        for (; from[at] != start; at = std::exchange(from[at], at))
            m_findings[at] = std::move(m_findings[from[at]]);
        m_findings[at] = std::move(held);
        from[at] = at;
    }
}

void CPlanFileReport::Finish(const CSectionFile& file) {
    // The sections read, sorted to be looked up: a set to hash into cost
    // more than the rest of the check on a large file.
    std::sort(m_sectionsRead.begin(), m_sectionsRead.end(), std::less<>());
    std::vector<bool> read;
    read.reserve(file.Sections().size());
    for (const SectionNode& section : file.Sections())
        read.push_back(std::binary_search(m_sectionsRead.begin(), m_sectionsRead.end(), &section,
                                          std::less<>()));
    // Which names came before is wanted only where a section went unread.
    const bool allRead = std::find(read.begin(), read.end(), false) == read.end();
    std::unordered_set<std::string> seen;
    std::size_t i = 0;
    for (const SectionNode& section : file.Sections()) {
        const bool first = allRead || seen.insert(FoldedName(section.name)).second;
        if (!read[i++])
            UnreadSection(section, !first);
        else if (!IsPlanName(section.name))
            UnreadEntries(section);
    }
    // What a merge left between its markers is read as it happens to stand;
    // the one thing to say of it is that the merge is not finished.
    const auto& conflicts = file.Notes().conflicts;
    const auto inConflict = [&conflicts](int line) {
        return std::any_of(conflicts.begin(), conflicts.end(),
                           [line](const auto& c) { return line >= c.first && line <= c.second; });
    };
    if (conflicts.empty()) {
        NotesOf(file.Notes());
    } else {
        ParseNotes notes = file.Notes();
        for (auto* lines : {&notes.comments, &notes.commentJoins, &notes.closedQuotes,
                            &notes.headerTails, &notes.ignoredLines, &notes.semicolonLines})
            std::erase_if(*lines, inConflict);
        std::erase_if(notes.highBytes, [&](const auto& high) { return inConflict(high.line); });
        std::erase_if(m_findings, [&](const Finding& f) { return inConflict(f.line); });
        NotesOf(notes);
        for (const auto& [first, last] : conflicts)
            Add(FindingKind::Error, kMergeConflict, first,
                "unresolved merge conflict, lines " + std::to_string(first) + " to " +
                    std::to_string(last));
    }
    FactionsMixed();
    NeverBuilt();
    // What a save would drop is always told: the comment that silences it is
    // dropped too.
    if (!m_tidy) Silence(file.Notes().ignores);
    SortByLine();
    m_sectionsRead = std::vector<const SectionNode*>();
    m_entriesRead = std::unordered_set<const EntryNode*>();
}
