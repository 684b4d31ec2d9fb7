#include "modfolder.h"

#include "filepath.h"
#include "sectionfile.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A folder's name as the walk up compares it: "mod/" is "mod", "." none.
fs::path Normal(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal == "." ? fs::path() : normal;
}

} // namespace

std::vector<std::string> PlanFilesUnder(const std::string& folder, std::string& error) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = Utf8FromPath(it->path().filename());
        if (name.starts_with('.')) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        const std::string extension = Utf8FromPath(it->path().extension());
        if (NamesEqual(extension, ".zeq") && !it->is_directory(ec))
            found.push_back(Utf8FromPath(it->path()));
    }
    if (ec) {
        error = "cannot read the folder: " + ec.message();
        return {};
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> FoldersUpTo(const std::string& folder, const std::string& root) {
    const fs::path top = Normal(PathFromUtf8(root));
    std::vector<std::string> folders;
    for (fs::path at = Normal(PathFromUtf8(folder));; at = at.parent_path()) {
        folders.push_back(at.empty() ? "." : Utf8FromPath(at));
        if (at == top) break;
        if (at.empty() || at == at.parent_path()) {
            folders.resize(1);
            break;
        }
    }
    return folders;
}
