#include "catalogs.h"
#include "commands.h"
#include "filebuffer.h"
#include "filepath.h"
#include "jsonwriter.h"
#include "planfilereport.h"
#include "planfiles.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <algorithm>
#include <filesystem>
#include <optional>

int RunCheck(const std::vector<std::string>& arguments, const CheckOptions& options) {
    // The plain form is the one compilers use, which editors and CI jump to.
    auto report = [&options](const std::string& file, int line, bool error, std::string_view code,
                             std::string_view message) {
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
            const std::vector<std::string> folders = CatalogFoldersFor(folder, root);
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
            if (planTypes && !planTypes->DeclaresBuilds())
                std::fprintf(stderr,
                             "zeq: %s: the plan-type catalog does not say what plans build "
                             "(szBuilds), so conditions that can never be met and attackers "
                             "never built are not checked\n",
                             file.c_str());
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
