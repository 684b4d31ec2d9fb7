#include "planformat.h"

#include "sectionfile.h"

#include <algorithm>

bool IsPlanKey(std::string_view key) {
    return std::any_of(kPlanKeys.begin(), kPlanKeys.end(),
                       [key](std::string_view known) { return NamesEqual(known, key); });
}

std::string PlanSectionName(unsigned long n) {
    return "Plan" + std::to_string(n);
}

std::string TargetKey(unsigned long n) {
    return "targetType" + std::to_string(n);
}

std::string AttackerKey(unsigned long n, unsigned long m) {
    return "attackType" + std::to_string(n) + "_" + std::to_string(m);
}
