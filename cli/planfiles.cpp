#include "planfiles.h"

#include "commands.h"
#include "filepath.h"
#include "modfolder.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A folder's name as the walk up compares it: "mod/" is "mod", "." none.
fs::path Normal(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal == "." ? fs::path() : normal;
}

} // namespace

bool AddPlanFiles(const std::string& argument, std::vector<PlanFile>& files) {
    std::error_code ec;
    const fs::path top = PathFromUtf8(argument);
    if (!fs::is_directory(top, ec)) {
        files.push_back({argument, Utf8FromPath(top.parent_path())});
        return true;
    }
    std::string error;
    std::vector<std::string> found = PlanFilesUnder(argument, error);
    if (!error.empty()) {
        Report(stderr, argument, 0, "error", error);
        return false;
    }
    if (found.empty()) {
        Report(stderr, argument, 0, "error", "the folder holds no plan file (.zeq)");
        return false;
    }
    for (std::string& file : found)
        files.push_back({std::move(file), argument});
    return true;
}

std::vector<std::string> CatalogFoldersFor(const std::string& folder, const std::string& root) {
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
    for (std::string& more : CatalogFolders())
        folders.push_back(std::move(more));
    return folders;
}
