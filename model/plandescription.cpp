#include "plandescription.h"

#include "sectionfile.h"

std::string DescribeCondition(const PlanCondition& condition, const CUnitList& units) {
    if (condition.kind.empty()) return {};
    std::string prefix;
    if (NamesEqual(condition.kind, "Exists"))
        prefix = "If Team Computer has";
    else if (NamesEqual(condition.kind, "NotExists"))
        prefix = "If Team Computer has NOT";
    else if (NamesEqual(condition.kind, "HisExists"))
        prefix = "If Team Human has";
    else if (NamesEqual(condition.kind, "NotHisExists"))
        prefix = "If Team Human has NOT";
    else
        prefix = "If '" + condition.kind + "'";
    return prefix + " " + std::to_string(condition.count) + " unit(s) of type '" +
           units.GetUnitDisplayName(condition.unitClass) + "'";
}

std::string DescribeFlags(std::uint32_t flags) {
    std::string text;
    if (flags & PlanFlagBuildIfNoIdle) text += ", buildIfNoIdle";
    if (flags & PlanFlagDoNextOnFail) text += ", doNextOnFail";
    return text.empty() ? text : text.substr(2);
}
