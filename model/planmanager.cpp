#include "planmanager.h"

#include "planlimits.h"
#include "sectionfile.h"
#include "textvalues.h"

#include <algorithm>

namespace {

constexpr std::size_t kPathLimit = 256;

// "STRING", "LONG" or "BOOL" in any case; 0 for anything else.
std::uint32_t KindFromText(std::string_view text) {
    if (NamesEqual(text, "STRING")) return ParamKindString;
    if (NamesEqual(text, "LONG")) return ParamKindLong;
    if (NamesEqual(text, "BOOL")) return ParamKindBool;
    return 0;
}

} // namespace

void CPlanManager::Clear() {
    m_types.clear();
    iconImage32.clear();
    iconImage16.clear();
    transparent32 = transparent16 = 0;
}

bool CPlanManager::LoadPlanTypes(const std::string& path) {
    Clear();
    if (!m_script.Load(path)) {
        m_script.RemoveAll(); // a syntax error loads nothing at all
        return false;
    }
    for (const auto& call : m_script.Nodes()) {
        if (call->name == "CreatePlanType")
            ReadPlanType(*call);
        else if (call->name == "ConfigurePlanManager")
            ReadConfiguration(*call);
    }
    m_script.RemoveAll();
    return true;
}

void CPlanManager::ReadPlanType(const ScriptNode& call) {
    if (call.parameters.empty()) return;
    PlanTypeInfo* type = AddPlanType(CScript::Unquote(call.parameters[0]));
    if (!type) return;
    if (CScript::GetBool(CScript::FindProperty("bHasCondition", &call), false))
        type->flags |= PlanTypeHasCondition;
    if (CScript::GetBool(CScript::FindProperty("bBuildIfNoIdle", &call), false))
        type->flags |= PlanTypeBuildIfNoIdle;
    if (CScript::GetBool(CScript::FindProperty("bDoNextOnFail", &call), false))
        type->flags |= PlanTypeDoNextOnFail;
    type->iconIndex = CScript::GetInt(CScript::FindProperty("nIconIndex", &call), -1);

    for (const auto& child : call.children) {
        const bool multi = child->name == "AddMultiParam";
        if (!multi && child->name != "AddSingleParam") continue;
        if (child->parameters.size() < 2) continue;
        std::uint32_t kind = KindFromText(CScript::Unquote(child->parameters[1]));
        if (kind == 0) continue;
        if (multi) kind |= ParamMulti;
        AddParamDef(type, CScript::Unquote(child->parameters[0]), kind);
    }
    // Which parameters name what the plan builds; a reader without this
    // property passes over it.
    const std::string builds = CScript::GetString(CScript::FindProperty("szBuilds", &call), "");
    for (PlanParamDef& def : type->params)
        for (std::size_t at = builds.find_first_not_of(" ,"); at != std::string::npos;
             at = builds.find_first_not_of(" ,", at)) {
            const std::size_t end = std::min(builds.find_first_of(" ,", at), builds.size());
            def.builds = def.builds || NamesEqual(builds.substr(at, end - at), def.name);
            at = end;
        }
}

bool CPlanManager::DeclaresBuilds() const {
    return std::any_of(m_types.begin(), m_types.end(), [](const auto& type) {
        return std::any_of(type->params.begin(), type->params.end(),
                           [](const PlanParamDef& def) { return def.builds; });
    });
}

void CPlanManager::ReadConfiguration(const ScriptNode& call) {
    auto text = [&call](std::string_view name) {
        return CutText(CScript::GetString(CScript::FindProperty(name, &call), ""), kPathLimit);
    };
    iconImage32 = text("szIconImage32");
    iconImage16 = text("szIconImage16");
    transparent32 = CScript::GetColor(CScript::FindProperty("dwTransparent32", &call), 0);
    transparent16 = CScript::GetColor(CScript::FindProperty("dwTransparent16", &call), 0);
}

PlanTypeInfo* CPlanManager::AddPlanType(std::string_view name) {
    std::string cut = CutText(name, kPlanTypeLimit);
    if (cut.empty()) return nullptr;
    m_types.push_back(std::make_unique<PlanTypeInfo>());
    m_types.back()->name = std::move(cut);
    return m_types.back().get();
}

PlanParamDef* CPlanManager::AddParamDef(PlanTypeInfo* type, std::string_view name,
                                        std::uint32_t kind) {
    std::string cut = CutText(name, kPlanTypeLimit);
    if (!type || cut.empty() || (kind & 0x13) == 0) return nullptr;
    type->params.push_back({std::move(cut), kind});
    return &type->params.back();
}

const PlanTypeInfo* CPlanManager::FindPlanType(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& type : m_types)
        if (type->name == name) return type.get();
    return nullptr;
}

const PlanParamDef* CPlanManager::FindParamDef(const PlanTypeInfo* type, std::string_view key) {
    if (!type || key.empty()) return nullptr;
    for (const PlanParamDef& def : type->params) {
        if (def.IsMulti() ? key.starts_with(def.name) : key == def.name) return &def;
    }
    return nullptr;
}

ParamValueProblem CheckParamValue(const PlanParamDef& def, std::string_view key,
                                  std::string_view value) {
    const bool digits = !value.empty() && std::all_of(value.begin(), value.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
    switch (def.ValueKind()) {
    case ParamKindLong:
        if (!digits)
            return {"parameter-not-number", "the parameter takes a whole number, 0 or more"};
        break;
    case ParamKindBool:
        if (value != "0" && value != "1")
            return {"parameter-not-flag", "the parameter takes 0 or 1"};
        break;
    case ParamKindString:
        if (!value.empty() && !IsQuote(value[0]))
            return {"parameter-not-quoted", "the parameter takes a text in double quotes (" +
                                                std::string(key) + " = " + QuoteValue(value) + ")"};
        break;
    default:
        break;
    }
    return {};
}
