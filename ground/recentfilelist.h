#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CSettingsFile;

// The most recently opened or saved files, most recent first.
class CRecentFileList {
public:
    static constexpr std::size_t kSize = 8;
    static constexpr std::size_t kDisplayLength = 30;

    // Moves the path to the top, dropping the oldest entry beyond eight.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return m_entries; }

    // "File1" to "File8" of section "Recent File List".
    void ReadFrom(const CSettingsFile& settings);
    void WriteTo(const CSettingsFile& settings) const;

    // The path shortened for a menu to at most kDisplayLength characters:
    // the file name stays whole, leading folders give way to "...".
    static std::string DisplayName(const std::string& path);

private:
    std::vector<std::string> m_entries;
};
