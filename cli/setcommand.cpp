// zeq set: values changed through the plan document, written with the file's
// layout kept.

#include "commands.h"
#include "filesave.h"

#include "keptlayout.h"
#include "planformat.h"
#include "planlimits.h"
#include "sectionedit.h"
#include "textvalues.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

// A whole decimal number from 0 to max, as written; nothing for anything else.
std::optional<std::uint32_t> Number(const std::string& value, std::uint32_t max) {
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const auto n = std::uint32_t(std::stoul(value));
    return n <= max ? std::optional(n) : std::nullopt;
}

// A text as the document can hold it; nothing when it would be cut or lose a
// quote character. Written with or without the quotes around it.
std::optional<std::string> Text(std::string value, std::size_t limit) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (FieldText(value, limit) != value) return std::nullopt;
    return value;
}

// The SECTION of SECTION.KEY=VALUE; nothing when the assignment is not one.
std::optional<std::string> SectionOf(const std::string& assignment) {
    const std::size_t dot = assignment.find('.');
    const std::size_t equals = assignment.find('=');
    if (dot == std::string::npos || equals == std::string::npos || dot > equals)
        return std::nullopt;
    return assignment.substr(0, dot);
}

// The plan a section name reads as; null for none.
using PlanOf = std::function<PlanEntry*(std::string_view section)>;

class Assigner {
public:
    Assigner(CPlanData& data, PlanOf planOf) : m_data(data), m_planOf(std::move(planOf)) {}

    // Applies SECTION.KEY=VALUE; false with `error` set when it cannot.
    bool Apply(const std::string& assignment, std::string& error) {
        const std::optional<std::string> named = SectionOf(assignment);
        if (!named) {
            error = "'" + assignment + "' is not SECTION.KEY=VALUE";
            return false;
        }
        const std::string& section = *named;
        const std::size_t dot = section.size(), equals = assignment.find('=');
        m_key = assignment.substr(dot + 1, equals - dot - 1);
        m_value = assignment.substr(equals + 1);
        bool done;
        if (NamesEqual(section, kStartSection))
            done = Start();
        else if (NamesEqual(section, kCheatSection))
            done = Cheat();
        else if (NamesEqual(section, kMatchSection))
            done = Match();
        else if (PlanEntry* plan = m_planOf(section))
            done = Plan(*plan);
        else {
            error = "there is no plan section [" + section + "] that is read";
            return false;
        }
        if (!done) error = m_why.empty() ? "[" + section + "] has no key '" + m_key + "'" : m_why;
        return done;
    }

private:
    bool Is(std::string_view key) const { return NamesEqual(m_key, key); }
    bool Refused(const std::string& why) {
        m_why = "'" + m_key + " = " + m_value + "': " + why;
        return false;
    }
    bool SetNumber(std::uint32_t& field, std::uint32_t max) {
        const auto n = Number(m_value, max);
        if (!n) return Refused("a whole number from 0 to " + std::to_string(max) + " is needed");
        field = *n;
        return true;
    }
    bool SetText(std::string& field, std::size_t limit, bool empty = true) {
        const auto text = Text(m_value, limit);
        if (!text || (!empty && text->empty()))
            return Refused("a text of at most " + std::to_string(limit) +
                           " characters without quotes inside is needed");
        field = *text;
        return true;
    }

    bool Start() {
        StartSection& s = m_data.start;
        if (Is("scrapCount")) return SetNumber(s.scrapCount, kMaxScrap);
        if (Is("consClass")) return SetText(s.consClass, kUnitClassLimit);
        if (Is("scavClass")) return SetText(s.scavClass, kUnitClassLimit);
        return false;
    }
    bool Cheat() {
        if (Is("moneyAmount")) return SetNumber(m_data.start.moneyAmount, kMaxScrap);
        if (Is("moneyDelay")) return SetNumber(m_data.start.moneyDelay, kMaxMoneyDelay);
        return false;
    }
    // targetTypeN and attackTypeN_M, for an existing match or the next one.
    bool Match() {
        const auto& matches = m_data.matches.All();
        for (unsigned long n = 1; n <= matches.size() + 1; ++n) {
            MatchEntry* match = n <= matches.size() ? matches[n - 1].get() : nullptr;
            if (Is(TargetKey(n))) {
                std::string unitClass;
                if (!SetText(unitClass, kUnitClassLimit, false)) return false;
                if (!match) match = m_data.matches.AddTarget(unitClass);
                MatchList::SetTargetClass(match, unitClass);
                return true;
            }
            if (!match) break;
            for (unsigned long m = 1; m <= match->attackers.size() + 1; ++m)
                if (Is(AttackerKey(n, m))) {
                    std::string unitClass;
                    if (!SetText(unitClass, kUnitClassLimit, false)) return false;
                    if (m > match->attackers.size())
                        match->attackers.push_back({unitClass});
                    else
                        match->attackers[m - 1].unitClass = unitClass;
                    return true;
                }
        }
        return false;
    }
    bool Plan(PlanEntry& plan) {
        PlanCondition& c = plan.condition;
        std::uint32_t n = 0;
        if (Is("planType")) return SetText(plan.planType, kPlanTypeLimit, false);
        if (Is("planPriority")) {
            if (!SetNumber(n, kMaxPriority) || n == 0)
                return Refused("a whole number from 1 to 16384 is needed");
            plan.priority = n;
            return true;
        }
        if (Is("planCondition")) return SetText(c.kind, kConditionKindLimit);
        if (Is("planConditionClass")) {
            std::string unitClass;
            if (!SetText(unitClass, kUnitClassLimit)) return false;
            c.Set(c.kind, unitClass, c.count);
            return true;
        }
        if (Is("planConditionCount")) {
            if (!SetNumber(n, kMaxConditionCount)) return false;
            if (n && c.unitClass.empty()) return Refused("a count needs planConditionClass first");
            c.count = n;
            return true;
        }
        for (auto [key, flag] : {std::pair{"buildIfNoIdle", PlanFlagBuildIfNoIdle},
                                 {"doNextOnFail", PlanFlagDoNextOnFail}})
            if (Is(key)) {
                if (m_value != "0" && m_value != "1") return Refused("0 or 1 is needed");
                plan.flags = m_value == "1" ? plan.flags | flag : plan.flags & ~flag;
                return true;
            }
        // A parameter: its value as written; an empty one removes it.
        auto& parameters = plan.parameters;
        const auto it = std::find_if(parameters.begin(), parameters.end(),
                                     [this](const PlanParameter& p) { return Is(p.key); });
        if (m_value.empty()) {
            if (it == parameters.end()) return Refused("the plan has no such parameter");
            parameters.erase(it);
            return true;
        }
        if (const std::string problem = ValueProblem(m_value); !problem.empty())
            return Refused(problem + "; put text with blanks, brackets or // in double quotes");
        if (it == parameters.end())
            parameters.push_back({m_key, m_value});
        else
            it->value = m_value;
        return true;
    }

    CPlanData& m_data;
    PlanOf m_planOf;
    std::string m_key, m_value, m_why;
};

// The section every assignment names, when they all name the same one.
std::optional<std::string> OneSection(const std::vector<std::string>& assignments) {
    std::optional<std::string> section;
    for (const std::string& assignment : assignments) {
        const std::optional<std::string> named = SectionOf(assignment);
        if (!named || (section && !NamesEqual(*named, *section))) return std::nullopt;
        section = named;
    }
    return section;
}

int Refuse(const std::string& file, const std::string& why) {
    std::fprintf(stderr, "zeq: %s: %s; nothing was written\n", file.c_str(), why.c_str());
    return 1;
}

int Written(const std::string& file, const std::string& out, const std::string& text) {
    const std::string target = out.empty() ? file : out;
    if (target == "-") {
        WriteOut(text);
        return 0;
    }
    std::string error;
    if (SaveFileSafely(target, text, error)) return 0;
    std::fprintf(stderr, "%s: error: %s\n", target.c_str(), error.c_str());
    return 1;
}

} // namespace

int RunSet(const std::string& file, const std::vector<std::string>& assignments,
           const std::string& out) {
    std::string text, why;
    if (!ReadKeptText(file, text)) return 1;
    // Values of one section: it alone is read and written, where a large
    // file's document and layout would be many times its size.
    if (const auto section = OneSection(assignments); section && !text.empty()) {
        const auto edit = [&](CPlanData& document, PlanEntry* plan) {
            Assigner assign(document, [&](std::string_view name) {
                return NamesEqual(name, *section) ? plan : nullptr;
            });
            return std::all_of(assignments.begin(), assignments.end(),
                               [&](const std::string& a) { return assign.Apply(a, why); });
        };
        switch (EditSection(text, *section, edit)) {
        case SectionEdit::Done:
            return Written(file, out, text);
        case SectionEdit::Refused:
            return Refuse(file, why);
        case SectionEdit::NotAlone:
            break;
        }
    }
    CPlanData data;
    CKeptLayout kept;
    if (!LoadKept(file, text, data, kept)) return 1;
    Assigner assign(data, [&kept](std::string_view name) {
        // The document's own record, found by its text.
        return const_cast<PlanEntry*>(kept.PlanOfSection(name));
    });
    for (const std::string& assignment : assignments)
        if (!assign.Apply(assignment, why)) return Refuse(file, why);
    if (!kept.Write(data, text)) {
        std::fprintf(stderr,
                     "zeq: %s: these changes cannot be made in the file as it is written; "
                     "nothing was written ('zeq fmt' writes it in the canonical layout)\n",
                     file.c_str());
        return 1;
    }
    return Written(file, out, text);
}
