#include "settingsfile.h"

#include "filebuffer.h"
#include "filepath.h"
#include "filesave.h"
#include "sectionfile.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// One line of the file without its line end, and where it ends.
struct Line {
    std::string_view text;
    std::size_t begin = 0;
    std::size_t end = 0; // just behind the line end
};

std::vector<Line> Lines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        std::string_view line = text.substr(pos, (lf == std::string_view::npos ? end : lf) - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back({line, pos, end});
        pos = end;
    }
    return lines;
}

bool IsComment(std::string_view t) {
    return t.empty() || t[0] == ';' || t[0] == '#';
}

// The name of a "[name]" line, or nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
    return Trim(t.substr(1, t.size() - 2));
}

// The key of a "key=value" line, or nothing.
std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::string_view t = Trim(line);
    if (IsComment(t)) return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(0, eq));
}

std::string ReadWhole(const std::string& path) {
    CFileBuffer buffer;
    return buffer.LoadFile(path) ? buffer.Detach() : std::string();
}

} // namespace

std::optional<std::string> CSettingsFile::Find(std::string_view text, std::string_view section,
                                               std::string_view key) {
    bool inSection = false;
    for (const Line& line : Lines(text)) {
        if (auto name = SectionName(line.text)) {
            inSection = NamesEqual(*name, section);
            continue;
        }
        if (!inSection) continue;
        auto lineKey = KeyOf(line.text);
        if (lineKey && NamesEqual(*lineKey, key)) {
            const std::string_view t = Trim(line.text);
            return std::string(Trim(t.substr(t.find('=') + 1)));
        }
    }
    return std::nullopt;
}

std::string CSettingsFile::Replace(std::string_view text, std::string_view section,
                                   std::string_view key, std::string_view value) {
    const std::string newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::vector<Line> lines = Lines(text);
    bool inSection = false;
    std::optional<std::size_t> insertAt; // behind the last entry of the section
    for (const Line& line : lines) {
        if (auto name = SectionName(line.text)) {
            if (inSection) break; // a repeated section further on is not ours to write
            inSection = NamesEqual(*name, section);
            if (inSection) insertAt = line.end;
            continue;
        }
        if (!inSection) continue;
        auto lineKey = KeyOf(line.text);
        if (lineKey && NamesEqual(*lineKey, key)) {
            // Keep the key as it was spelled and the line end it had.
            const auto keyStart = static_cast<std::size_t>(lineKey->data() - text.data());
            return std::string(text.substr(0, keyStart)) + std::string(*lineKey) + "=" +
                   std::string(value) + std::string(text.substr(line.begin + line.text.size()));
        }
        if (!Trim(line.text).empty()) insertAt = line.end;
    }
    const std::string entry = std::string(key) + "=" + std::string(value) + newline;
    std::string result(text);
    if (!result.empty() && result.back() != '\n') {
        result += newline;
        if (insertAt && *insertAt == text.size()) insertAt = result.size();
    }
    if (insertAt) return result.insert(*insertAt, entry);
    if (!result.empty()) result += newline;
    return result + "[" + std::string(section) + "]" + newline + entry;
}

std::optional<std::string> CSettingsFile::Read(std::string_view section,
                                               std::string_view key) const {
    if (m_path.empty()) return std::nullopt;
    return Find(ReadWhole(m_path), section, key);
}

bool CSettingsFile::Write(std::string_view section, std::string_view key,
                          std::string_view value) const {
    if (m_path.empty()) return false;
    const std::string text = Replace(ReadWhole(m_path), section, key, value);
    std::string error;
    return SaveFileSafely(m_path, text, error);
}

std::int32_t CSettingsFile::ReadInt(std::string_view section, std::string_view key,
                                    std::int32_t defaultValue) const {
    const std::optional<std::string> text = Read(section, key);
    if (!text) return defaultValue;
    std::int32_t value = 0;
    const char* begin = text->data() + (!text->empty() && (*text)[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, text->data() + text->size(), value);
    if (error != std::errc() || end == begin) return defaultValue;
    return value;
}

bool CSettingsFile::WriteInt(std::string_view section, std::string_view key,
                             std::int32_t value) const {
    return Write(section, key, std::to_string(value));
}

std::string CSettingsFile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    return Read(section, key).value_or(std::string(defaultValue));
}

SettingsPlace SettingsPlaceFor(const std::string& programPath, const std::string& fallback) {
    const fs::path program = PathFromUtf8(programPath);
    fs::path beside = program;
    beside.replace_extension(".cfg");
    std::error_code ec;
    const bool found = fs::is_regular_file(beside, ec);
    const SettingsPlace elsewhere{fallback, found ? Utf8FromPath(beside) : std::string()};
    if (fs::exists(program.parent_path() / "Uninstall.exe", ec)) return elsewhere;
    if (found) {
        // A file the saves would refuse, or one that cannot be opened.
        if (IsReadOnlyFile(Utf8FromPath(beside))) return elsewhere;
        std::ofstream test(beside, std::ios::app);
        return test ? SettingsPlace{Utf8FromPath(beside), {}} : elsewhere;
    }
    // A folder counts as writable when a file can really be made in it.
    const fs::path probe = beside.parent_path() / ".zeq-editor-write-test";
    {
        std::ofstream test(probe);
        if (!test) return elsewhere;
    }
    fs::remove(probe, ec);
    return {Utf8FromPath(beside), {}};
}
