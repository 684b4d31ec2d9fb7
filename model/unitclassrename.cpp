#include "unitclassrename.h"

#include "plandata.h"
#include "planformat.h"
#include "planlimits.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "textvalues.h"

#include <algorithm>

namespace {

// A plan's parameter that takes a unit class by the plan-type catalog.
bool TakesUnitParameter(const PlanTypeInfo* type, std::string_view key) {
    const PlanParamDef* def = type ? CPlanManager::FindParamDef(type, key) : nullptr;
    return def && !IsPlanKey(key) && TakesUnitClass(key, def);
}

} // namespace

bool CUnitClassRename::Add(std::string_view from, std::string_view to, std::string& error) {
    for (const std::string_view name : {from, to}) {
        if (name.empty() || name.size() > kUnitClassLimit ||
            name.find_first_of(" \t\f\"'[]=/;\r\n") != std::string_view::npos) {
            error = std::string("'").append(name).append(
                "' is not a unit class a plan file can hold (1 to " +
                std::to_string(kUnitClassLimit) + " characters, no blanks, quotes or brackets)");
            return false;
        }
    }
    if (!m_renames.emplace(FoldedName(from), std::string(to)).second) {
        error = std::string("'").append(from).append("' is renamed twice");
        return false;
    }
    return true;
}

bool CUnitClassRename::AddPair(std::string_view pair, std::string& error) {
    const auto trim = [](std::string_view s) {
        const std::size_t first = s.find_first_not_of(" \t");
        return first == std::string_view::npos
                   ? std::string_view()
                   : s.substr(first, s.find_last_not_of(" \t") - first + 1);
    };
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) {
        error = std::string("'").append(trim(pair)).append("' is not OLD=NEW");
        return false;
    }
    return Add(trim(pair.substr(0, equals)), trim(pair.substr(equals + 1)), error);
}

bool CUnitClassRename::AddPairs(std::string_view lines, std::string& error, int* errorLine) {
    int number = 0;
    for (std::size_t at = 0; at < lines.size();) {
        std::size_t end = lines.find('\n', at);
        if (end == std::string_view::npos) end = lines.size();
        std::string_view line = lines.substr(at, end - at);
        at = end + 1;
        ++number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line.substr(first).starts_with("//") ||
            line[first] == '#')
            continue;
        if (!AddPair(line, error)) {
            if (errorLine) *errorLine = number;
            return false;
        }
    }
    return true;
}

std::string CUnitClassRename::Rewrite(std::string_view text, const std::vector<Use>& uses) const {
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    for (const Use& use : uses) {
        const std::string to = RenamedTo(use.unitClass);
        const std::size_t length = use.end - use.start;
        if (to.empty() || use.offset < done || use.offset + length > text.size() ||
            text.substr(use.offset, length) != use.unitClass)
            continue; // not renamed, or not of this text
        out.append(text.substr(done, use.offset - done)).append(to);
        done = use.offset + length;
    }
    return out.append(text.substr(done));
}

std::string CUnitClassRename::RenamedTo(std::string_view unitClass) const {
    const auto it = m_renames.find(FoldedName(unitClass));
    return it == m_renames.end() ? std::string() : it->second;
}

std::vector<CUnitClassRename::Change> CUnitClassRename::Apply(CPlanData& data,
                                                              const CPlanManager* planTypes) const {
    std::vector<Change> changes;
    const PlanEntry* plan = nullptr;
    auto rename = [&](std::string& unitClass, std::string where) {
        std::string to = RenamedTo(unitClass);
        if (to.empty() || to == unitClass) return;
        changes.push_back({plan, std::move(where), unitClass, to});
        unitClass = std::move(to);
    };
    rename(data.start.consClass, "consClass");
    rename(data.start.scavClass, "scavClass");
    std::size_t n = 0;
    for (const auto& target : data.matches.All()) {
        ++n;
        rename(target->unitClass, "target " + std::to_string(n));
        std::size_t m = 0;
        for (MatchAttacker& attacker : target->attackers)
            rename(attacker.unitClass, "attacker " + std::to_string(n) + "." + std::to_string(++m));
    }
    for (const auto& entry : data.plans.All()) {
        plan = entry.get();
        rename(entry->condition.unitClass, "planConditionClass");
        const PlanTypeInfo* type = planTypes ? planTypes->FindPlanType(entry->planType) : nullptr;
        for (PlanParameter& parameter : entry->parameters) {
            const PlanParamDef* def =
                type ? CPlanManager::FindParamDef(type, parameter.key) : nullptr;
            // A second planConditionClass is kept as written, unread: the
            // text names the class there all the same.
            if (!NamesEqual(parameter.key, "planConditionClass") &&
                (!def || !TakesUnitClass(parameter.key, def)))
                continue;
            std::string value = UnquoteValue(parameter.value);
            const std::size_t before = changes.size();
            rename(value, parameter.key);
            if (changes.size() == before) continue;
            // Only the class's own bytes: what else the value holds as
            // written (its quotes, what follows them) stays, as a rename of
            // the text keeps it.
            const std::string& was = changes.back().before;
            const std::size_t at = parameter.value.find(was);
            if (at == std::string::npos)
                parameter.value = QuoteValue(value);
            else
                parameter.value.replace(at, was.size(), value);
        }
    }
    return changes;
}

std::vector<CUnitClassRename::Use> CUnitClassRename::Uses(std::string_view text,
                                                          const CPlanManager* planTypes) {
    CSectionFile file;
    if (!file.ParseText(text)) return {};
    std::vector<std::size_t> starts{0}; // CR LF, LF and a lone CR each end a line
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            starts.push_back(i + 1);
    std::vector<Use> uses;
    for (const SectionNode& section : file.Sections()) {
        const bool start = NamesEqual(section.name, kStartSection);
        const bool match = NamesEqual(section.name, kMatchSection);
        const bool plan = PlanNumberOf(section.name) > 0;
        if (!start && !match && !plan) continue;
        const auto typeEntry =
            std::find_if(section.entries.begin(), section.entries.end(),
                         [](const EntryNode& e) { return NamesEqual(e.Key(), "planType"); });
        const PlanTypeInfo* type = plan && planTypes && typeEntry != section.entries.end()
                                       ? planTypes->FindPlanType(UnquoteValue(typeEntry->Value()))
                                       : nullptr;
        for (const EntryNode& entry : section.entries) {
            const std::string folded = FoldedName(entry.Key());
            const bool named =
                start   ? folded == "consclass" || folded == "scavclass"
                : match ? folded.starts_with("targettype") || folded.starts_with("attacktype")
                        : folded == "planconditionclass" || TakesUnitParameter(type, entry.Key());
            const std::string unitClass = UnquoteValue(entry.Value());
            if (!named || unitClass.empty() || entry.line < 1 ||
                std::size_t(entry.line) > starts.size())
                continue;
            // The value's own bytes in the line as written: past '=', blanks
            // and opening quotes.
            const std::size_t from = starts[std::size_t(entry.line - 1)];
            const std::string_view line =
                text.substr(from, std::size_t(entry.line) < starts.size()
                                      ? starts[std::size_t(entry.line)] - from
                                      : std::string_view::npos);
            std::size_t at = line.find('=');
            if (at == std::string_view::npos) continue;
            at = line.find_first_not_of(" \t\f\"'", at + 1);
            if (at == std::string_view::npos || line.substr(at, unitClass.size()) != unitClass)
                continue;
            uses.push_back({entry.line, at, at + unitClass.size(), from + at, unitClass,
                            std::string(section.name), std::string(entry.Key())});
        }
    }
    return uses;
}
