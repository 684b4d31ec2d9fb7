#include "planfiles.h"

#include "commands.h"
#include "filepath.h"
#include "sectionfile.h"

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

bool IsHidden(const fs::path& path) {
    const std::string name = Utf8FromPath(path.filename());
    return name.size() > 1 && name.front() == '.' && name != "..";
}

bool IsPlanFileName(const fs::path& path) {
    std::string extension = Utf8FromPath(path.extension());
    return NamesEqual(extension, ".zeq");
}

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
    std::vector<std::string> found;
    for (fs::recursive_directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsHidden(it->path())) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (IsPlanFileName(it->path()) && !it->is_directory(ec))
            found.push_back(Utf8FromPath(it->path()));
    }
    if (ec) {
        Report(stderr, argument, 0, "error", "cannot read the folder: " + ec.message());
        return false;
    }
    if (found.empty()) {
        Report(stderr, argument, 0, "error", "the folder holds no plan file (.zeq)");
        return false;
    }
    std::sort(found.begin(), found.end());
    for (std::string& file : found)
        files.push_back({std::move(file), argument});
    return true;
}

std::vector<std::string> FoldersUpTo(const std::string& folder, const std::string& root) {
    const fs::path top = Normal(PathFromUtf8(root));
    std::vector<std::string> folders;
    for (fs::path at = Normal(PathFromUtf8(folder));; at = at.parent_path()) {
        folders.push_back(at.empty() ? "." : Utf8FromPath(at));
        if (at == top) return folders;
        if (at.empty() || at == at.parent_path()) return {folders.front()};
    }
}
