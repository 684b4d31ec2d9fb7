#include "modfolder.h"

#include "filepath.h"
#include "sectionfile.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

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
