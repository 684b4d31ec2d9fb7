#pragma once

#include "planmanager.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <string>
#include <string_view>
#include <vector>

struct CheckFinding {
    int line = 0;
    bool error = false; // an error: the file does not load, or whole plans are lost
    std::string message;
};

// Tells what is wrong with a plan file and what the editor would drop or
// change when it opens and saves it. The catalogs are optional; with them the
// plan types, parameters and unit classes are checked against them too.
class CPlanFileChecker {
public:
    CPlanFileChecker(const CPlanManager* planTypes, const CUnitList* units)
        : m_planTypes(planTypes), m_units(units) {}

    // Findings in line order.
    std::vector<CheckFinding> Check(std::string_view text);

private:
    void CheckStart(SectionNode& section);
    void CheckCheat(SectionNode& section);
    void CheckMatch(SectionNode& section);
    void CheckPlan(SectionNode& section);
    void CheckPlanSections(const std::vector<SectionNode*>& planSections);

    // Checks of one value, as loading reads it.
    void CheckNumber(const EntryNode& entry, std::uint32_t max);
    void CheckText(const EntryNode& entry, std::size_t limit, bool isUnitClass);
    void DropsUnknownKeys(SectionNode& section, std::initializer_list<std::string_view> known);

    void Warn(int line, std::string message);
    void Error(int line, std::string message);

    const CPlanManager* m_planTypes;
    const CUnitList* m_units;
    std::vector<CheckFinding> m_findings;
};
