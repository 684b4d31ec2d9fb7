#pragma once

#include "planmanager.h"
#include "unitlist.h"

#include <string>
#include <utility>
#include <vector>

// The plan-type catalog (Plans.dat) and the unit catalog (Units.dat), each
// from the first place that holds one that loads; a file that is there but
// does not load is passed over for the next place. The editor finds its
// catalogs with the statics; the tools without a window keep theirs here,
// read again when a file changes.
class CCatalogs {
public:
    struct Found {
        std::string path; // the file read; empty when none was
        std::vector<std::pair<std::string, Diagnostic>> skipped; // there, but did not load
    };
    // Where to look, in order: the working folder, the program's folder and
    // the share folder of an installation beside it (none for an empty one).
    static std::vector<std::string> Folders(const std::string& programFolder);
    // The file `name` in each of `folders`.
    static std::vector<std::string> Places(const std::vector<std::string>& folders,
                                           const char* name);
    // Reads `catalog` from the first of `places` that loads; empty when none does.
    static Found FindFirst(const std::vector<std::string>& places, CPlanManager& catalog);
    static Found FindFirst(const std::vector<std::string>& places, CUnitList& catalog);

    // Each catalog from its file when one is named, else from the first of
    // the folders that holds one that loads. Notes() tells what could not be
    // read on the way.
    void Find(const std::vector<std::string>& folders, const std::string& plansFile = {},
              const std::string& unitsFile = {});
    // Reads again a catalog whose file changed since; true when one did.
    bool Refresh();

    // Null for a catalog that was not found.
    const CPlanManager* PlanTypes() const { return PlansPath().empty() ? nullptr : &m_planTypes; }
    const CUnitList* Units() const { return UnitsPath().empty() ? nullptr : &m_unitList; }
    const std::string& PlansPath() const { return m_plans.found.path; }
    const std::string& UnitsPath() const { return m_units.found.path; }
    // "FILE:LINE: MESSAGE" for each catalog file that was there but did not load.
    std::vector<std::string> Notes() const;

private:
    struct Source {
        std::vector<std::string> places; // where to look, in order
        std::string stamp;               // the places as they were then
        Found found;
    };
    static std::string Stamp(const std::vector<std::string>& places);
    template <typename Catalog> static void FindOne(Source& source, Catalog& catalog);

    CPlanManager m_planTypes;
    CUnitList m_unitList;
    Source m_plans, m_units;
};
