#include "planassist.h"

#include "planformat.h"
#include "planlimits.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "sourceassist.h"
#include "textvalues.h"
#include "unitlist.h"

using lsp::Json;

namespace {

// A name as Markdown code.
std::string Code(std::string_view name) {
    return std::string(1, '`').append(name).append(1, '`');
}

// LSP's completion item kinds used here.
constexpr int kItemModule = 9, kItemProperty = 10, kItemValue = 12;

// The groups above a unit, outermost first: "Ironclad / Tanks".
bool GroupPath(const UnitGroup& group, const UnitItem* unit, std::string& path) {
    for (const auto& item : group.units)
        if (item.get() == unit) {
            path = group.name;
            return true;
        }
    for (const auto& sub : group.subGroups)
        if (GroupPath(*sub, unit, path)) {
            if (!group.name.empty()) path = group.name + (path.empty() ? "" : " / " + path);
            return true;
        }
    return false;
}

struct NumberRange {
    std::string_view key;
    std::uint32_t low, high;
    const char* note;
};

// The numbers the loader reads, with what it does past their range.
constexpr NumberRange kNumbers[] = {
    {"scrapCount", 0, kMaxScrap, "more reads as 255"},
    {"moneyAmount", 0, kMaxScrap,
     "more reads as 255; the cheat works only when both values are above 0"},
    {"moneyDelay", 0, kMaxMoneyDelay, "seconds; more reads as 3600"},
    {"planPriority", 1, kMaxPriority, "more reads as 16384; 0, none or text drops the plan"},
    {"planConditionCount", 0, kMaxConditionCount, "more reads as 255"},
    {"buildIfNoIdle", 0, 1, "1 sets the flag"},
    {"doNextOnFail", 0, 1, "1 sets the flag"},
};

} // namespace

Json CPlanAssist::Completion(TextPosition at) const {
    const std::size_t offset = m_doc.Offset(at);
    const CompletionPlace place = PlaceAt(m_doc.Text(), offset);
    const std::size_t prefix = CompletionPrefix(place.lineBefore).size();
    const Json range = lsp::Range(m_doc, offset - prefix, offset);
    Json items = Json::array();
    for (const ::Completion& c : CompletionsAt(place, m_planTypes, m_units)) {
        const int kind = c.text.starts_with('[')  ? kItemModule
                         : c.text.ends_with("= ") ? kItemProperty
                                                  : kItemValue;
        items.push_back({{"label", lsp::Utf8(c.text)},
                         {"kind", kind},
                         {"detail", lsp::Utf8(c.detail)},
                         {"filterText", lsp::Utf8(c.text)},
                         {"textEdit", {{"range", range}, {"newText", lsp::Utf8(c.text)}}}});
    }
    return {{"isIncomplete", false}, {"items", std::move(items)}};
}

std::string CPlanAssist::AboutValue(std::string_view key, std::string_view value,
                                    std::string_view planType) const {
    const PlanTypeInfo* type = m_planTypes ? m_planTypes->FindPlanType(planType) : nullptr;
    const std::string text = UnquoteValue(value);
    if (NamesEqual(key, "planType")) {
        const PlanTypeInfo* named = m_planTypes ? m_planTypes->FindPlanType(text) : nullptr;
        if (!named) return m_planTypes ? "Plan type '" + text + "' is not in Plans.dat." : "";
        std::string about = "**" + named->name + "**, a plan type";
        if (named->flags & PlanTypeHasCondition) about += " that takes a condition";
        about += "\n\nParameters:";
        if (named->params.empty()) about += " none";
        for (const PlanParamDef& def : named->params) {
            const std::uint32_t kind = def.ValueKind();
            about += "\n- `" + def.name + (def.IsMulti() ? "1`, `" + def.name + "2`, ..." : "`") +
                     (kind == ParamKindBool   ? ": 0 or 1"
                      : kind == ParamKindLong ? ": a number"
                                              : ": a text");
        }
        return about;
    }
    for (const NumberRange& n : kNumbers)
        if (NamesEqual(key, n.key))
            return Code(n.key) + ": a whole number from " + std::to_string(n.low) + " to " +
                   std::to_string(n.high) + "; " + n.note + ".";
    if (m_units && TakesUnitClass(key, CPlanManager::FindParamDef(type, key))) {
        const UnitItem* unit = m_units->FindUnitByClass(text);
        if (!unit) return std::string("Unit class '").append(text).append("' is not in Units.dat.");
        std::string group;
        for (const auto& g : m_units->All())
            if (GroupPath(*g, unit, group)) break;
        return std::string("**").append(unit->displayName).append("**\n\nunit class ") +
               Code(unit->unitClass) + (group.empty() ? "" : ", in " + group);
    }
    return {};
}

std::string CPlanAssist::AboutKey(std::string_view key, std::string_view planType) const {
    if (IsPlanKey(key)) return Code(key) + ": a key of every plan";
    const PlanTypeInfo* type = m_planTypes ? m_planTypes->FindPlanType(planType) : nullptr;
    const PlanParamDef* def = CPlanManager::FindParamDef(type, key);
    if (!def) return {};
    const std::uint32_t kind = def->ValueKind();
    return Code(key) + ": a parameter of " + type->name + ", " +
           (kind == ParamKindBool      ? "0 or 1"
            : kind == ParamKindLong    ? "a number"
            : TakesUnitClass(key, def) ? "a unit class"
                                       : "a text") +
           (def->IsMulti() ? std::string(" (numbered: ")
                                 .append(def->name)
                                 .append("1, ")
                                 .append(def->name)
                                 .append("2, ...)")
                           : std::string());
}

Json CPlanAssist::Hover(TextPosition at) const {
    if (at.line >= m_doc.LineCount()) return nullptr;
    const std::string_view line = m_doc.Line(at.line);
    const std::size_t base = m_doc.Offset({at.line, 0});
    const std::size_t column = m_doc.Offset(at) - base;
    const lsp::KeyValue kv = lsp::SplitLine(line);
    if (kv.equals == std::string_view::npos) return nullptr;
    const CompletionPlace place = PlaceAt(m_doc.Text(), base);
    std::string about;
    std::size_t from = 0, to = 0;
    if (column >= kv.keyStart && column <= kv.keyEnd && kv.keyEnd > kv.keyStart) {
        about = AboutKey(kv.Key(line), place.planType);
        from = kv.keyStart;
        to = kv.keyEnd;
    } else if (column >= kv.valueStart && column <= kv.valueEnd && kv.valueEnd > kv.valueStart) {
        about = AboutValue(kv.Key(line), kv.Value(line), place.planType);
        from = kv.valueStart;
        to = kv.valueEnd;
    }
    if (about.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", lsp::Utf8(about)}}},
            {"range", lsp::Range(m_doc, base + from, base + to)}};
}
