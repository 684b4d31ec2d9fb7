#include "plandescription.h"

#include "planformat.h"
#include "sectionfile.h"
#include "textvalues.h"

#include <algorithm>
#include <cctype>
#include <map>

std::string DescribeCondition(const PlanCondition& condition, const CUnitList& units) {
    if (condition.kind.empty()) return {};
    // In the order of the kinds.
    static const char* const kPrefixes[] = {"If Team Computer has", "If Team Computer has NOT",
                                            "If Team Human has", "If Team Human has NOT"};
    std::string prefix = "If '" + condition.kind + "'";
    bool has = false; // Exists and HisExists: at least so many
    for (std::size_t i = 0; i < kConditionKinds.size(); ++i)
        if (NamesEqual(condition.kind, kConditionKinds[i])) {
            prefix = kPrefixes[i];
            has = i % 2 == 0;
        }
    return prefix + " " + std::to_string(condition.count) + " unit(s) of type '" +
           units.GetUnitDisplayName(condition.unitClass) + "'" +
           (has && condition.count == 0 ? " (always holds: every team has at least 0)" : "");
}

std::string DescribeFlags(std::uint32_t flags) {
    std::string text;
    if (flags & PlanFlagBuildIfNoIdle) text += ", buildIfNoIdle";
    if (flags & PlanFlagDoNextOnFail) text += ", doNextOnFail";
    return text.empty() ? text : text.substr(2);
}

namespace {

// "maxTries" as "max tries".
std::string Words(std::string_view key) {
    std::string words;
    for (const char c : key) {
        if (std::isupper(static_cast<unsigned char>(c)) && !words.empty()) words += ' ';
        words += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return words;
}

bool EndsWith(const std::string& folded, std::string_view ending) {
    return folded.size() > ending.size() && folded.ends_with(ending);
}

// A count as the game reads it; one that does not read as written says so
// rather than pass for its number.
std::string CountText(const std::string& value) {
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return value;
    return value + " (read as " + std::to_string(CSectionFile::ValueInt(value, 0)) + ")";
}

// One numbered item of a stem: what, how many, where.
struct Item {
    std::string what, count, where;
};

} // namespace

std::string DescribeParameters(const PlanEntry& plan, const CUnitList& units) {
    // Numbered keys ("buildType2", "holdCount1") by stem and number; a
    // location without a number ("holdPoint") goes with its stem's list.
    std::map<std::string, std::map<unsigned long, Item>> lists;
    std::map<std::string, std::string> placeOf;
    std::vector<std::string> order, words;
    for (const PlanParameter& p : plan.parameters) {
        std::string key = FoldedName(p.key);
        const std::string value = UnquoteValue(p.value);
        std::size_t digits = key.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(key[digits - 1])))
            --digits;
        const std::string number = key.substr(digits);
        key.resize(digits);
        std::string part;
        for (std::string_view ending : {"type", "count", "loc", "point"})
            if (EndsWith(key, ending)) part = ending;
        const std::string stem = key.substr(0, key.size() - part.size());
        if (!part.empty() && !number.empty() && number.size() < 6 && part != "point") {
            if (!lists.count(stem)) order.push_back(stem);
            Item& item = lists[stem][std::stoul(number)];
            // A unit class the game wants in quotes is not one without them.
            const bool quoted = !p.value.empty() && IsQuote(p.value.front());
            if (part == "type")
                item.what = quoted ? units.GetUnitDisplayName(value) : value + " (unquoted)";
            else if (part == "count")
                item.count = CountText(value);
            else
                item.where = value;
        } else if ((part == "point" || part == "loc") && number.empty()) {
            placeOf[stem] = value;
        } else {
            std::string text = Words(std::string_view(p.key).substr(0, digits));
            const bool unit = units.FindUnitByClass(value) != nullptr;
            words.push_back(text + " " + (unit ? units.GetUnitDisplayName(value) : value) +
                            (number.empty() ? "" : " (" + number + ")"));
        }
    }
    std::vector<std::string> parts;
    for (const std::string& stem : order) {
        std::string list;
        for (const auto& [n, item] : lists[stem]) {
            std::string one =
                item.count.empty() ? "" : item.count + " \xD7 "; // the times sign of Latin-1
            one += item.what.empty() ? "?" : item.what;
            if (!item.where.empty()) one += " at " + item.where;
            list += (list.empty() ? "" : ", ") + one;
        }
        if (const auto at = placeOf.find(stem); at != placeOf.end()) {
            list += " at " + at->second;
            placeOf.erase(at);
        }
        // The plan's own verb is not said again: a Hold plan's list is what it holds.
        parts.push_back(NamesEqual(stem, plan.planType) ? list : stem + " " + list);
    }
    for (const auto& [stem, place] : placeOf)
        parts.push_back((stem.empty() ? std::string("at ") : stem + " at ") + place);
    parts.insert(parts.end(), words.begin(), words.end());
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}
