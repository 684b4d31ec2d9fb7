#include "planfilechecker.h"

#include "planlimits.h"
#include "planlist.h"
#include "textvalues.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "plan" followed by digits, in any case.
bool IsPlanName(std::string_view folded) {
    return folded.size() > 4 && folded.starts_with("plan") &&
           std::all_of(folded.begin() + 4, folded.end(), IsDigit);
}

// The number a "PlanN" name is looked for under, or 0 when the scan never
// asks for this spelling (leading zeros, Plan0, numbers too large to reach).
unsigned long PlanNumber(std::string_view folded) {
    const std::string_view digits = folded.substr(4);
    if (digits.front() == '0' || digits.size() > 9) return 0;
    return std::stoul(std::string(digits));
}

std::string Header(const SectionNode& section) {
    return "[" + section.name + "]";
}

constexpr std::string_view kKnownPlanKeys[] = {
    "planType",           "planPriority",  "planCondition", "planConditionClass",
    "planConditionCount", "buildIfNoIdle", "doNextOnFail"};

constexpr std::string_view kConditionKinds[] = {"Exists", "NotExists", "HisExists", "NotHisExists"};

constexpr unsigned long kDenseScanEnd = 256;

} // namespace

void CPlanFileChecker::Warn(int line, std::string message) {
    m_findings.push_back({line, false, std::move(message)});
}

void CPlanFileChecker::Error(int line, std::string message) {
    m_findings.push_back({line, true, std::move(message)});
}

std::vector<CheckFinding> CPlanFileChecker::Check(std::string_view text) {
    m_findings.clear();
    CSectionFile file;
    if (!file.ParseText(text)) {
        Error(file.LastError().line, file.LastError().reason);
        return std::move(m_findings);
    }
    for (int line : file.Notes().commentJoins)
        Warn(line, "this comment swallows its line break, so the next line is read as part of "
                   "this one (save the file with CR LF line ends)");
    for (int line : file.Notes().closedQuotes)
        Warn(line, "a quote is not closed on this line; it is closed with '\"' at the line end");

    std::set<std::string> seen;
    std::vector<SectionNode*> planSections;
    bool hasStart = false;
    for (const auto& section : file.Sections()) {
        const std::string folded = FoldedName(section->name);
        const bool first = seen.insert(folded).second;
        const bool known = folded == "start" || folded == "cheat" || folded == "match";
        if (known && !first) {
            Warn(section->line,
                 "only the first " + Header(*section) + " section is read; this one is dropped");
        } else if (folded == "start") {
            hasStart = true;
            CheckStart(*section);
        } else if (folded == "cheat") {
            CheckCheat(*section);
        } else if (folded == "match") {
            CheckMatch(*section);
        } else if (IsPlanName(folded)) {
            if (first)
                planSections.push_back(section.get());
            else
                Error(section->line,
                      "only the first " + Header(*section) + " section is read; this plan is lost");
        } else {
            Warn(section->line, "section " + Header(*section) +
                                    " is not part of a plan file and is dropped on saving");
        }
    }
    if (!hasStart)
        Warn(1, "the file has no [Start] section; the editor asks for consClass and scavClass "
                "before saving");
    CheckPlanSections(planSections);

    std::stable_sort(m_findings.begin(), m_findings.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    return std::move(m_findings);
}

void CPlanFileChecker::CheckPlanSections(const std::vector<SectionNode*>& planSections) {
    std::map<unsigned long, SectionNode*> byNumber;
    for (SectionNode* section : planSections) {
        const unsigned long n = PlanNumber(FoldedName(section->name));
        if (n == 0)
            Error(section->line, "plan section " + Header(*section) +
                                     " is never read: plans are numbered from Plan1 on, "
                                     "without leading zeros");
        else
            byNumber.emplace(n, section);
    }
    // Numbers 1 to 256 are all looked for; after that the first gap ends the scan.
    for (unsigned long n = 1;; ++n) {
        auto it = byNumber.find(n);
        if (it == byNumber.end()) {
            if (n < kDenseScanEnd) continue;
            break;
        }
        CheckPlan(*it->second);
        byNumber.erase(it);
    }
    for (const auto& [n, section] : byNumber)
        Error(section->line, "plan section " + Header(*section) +
                                 " is never read: after Plan256 the numbers must follow on "
                                 "without a gap");
}

void CPlanFileChecker::DropsUnknownKeys(SectionNode& section,
                                        std::initializer_list<std::string_view> known) {
    std::set<std::string> seen;
    for (const EntryNode& entry : section.entries) {
        const bool isKnown = std::any_of(known.begin(), known.end(), [&](std::string_view k) {
            return NamesEqual(k, entry.key);
        });
        if (!isKnown)
            Warn(entry.line, "'" + entry.key + "' is not read from " + Header(section) +
                                 " and is dropped on saving");
        else if (!seen.insert(FoldedName(entry.key)).second)
            Warn(entry.line, "'" + entry.key +
                                 "' appears again; only the first is read and "
                                 "this one is dropped on saving");
    }
}

void CPlanFileChecker::CheckStart(SectionNode& section) {
    DropsUnknownKeys(section, {"scrapCount", "consClass", "scavClass"});
    if (const EntryNode* e = CSectionFile::FindEntry(&section, "scrapCount"))
        CheckNumber(*e, kMaxScrap);
    for (std::string_view key : {"consClass", "scavClass"}) {
        const EntryNode* e = CSectionFile::FindEntry(&section, key);
        if (!e || UnquoteValue(e->value).empty())
            Warn(section.line,
                 "[Start] has no " + std::string(key) + "; the editor asks for it before saving");
        else
            CheckText(*e, kUnitClassLimit, true);
    }
}

void CPlanFileChecker::CheckCheat(SectionNode& section) {
    DropsUnknownKeys(section, {"moneyAmount", "moneyDelay"});
    const EntryNode* amount = CSectionFile::FindEntry(&section, "moneyAmount");
    const EntryNode* delay = CSectionFile::FindEntry(&section, "moneyDelay");
    if (amount) CheckNumber(*amount, kMaxScrap);
    if (delay) CheckNumber(*delay, kMaxMoneyDelay);
    if (CSectionFile::GetValueInt(amount, 0) == 0 || CSectionFile::GetValueInt(delay, 0) == 0)
        Warn(section.line, "[Cheat] is dropped on saving unless moneyAmount and moneyDelay are "
                           "both above 0");
}

void CPlanFileChecker::CheckMatch(SectionNode& section) {
    std::map<std::string, const EntryNode*> firstByKey;
    for (const EntryNode& entry : section.entries)
        firstByKey.try_emplace(FoldedName(entry.key), &entry);
    auto find = [&](const std::string& key) -> const EntryNode* {
        auto it = firstByKey.find(FoldedName(key));
        return it == firstByKey.end() ? nullptr : it->second;
    };

    std::set<const EntryNode*> read;
    for (unsigned long n = 1;; ++n) {
        const EntryNode* target = find("targetType" + std::to_string(n));
        if (!target) break;
        read.insert(target);
        for (unsigned long m = 1;; ++m) {
            const EntryNode* attacker =
                find("attackType" + std::to_string(n) + "_" + std::to_string(m));
            if (!attacker) break;
            read.insert(attacker);
        }
    }
    for (const EntryNode& entry : section.entries) {
        if (read.count(&entry))
            CheckText(entry, kUnitClassLimit, true);
        else if (find(entry.key) != &entry)
            Warn(entry.line, "'" + entry.key +
                                 "' appears again; only the first is read and "
                                 "this one is dropped on saving");
        else
            Warn(entry.line, "'" + entry.key +
                                 "' is not read and is dropped on saving: targetTypeN and "
                                 "attackTypeN_M are read in order up to the first gap");
    }
}

void CPlanFileChecker::CheckPlan(SectionNode& section) {
    auto find = [&section](std::string_view key) { return CSectionFile::FindEntry(&section, key); };
    const EntryNode* typeEntry = find("planType");
    const std::string type = typeEntry ? UnquoteValue(typeEntry->value) : std::string();
    if (type.empty()) {
        Error(section.line, "plan " + Header(section) + " is dropped: it has no planType");
        return;
    }
    const EntryNode* priority = find("planPriority");
    if (CSectionFile::GetValueInt(priority, 0) == 0) {
        std::string message = "plan " + Header(section) +
                              " is dropped: planPriority must be a number from 1 to 16384";
        if (priority && !priority->value.empty() && IsQuote(priority->value[0]))
            message += " (a quoted number reads as 0)";
        Error(priority ? priority->line : section.line, message);
        return;
    }
    CheckText(*typeEntry, kPlanTypeLimit, false);
    CheckNumber(*priority, kMaxPriority);

    const PlanTypeInfo* info =
        m_planTypes ? m_planTypes->FindPlanType(CutText(type, kPlanTypeLimit)) : nullptr;
    if (m_planTypes && !info)
        Warn(typeEntry->line, "plan type '" + type + "' is not in the plan-type catalog");

    const EntryNode* kind = find("planCondition");
    const EntryNode* unitClass = find("planConditionClass");
    if (kind) CheckText(*kind, kConditionKindLimit, false);
    if (unitClass) CheckText(*unitClass, kUnitClassLimit, true);
    if (const EntryNode* count = find("planConditionCount"))
        CheckNumber(*count, kMaxConditionCount);
    const std::string kindText = kind ? UnquoteValue(kind->value) : std::string();
    const std::string classText = unitClass ? UnquoteValue(unitClass->value) : std::string();
    if (!kindText.empty()) {
        const bool known = std::any_of(std::begin(kConditionKinds), std::end(kConditionKinds),
                                       [&](std::string_view k) { return NamesEqual(k, kindText); });
        if (!known)
            Warn(kind->line, "condition '" + kindText +
                                 "' is not one of Exists, NotExists, HisExists, NotHisExists");
    }
    if (kindText.empty() != classText.empty())
        Warn(kind ? kind->line : unitClass->line,
             "the condition needs both planCondition and planConditionClass; it is dropped on "
             "saving");
    else if (info && !kindText.empty() && !(info->flags & PlanTypeHasCondition))
        Warn(kind->line, "plan type '" + type +
                             "' takes no condition; the editor clears it when the plan is edited");

    for (std::string_view flag : {"buildIfNoIdle", "doNextOnFail"})
        if (const EntryNode* e = find(flag))
            CheckNumber(*e, std::numeric_limits<std::int32_t>::max());

    std::set<std::string> seen;
    for (const EntryNode& entry : section.entries) {
        const bool known =
            std::any_of(std::begin(kKnownPlanKeys), std::end(kKnownPlanKeys),
                        [&](std::string_view k) { return NamesEqual(k, entry.key); });
        if (known) {
            if (!seen.insert(FoldedName(entry.key)).second)
                Warn(entry.line, "'" + entry.key +
                                     "' appears again: the first is used and this one becomes "
                                     "a parameter that moves on every save");
        } else if (info && !CPlanManager::FindParamDef(info, entry.key)) {
            Warn(entry.line, "'" + entry.key + "' is not a parameter of plan type '" + type + "'");
        }
    }
}

void CPlanFileChecker::CheckNumber(const EntryNode& entry, std::uint32_t max) {
    const std::string& v = entry.value;
    const std::string shown = "'" + entry.key + " = " + v + "'";
    if (v.empty()) {
        Warn(entry.line, "'" + entry.key + "' has no value and reads as 0");
        return;
    }
    if (!IsDigit(v[0])) {
        Warn(entry.line, shown + " reads as 0: numbers begin with a digit" +
                             std::string(IsQuote(v[0]) ? " and have no quotes" : ""));
        return;
    }
    const auto number = static_cast<std::uint32_t>(CSectionFile::GetValueInt(&entry, 0));
    if (!std::all_of(v.begin(), v.end(), IsDigit))
        Warn(entry.line, shown + " reads as " + std::to_string(number));
    if (number > max)
        Warn(entry.line, "'" + entry.key + "' is cut from " + std::to_string(number) + " to " +
                             std::to_string(max));
}

void CPlanFileChecker::CheckText(const EntryNode& entry, std::size_t limit, bool isUnitClass) {
    // After its leading quotes a text ends at its first quote character; only
    // a closing quote at the very end is lost without a trace.
    std::string_view body = entry.value;
    while (!body.empty() && IsQuote(body.front()))
        body.remove_prefix(1);
    const std::string text = UnquoteValue(entry.value);
    const std::string_view rest = body.substr(std::min(text.size(), body.size()));
    if (rest.size() > 1 || (rest.size() == 1 && !IsQuote(rest[0])))
        Warn(entry.line, "the text of '" + entry.key + "' holds a quote character; the editor keeps "
                         "only '" + text + "' (texts cannot hold quotes)");
    if (text.size() > limit)
        Warn(entry.line, "'" + entry.key + "' is cut to " + std::to_string(limit) +
                             " characters: '" + text.substr(0, limit) + "'");
    if (isUnitClass && m_units && !text.empty() && !m_units->FindUnitByClass(CutText(text, limit)))
        Warn(entry.line, "unit class '" + text + "' is not in the unit catalog");
}
