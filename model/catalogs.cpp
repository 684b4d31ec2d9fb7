#include "catalogs.h"

#include "filebuffer.h"

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

template <typename Catalog, typename Load>
void CCatalogs::FindOne(Source& source, Catalog& catalog, Load load) {
    source.path.clear();
    source.notes.clear();
    source.stamp = Stamp(source.places);
    for (const std::string& place : source.places) {
        std::error_code ec;
        if (!fs::is_regular_file(PathFromUtf8(place), ec)) continue;
        if ((catalog.*load)(place)) {
            source.path = place;
            return;
        }
        source.notes.push_back(place + ":" + std::to_string(catalog.LoadError().line) + ": " +
                               catalog.LoadError().message);
    }
    catalog.Clear();
}

void CCatalogs::Find(const std::vector<std::string>& folders, const std::string& plansFile,
                     const std::string& unitsFile) {
    auto places = [&folders](const std::string& file, const char* name) {
        if (!file.empty()) return std::vector<std::string>{file};
        std::vector<std::string> list;
        for (const std::string& folder : folders)
            list.push_back(Utf8FromPath(PathFromUtf8(folder) / name));
        return list;
    };
    m_plans.places = places(plansFile, "Plans.dat");
    m_units.places = places(unitsFile, "Units.dat");
    FindOne(m_plans, m_planTypes, &CPlanManager::LoadPlanTypes);
    FindOne(m_units, m_unitList, &CUnitList::LoadUnits);
}

bool CCatalogs::Refresh() {
    bool changed = false;
    if (Stamp(m_plans.places) != m_plans.stamp) {
        FindOne(m_plans, m_planTypes, &CPlanManager::LoadPlanTypes);
        changed = true;
    }
    if (Stamp(m_units.places) != m_units.stamp) {
        FindOne(m_units, m_unitList, &CUnitList::LoadUnits);
        changed = true;
    }
    return changed;
}

std::vector<std::string> CCatalogs::Notes() const {
    std::vector<std::string> notes = m_plans.notes;
    notes.insert(notes.end(), m_units.notes.begin(), m_units.notes.end());
    return notes;
}
