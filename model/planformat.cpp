#include "planformat.h"

#include "planmanager.h"
#include "sectionfile.h"

#include <algorithm>

bool IsPlanKey(std::string_view key) {
    return PlanKeyIndex(key) < kPlanKeys.size();
}

std::size_t PlanKeyIndex(std::string_view key) {
    return std::size_t(
        std::find_if(kPlanKeys.begin(), kPlanKeys.end(),
                     [key](std::string_view known) { return NamesEqual(known, key); }) -
        kPlanKeys.begin());
}

bool TakesUnitClass(std::string_view key, const PlanParamDef* def) {
    const std::string folded = FoldedName(key);
    if (folded == "consclass" || folded == "scavclass" || folded == "planconditionclass" ||
        folded.starts_with("targettype") || folded.starts_with("attacktype"))
        return true;
    return def && def->ValueKind() == ParamKindString &&
           (folded.find("type") != std::string::npos || folded.find("unit") != std::string::npos);
}

std::string PlanSectionName(unsigned long n) {
    return "Plan" + std::to_string(n);
}

unsigned long PlanNumberOf(std::string_view sectionName) {
    if (sectionName.size() < 5 || sectionName.size() > 24 ||
        !NamesEqual(sectionName.substr(0, 4), "plan"))
        return 0;
    unsigned long n = 0;
    for (const char c : sectionName.substr(4)) {
        if (c < '0' || c > '9' || n > 400000000) return 0;
        n = n * 10 + unsigned(c - '0');
    }
    // Only the spelling PlanSectionName gives is found: no leading zeros.
    return PlanSectionName(n) == "Plan" + std::string(sectionName.substr(4)) ? n : 0;
}

std::string TargetKey(unsigned long n) {
    return "targetType" + std::to_string(n);
}

std::string AttackerKey(unsigned long n, unsigned long m) {
    return "attackType" + std::to_string(n) + "_" + std::to_string(m);
}
