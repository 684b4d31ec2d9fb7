#include "planfiles.h"

#include "commands.h"
#include "filepath.h"
#include "modfolder.h"

#include <filesystem>

namespace fs = std::filesystem;

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
    std::vector<std::string> folders = FoldersUpTo(folder, root);
    for (std::string& more : CatalogFolders())
        folders.push_back(std::move(more));
    return folders;
}
