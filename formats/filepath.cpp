#include "filepath.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
// Windows refuses names of MAX_PATH (260) characters or more unless they are
// absolute and start with "\\?\". The margin below that leaves room for the
// names made beside a file from its own (a save's temporary, a backup).
constexpr std::size_t kLongName = 200;
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUnc = L"\\\\?\\UNC\\";

fs::path LongForm(fs::path path) {
    const std::wstring& name = path.native();
    if (name.starts_with(kLongPrefix) || name.starts_with(L"\\\\.\\")) return path;
    // Absolute, with the separators and "." and ".." resolved, since the
    // long form takes each name literally.
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    if (full.size() < kLongName) return path;
    if (full.starts_with(L"\\\\")) return std::wstring(kLongUnc) + full.substr(2); // \\server\share
    return std::wstring(kLongPrefix) + full;
}

fs::path ShortForm(const fs::path& path) {
    const std::wstring& name = path.native();
    if (name.starts_with(kLongUnc)) return L"\\\\" + name.substr(kLongUnc.size());
    if (name.starts_with(kLongPrefix)) return name.substr(kLongPrefix.size());
    return path;
}
#endif

} // namespace

fs::path PathFromUtf8(const std::string& name) {
    fs::path path(std::u8string(name.begin(), name.end()));
#if defined(_WIN32)
    return LongForm(std::move(path));
#else
    return path;
#endif
}

std::string Utf8FromPath(const fs::path& path) {
#if defined(_WIN32)
    const std::u8string name = ShortForm(path).u8string();
#else
    const std::u8string name = path.u8string();
#endif
    return std::string(name.begin(), name.end());
}
