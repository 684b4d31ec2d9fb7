#pragma once

// The rules of the plan-file format that loading, saving and the report on a
// file share: the names of sections and keys, how numbered ones are spelled,
// and which plan sections are looked for.

#include <array>
#include <string>
#include <string_view>

constexpr std::string_view kStartSection = "Start";
constexpr std::string_view kCheatSection = "Cheat";
constexpr std::string_view kMatchSection = "Match";

constexpr std::array<std::string_view, 3> kStartKeys = {"scrapCount", "consClass", "scavClass"};
constexpr std::array<std::string_view, 2> kCheatKeys = {"moneyAmount", "moneyDelay"};

// The keys of a plan section that fill the plan's own fields; every other key
// of the section is one of the plan's parameters.
constexpr std::array<std::string_view, 7> kPlanKeys = {
    "planType",           "planPriority",  "planCondition", "planConditionClass",
    "planConditionCount", "buildIfNoIdle", "doNextOnFail"};
bool IsPlanKey(std::string_view key);
// Where the key stands in kPlanKeys, case ignored; kPlanKeys.size() if nowhere.
std::size_t PlanKeyIndex(std::string_view key);

// The condition kinds the editor offers and describes; a plan file may hold
// any other text, which is kept as it is.
constexpr std::array<std::string_view, 4> kConditionKinds = {"Exists", "NotExists", "HisExists",
                                                             "NotHisExists"};

struct PlanParamDef;

// Keys whose value is a unit class: those of [Start], [Match] and the
// condition, and text parameters named for units (buildType1, holdType2,
// unitType, serviceUnit...), `def` being the parameter's definition.
bool TakesUnitClass(std::string_view key, const PlanParamDef* def);

// Numbered names, in plain decimal without leading zeros.
std::string PlanSectionName(unsigned long n); // Plan1
// The number of a plan section's name, as the scan finds it ("plan7" is 7,
// "Plan07" none); 0 for a name no scan looks for.
unsigned long PlanNumberOf(std::string_view sectionName);
std::string TargetKey(unsigned long n);                    // targetType1
std::string AttackerKey(unsigned long n, unsigned long m); // attackType1_2

// Plan sections are looked for by number: every number from 1 to 256, gaps or
// not; from 256 on the first missing number ends the scan.
constexpr unsigned long kDenseScanEnd = 256;

// Calls visit(n, section) for each plan section the scan reaches, in number
// order; find(name) gives the section of a name or null.
template <typename Find, typename Visit> void ScanPlanSections(Find&& find, Visit&& visit) {
    for (unsigned long n = 1;; ++n) {
        auto* section = find(PlanSectionName(n));
        if (section)
            visit(n, section);
        else if (n >= kDenseScanEnd)
            break;
    }
}
