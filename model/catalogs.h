#pragma once

#include "planmanager.h"
#include "unitlist.h"

#include <string>
#include <vector>

// The plan-type catalog (Plans.dat) and the unit catalog (Units.dat) for the
// tools without a window, found as the editor finds them: each from the
// first place that holds one that loads. A catalog is read again when its
// file changes.
class CCatalogs {
public:
    // Each catalog from its file when one is named, else from the first of
    // the folders that holds one that loads. Notes() tells what could not be
    // read on the way.
    void Find(const std::vector<std::string>& folders, const std::string& plansFile = {},
              const std::string& unitsFile = {});
    // Reads again a catalog whose file changed since; true when one did.
    bool Refresh();

    // Null for a catalog that was not found.
    const CPlanManager* PlanTypes() const { return m_plans.path.empty() ? nullptr : &m_planTypes; }
    const CUnitList* Units() const { return m_units.path.empty() ? nullptr : &m_unitList; }
    const std::string& PlansPath() const { return m_plans.path; }
    const std::string& UnitsPath() const { return m_units.path; }
    // "FILE:LINE: MESSAGE" for each catalog file that was there but did not load.
    std::vector<std::string> Notes() const;

private:
    struct Source {
        std::vector<std::string> places; // where to look, in order
        std::string path;                // the file read; empty when none was
        std::string stamp;               // the places as they were then
        std::vector<std::string> notes;  // the files that did not load
    };
    static std::string Stamp(const std::vector<std::string>& places);
    template <typename Catalog, typename Load>
    void FindOne(Source& source, Catalog& catalog, Load load);

    CPlanManager m_planTypes;
    CUnitList m_unitList;
    Source m_plans, m_units;
};
