#include "sourceassist.h"

#include "planformat.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <algorithm>

namespace {

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void AddUnits(const UnitGroup& group, std::vector<Completion>& out) {
    for (const auto& sub : group.subGroups)
        AddUnits(*sub, out);
    for (const auto& unit : group.units)
        out.push_back({'"' + unit->unitClass + '"', unit->displayName});
}

} // namespace

std::optional<std::size_t> PartnerOf(std::string_view line, std::size_t pos) {
    if (pos >= line.size()) return std::nullopt;
    const char c = line[pos];
    if (IsQuote(c)) {
        // Quotes before this one decide whether it opens or closes a text.
        std::size_t before = 0;
        for (std::size_t i = 0; i < pos; ++i)
            before += IsQuote(line[i]);
        if (before % 2 == 1) {
            for (std::size_t i = pos; i-- > 0;)
                if (IsQuote(line[i])) return i;
            return std::nullopt;
        }
        for (std::size_t i = pos + 1; i < line.size(); ++i)
            if (IsQuote(line[i])) return i;
        return std::nullopt;
    }
    if (c != '[' && c != ']') return std::nullopt;
    const int step = c == '[' ? 1 : -1;
    int depth = 0;
    for (std::size_t i = pos; i < line.size(); i += std::size_t(step)) {
        if (line[i] == '[') depth += step;
        if (line[i] == ']') depth -= step;
        if (depth == 0) return i;
        if (i == 0 && step < 0) break;
    }
    return std::nullopt;
}

std::string_view CompletionPrefix(std::string_view lineBefore) {
    std::size_t start = lineBefore.size();
    while (start > 0 && !IsBlank(lineBefore[start - 1]) && lineBefore[start - 1] != '=')
        --start;
    return lineBefore.substr(start);
}

std::vector<Completion> CompletionsAt(const CompletionPlace& place, const CPlanManager* planTypes,
                                      const CUnitList* units) {
    const std::string_view line = place.lineBefore;
    if (line.find("//") != std::string_view::npos) return {}; // in a comment
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos && line.find_first_of("\"'") != std::string_view::npos)
        return {}; // in a text where no key goes
    const std::string_view prefix = CompletionPrefix(line);
    const bool isPlan = place.section.size() > 4 && NamesEqual(place.section.substr(0, 4), "plan");
    const PlanTypeInfo* type =
        planTypes && isPlan ? planTypes->FindPlanType(place.planType) : nullptr;
    std::vector<Completion> all;
    if (equals != std::string_view::npos) {
        std::string_view key = line.substr(0, equals);
        while (!key.empty() && IsBlank(key.back()))
            key.remove_suffix(1);
        while (!key.empty() && IsBlank(key.front()))
            key.remove_prefix(1);
        if (NamesEqual(key, "planCondition")) {
            for (std::string_view kind : kConditionKinds)
                all.push_back({'"' + std::string(kind) + '"', "condition"});
        } else if (NamesEqual(key, "buildIfNoIdle") || NamesEqual(key, "doNextOnFail")) {
            all.push_back({"1", "on"});
            all.push_back({"0", "off"});
        } else if (NamesEqual(key, "planType") && planTypes) {
            for (const auto& t : planTypes->All())
                all.push_back({'"' + t->name + '"', "plan type"});
        } else if (units && TakesUnitClass(key, CPlanManager::FindParamDef(type, key))) {
            for (const auto& group : units->All())
                AddUnits(*group, all);
        }
    } else if (!line.empty() && line.find_first_not_of(" \t") == line.find('[')) {
        for (std::string_view name : {kStartSection, kCheatSection, kMatchSection})
            all.push_back({std::string("[").append(name).append("]"), "section"});
        all.push_back({std::string("[").append(PlanSectionName(place.freePlanNumber)).append("]"),
                       "new plan section"});
    } else if (NamesEqual(place.section, kStartSection)) {
        for (std::string_view key : kStartKeys)
            all.push_back({std::string(key) + " = ", "Start"});
    } else if (NamesEqual(place.section, kCheatSection)) {
        for (std::string_view key : kCheatKeys)
            all.push_back({std::string(key) + " = ", "Cheat"});
    } else if (NamesEqual(place.section, kMatchSection)) {
        all.push_back({"targetType", "target of match N"});
        all.push_back({"attackType", "attacker M of match N: attackTypeN_M"});
    } else if (isPlan) {
        for (std::string_view key : kPlanKeys)
            all.push_back({std::string(key) + " = ", "plan"});
        if (type)
            for (const PlanParamDef& def : type->params)
                all.push_back({def.name + (def.IsMulti() ? "1" : "") + " = ",
                               def.IsMulti() ? "parameter (numbered)" : "parameter"});
    }
    // A value's quote may be typed or not.
    auto unquoted = [](std::string_view text) {
        return FoldedName(!text.empty() && IsQuote(text[0]) ? text.substr(1) : text);
    };
    const std::string wanted = unquoted(prefix);
    std::erase_if(all, [&](const Completion& c) { return !unquoted(c.text).starts_with(wanted); });
    return all;
}

std::string HeaderNameOf(std::string_view line) {
    std::string name;
    for (char c : line)
        if (!IsBlank(c)) name += c;
    if (name.empty() || name[0] != '[') return {};
    const std::size_t close = name.rfind(']');
    return close != std::string::npos && close > 0 ? name.substr(1, close - 1) : name.substr(1);
}

unsigned long FreePlanNumber(std::string_view text) {
    std::vector<bool> used(2);
    ForEachLine(text, [&used](std::string_view line, std::size_t) {
        used.push_back(false); // one more line, one more number that may be the free one
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] != '[') return;
        std::string name;
        for (char c : line.substr(first + 1)) {
            if (c == ']' || name.size() > 24) break;
            if (!IsBlank(c)) name += c;
        }
        if (const unsigned long n = PlanNumberOf(name); n && n < used.size()) used[n] = true;
    });
    unsigned long n = 1;
    while (n < used.size() && used[n])
        ++n;
    return n;
}

CompletionPlace PlaceAt(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::vector<std::pair<std::string_view, std::size_t>> lines;
    ForEachLine(text, [&lines](std::string_view line, std::size_t start) {
        lines.emplace_back(line, start);
    });
    std::size_t caret = 0;
    while (caret + 1 < lines.size() && lines[caret + 1].second <= offset)
        ++caret;
    CompletionPlace place;
    place.lineBefore = std::string(text.substr(lines[caret].second, offset - lines[caret].second));
    // The nearest header above names the section; a planType line of it the type.
    for (std::size_t header = caret; header-- > 0;) {
        place.section = HeaderNameOf(lines[header].first);
        if (place.section.empty()) continue;
        for (std::size_t i = header + 1; i < lines.size() && HeaderNameOf(lines[i].first).empty();
             ++i) {
            std::string compact;
            for (char c : lines[i].first)
                if (!IsBlank(c) && !IsQuote(c)) compact += c;
            if (compact.size() > 9 && NamesEqual(compact.substr(0, 9), "planType="))
                place.planType = compact.substr(9);
        }
        break;
    }
    if (const std::size_t first = place.lineBefore.find_first_not_of(" \t");
        first != std::string::npos && place.lineBefore[first] == '[')
        place.freePlanNumber = FreePlanNumber(text);
    return place;
}
