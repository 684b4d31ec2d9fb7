#include "plandescription.h"

#include "planformat.h"
#include "sectionfile.h"

std::string DescribeCondition(const PlanCondition& condition, const CUnitList& units) {
    if (condition.kind.empty()) return {};
    // In the order of the kinds.
    static const char* const kPrefixes[] = {"If Team Computer has", "If Team Computer has NOT",
                                            "If Team Human has", "If Team Human has NOT"};
    std::string prefix = "If '" + condition.kind + "'";
    for (std::size_t i = 0; i < kConditionKinds.size(); ++i)
        if (NamesEqual(condition.kind, kConditionKinds[i])) prefix = kPrefixes[i];
    return prefix + " " + std::to_string(condition.count) + " unit(s) of type '" +
           units.GetUnitDisplayName(condition.unitClass) + "'";
}

std::string DescribeFlags(std::uint32_t flags) {
    std::string text;
    if (flags & PlanFlagBuildIfNoIdle) text += ", buildIfNoIdle";
    if (flags & PlanFlagDoNextOnFail) text += ", doNextOnFail";
    return text.empty() ? text : text.substr(2);
}
