#include "catalogs.h"
#include "commands.h"
#include "filebuffer.h"
#include "filepath.h"
#include "jsonwriter.h"
#include "planfilereport.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;

// A plan file to check, and the folder named on the command line that holds
// it (its own folder when the file itself was named): a mod's catalogs are
// looked for from the file up to there.
struct PlanFile {
    std::string file, root;
};

bool IsHidden(const fs::path& path) {
    const std::string name = Utf8FromPath(path.filename());
    return name.size() > 1 && name.front() == '.' && name != "..";
}

bool IsPlanFileName(const fs::path& path) {
    std::string extension = Utf8FromPath(path.extension());
    return NamesEqual(extension, ".zeq");
}

// A file as it is; a folder as every plan file (.zeq) under it, hidden
// folders and files left out, in name order. False, said on standard error,
// for a folder that cannot be read or holds no plan file.
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

// A folder's name as the walk up compares it: "mod/" is "mod", "." none.
fs::path Normal(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal == "." ? fs::path() : normal;
}

// `folder` and each folder above it up to `root`, nearest first; `folder`
// alone when it is not under `root`.
std::vector<std::string> FoldersUpTo(const std::string& folder, const std::string& root) {
    const fs::path top = Normal(PathFromUtf8(root));
    std::vector<std::string> folders;
    for (fs::path at = Normal(PathFromUtf8(folder));; at = at.parent_path()) {
        folders.push_back(at.empty() ? "." : Utf8FromPath(at));
        if (at == top) return folders;
        if (at.empty() || at == at.parent_path()) return {folders.front()};
    }
}

} // namespace

int RunCheck(const std::vector<std::string>& arguments, const CheckOptions& options) {
    // The plain form is the one compilers use, which editors and CI jump to.
    auto report = [&options](const std::string& file, int line, bool error, std::string_view code,
                             const std::string& message) {
        if (!options.json) {
            Report(stdout, file, line, error ? "error" : "warning", message);
            return;
        }
        JsonWriter json;
        json.BeginObject().Key("file").String(file).Key("line").Number(line);
        json.Key("severity").String(error ? "error" : "warning").Key("code").String(code);
        json.Key("message").String(message).EndObject();
        WriteOut(json.Text() + "\n");
    };
    // A catalog named is read from its file, an error when it is broken;
    // one not named is looked for beside each file first, then as the
    // editor looks.
    CPlanManager plans;
    CUnitList units;
    bool failed = false;
    auto named = [&](const std::string& file, auto& loaded, auto load) {
        if ((loaded.*load)(file)) return &loaded;
        report(file, loaded.LoadError().line, true, "catalog-error", loaded.LoadError().message);
        failed = true;
        return decltype(&loaded)(nullptr);
    };
    const CPlanManager* namedPlans =
        options.plansFile.empty() ? nullptr
                                  : named(options.plansFile, plans, &CPlanManager::LoadPlanTypes);
    const CUnitList* namedUnits = options.unitsFile.empty()
                                      ? nullptr
                                      : named(options.unitsFile, units, &CUnitList::LoadUnits);
    std::vector<PlanFile> files;
    for (const std::string& argument : arguments)
        if (!AddPlanFiles(argument, files)) failed = true;
    CCatalogs found;
    std::optional<std::string> searched; // the folder the catalogs were looked for from
    std::string saidMissing;
    for (const auto& [file, root] : files) {
        const std::string folder = Utf8FromPath(PathFromUtf8(file).parent_path());
        if (searched != folder && (options.plansFile.empty() || options.unitsFile.empty())) {
            std::vector<std::string> folders = FoldersUpTo(folder, root);
            for (std::string& more : CatalogFolders())
                folders.push_back(std::move(more));
            found.Find(folders);
            if (!searched)
                for (const std::string& note : found.Notes())
                    std::fprintf(stderr, "zeq: note: skipped %s\n", note.c_str());
            searched = folder;
        }
        const CPlanManager* planTypes = options.plansFile.empty() ? found.PlanTypes() : namedPlans;
        const CUnitList* unitCatalog = options.unitsFile.empty() ? found.Units() : namedUnits;
        if (options.verbose) {
            auto where = [](const void* catalog, const std::string& given,
                            const std::string& path) {
                return catalog ? (given.empty() ? path : given) : std::string("none");
            };
            std::fprintf(stderr, "zeq: %s: plan types: %s; units: %s\n", file.c_str(),
                         where(planTypes, options.plansFile, found.PlansPath()).c_str(),
                         where(unitCatalog, options.unitsFile, found.UnitsPath()).c_str());
        }
        // A check without a catalog is not a clean check: say what it left
        // out, once for as long as it stays so.
        std::string missing;
        if (!planTypes && options.plansFile.empty())
            missing += "no plan-type catalog (Plans.dat) was found, so plan types and "
                       "parameters are not checked";
        if (!unitCatalog && options.unitsFile.empty())
            missing += std::string(missing.empty() ? "" : "; ") +
                       "no unit catalog (Units.dat) was found, so unit classes are not checked";
        if (!missing.empty()) {
            if (missing != saidMissing)
                std::fprintf(stderr,
                             "%s: warning: %s (looked beside the file, in the working folder "
                             "and beside zeq; --plans and --units name them)\n",
                             file.c_str(), missing.c_str());
            failed = failed || options.werror;
        }
        saidMissing = missing;

        SayIfBackedUp(file);
        CFileBuffer buffer;
        if (!buffer.LoadFile(file)) {
            report(file, 0, true, "file-unreadable", buffer.LastError());
            failed = true;
            continue;
        }
        CPlanFileReport checker(planTypes, unitCatalog,
                                options.tidy ? CPlanFileReport::Mode::Tidy
                                             : CPlanFileReport::Mode::KeptLayout);
        checker.Check(buffer.View());
        for (const Finding& finding : checker.Findings()) {
            const bool error = finding.IsError();
            report(file, finding.line, error, finding.code, finding.message);
            failed = failed || error || options.werror;
        }
    }
    return failed ? 1 : 0;
}
