#include "recentfilelist.h"

#include "settingsfile.h"

#include <algorithm>

namespace {

constexpr const char* kSection = "Recent File List";

std::string KeyFor(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

void CRecentFileList::Add(const std::string& path) {
    if (path.empty()) return;
    Remove(path);
    m_entries.insert(m_entries.begin(), path);
    if (m_entries.size() > kSize) m_entries.resize(kSize);
}

void CRecentFileList::Remove(const std::string& path) {
    std::erase(m_entries, path);
}

void CRecentFileList::ReadFrom(const CSettingsFile& settings) {
    m_entries.clear();
    for (std::size_t i = 0; i < kSize; ++i) {
        std::string path = settings.ReadString(kSection, KeyFor(i), "");
#if defined(_WIN32)
        // Written by hand or by an older program with the user's separators;
        // the program names files with '/', and one file is one entry.
        std::replace(path.begin(), path.end(), '\\', '/');
#endif
        if (!path.empty() && std::find(m_entries.begin(), m_entries.end(), path) == m_entries.end())
            m_entries.push_back(path);
    }
}

void CRecentFileList::WriteTo(const CSettingsFile& settings) const {
    for (std::size_t i = 0; i < kSize; ++i)
        settings.Write(kSection, KeyFor(i), i < m_entries.size() ? m_entries[i] : "");
}

std::string CRecentFileList::DisplayName(const std::string& path) {
    if (path.size() <= kDisplayLength) return path;
    const auto lastSeparator = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    const std::string name(lastSeparator.base(), path.end());
    // A name too long for "...\name" keeps its end.
    if (name.size() + 4 > kDisplayLength)
        return "..." + name.substr(name.size() - (kDisplayLength - 3));

    // The root (up to the first folder), "...", then as many trailing folders
    // as still fit before the file name.
    const auto firstSeparator =
        std::find_if(path.begin() + (IsSeparator(path[0]) ? 1 : 0), path.end(), IsSeparator);
    const std::string root(path.begin(), firstSeparator + 1);
    const char separator = *firstSeparator;
    std::string tail = std::string(1, separator) + name;
    std::size_t end = static_cast<std::size_t>(lastSeparator.base() - path.begin()) - 1;
    while (end > root.size()) {
        const std::size_t start = path.find_last_of("/\\", end - 1);
        const std::string folder = path.substr(start + 1, end - start - 1);
        if (root.size() + 3 + 1 + folder.size() + tail.size() > kDisplayLength) break;
        tail = std::string(1, separator) + folder + tail;
        end = start;
    }
    const std::string shortened = root + "..." + tail;
    return shortened.size() <= kDisplayLength ? shortened : "..." + tail;
}
