#include "catalogs.h"

#include "filepath.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string CCatalogs::Stamp(const std::vector<std::string>& places) {
    // Each place's size and time: a file that comes, goes or changes shows.
    std::string stamp;
    for (const std::string& place : places) {
        std::error_code ec;
        const fs::path path = PathFromUtf8(place);
        const auto size = fs::file_size(path, ec);
        const auto time = fs::last_write_time(path, ec);
        stamp += ec ? std::string("-")
                    : std::to_string(size) + "@" + std::to_string(time.time_since_epoch().count());
        stamp += ';';
    }
    return stamp;
}

std::vector<std::string> CCatalogs::Folders(const std::string& programFolder) {
    std::error_code ec;
    const fs::path working = fs::current_path(ec);
    std::vector<std::string> folders{ec ? std::string(".") : Utf8FromPath(working)};
    if (!programFolder.empty()) {
        const fs::path program = PathFromUtf8(programFolder);
        folders.push_back(programFolder);
        folders.push_back(Utf8FromPath(program.parent_path() / "share" / "zeq-editor"));
    }
    return folders;
}

std::vector<std::string> CCatalogs::Places(const std::vector<std::string>& folders,
                                           const char* name) {
    std::vector<std::string> places;
    for (const std::string& folder : folders)
        places.push_back(Utf8FromPath(PathFromUtf8(folder) / name));
    return places;
}

namespace {

template <typename Catalog, typename Load>
CCatalogs::Found FindIn(const std::vector<std::string>& places, Catalog& catalog, Load load) {
    CCatalogs::Found found;
    for (const std::string& place : places) {
        std::error_code ec;
        if (!fs::exists(PathFromUtf8(place), ec)) continue;
        if ((catalog.*load)(place)) {
            found.path = place;
            return found;
        }
        found.skipped.emplace_back(place, catalog.LoadError());
    }
    catalog.Clear();
    return found;
}

} // namespace

CCatalogs::Found CCatalogs::FindFirst(const std::vector<std::string>& places,
                                      CPlanManager& catalog) {
    return FindIn(places, catalog, &CPlanManager::LoadPlanTypes);
}

CCatalogs::Found CCatalogs::FindFirst(const std::vector<std::string>& places, CUnitList& catalog) {
    return FindIn(places, catalog, &CUnitList::LoadUnits);
}

template <typename Catalog> void CCatalogs::FindOne(Source& source, Catalog& catalog) {
    source.stamp = Stamp(source.places);
    source.found = FindFirst(source.places, catalog);
}

void CCatalogs::Find(const std::vector<std::string>& folders, const std::string& plansFile,
                     const std::string& unitsFile) {
    m_plans.places =
        plansFile.empty() ? Places(folders, "Plans.dat") : std::vector<std::string>{plansFile};
    m_units.places =
        unitsFile.empty() ? Places(folders, "Units.dat") : std::vector<std::string>{unitsFile};
    FindOne(m_plans, m_planTypes);
    FindOne(m_units, m_unitList);
}

bool CCatalogs::Refresh() {
    bool changed = false;
    if (Stamp(m_plans.places) != m_plans.stamp) {
        FindOne(m_plans, m_planTypes);
        changed = true;
    }
    if (Stamp(m_units.places) != m_units.stamp) {
        FindOne(m_units, m_unitList);
        changed = true;
    }
    return changed;
}

std::vector<std::string> CCatalogs::Notes() const {
    std::vector<std::string> notes;
    for (const Source* source : {&m_plans, &m_units})
        for (const auto& [place, error] : source->found.skipped)
            notes.push_back(place + ":" + std::to_string(error.line) + ": " + error.message);
    return notes;
}
