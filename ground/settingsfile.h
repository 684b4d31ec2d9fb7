#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's settings file in INI form: "[Section]" lines, each followed by
// "key=value" lines. Sections and keys are found without regard to ASCII
// case. Writing a value keeps every other line of the file as it was
// (comments, unknown keys, their order and spelling); the file is created on
// the first write only.
class CSettingsFile {
public:
    explicit CSettingsFile(std::string path = {}) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }
    void SetPath(std::string path) { m_path = std::move(path); }

    // Each read and write goes to the file itself, so that hand edits made
    // while the program runs are seen and kept.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    bool Write(std::string_view section, std::string_view key, std::string_view value) const;

    std::int32_t ReadInt(std::string_view section, std::string_view key,
                         std::int32_t defaultValue) const;
    bool WriteInt(std::string_view section, std::string_view key, std::int32_t value) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // The same on a text in memory, for the two above and for tests.
    static std::optional<std::string> Find(std::string_view text, std::string_view section,
                                           std::string_view key);
    static std::string Replace(std::string_view text, std::string_view section,
                               std::string_view key, std::string_view value);

private:
    std::string m_path;
};

// Where the settings are written. A portable copy of the program keeps them
// beside itself (its path with the extension replaced by "cfg") when that
// file can be written; an installed copy (an uninstaller beside it, which
// would take the file away) and one that cannot write there keep them in
// `fallback`, and a file found beside the program is then read as the
// defaults (`defaults`), for a first start only.
struct SettingsPlace {
    std::string path;
    std::string defaults;
};
SettingsPlace SettingsPlaceFor(const std::string& programPath, const std::string& fallback);
