#include "catalogs.h"
#include "commands.h"
#include "filebuffer.h"
#include "filepath.h"
#include "filesave.h"
#include "keptlayout.h"
#include "plandata.h"
#include "planfiles.h"
#include "unitclassrename.h"
#include "unitlist.h"

#include <cstdio>
#include <optional>

namespace {

// A map file: one OLD=NEW a line.
bool AddMap(const std::string& file, CUnitClassRename& rename, std::string& error) {
    CFileBuffer buffer;
    if (!buffer.LoadFile(file)) {
        error = file + ": " + buffer.LastError();
        return false;
    }
    int line = 0;
    if (rename.AddPairs(buffer.View(), error, &line)) return true;
    error = file + ":" + std::to_string(line) + ": " + error;
    return false;
}

struct Renamed {
    std::string file, text;
};

} // namespace

int RunRename(const std::vector<std::string>& arguments, const RenameOptions& options) {
    CUnitClassRename rename;
    std::vector<std::string> paths;
    std::string error;
    for (const std::string& argument : arguments) {
        if (argument.find('=') == std::string::npos)
            paths.push_back(argument);
        else if (!rename.AddPair(argument, error))
            break;
    }
    if (error.empty() && !options.mapFile.empty()) AddMap(options.mapFile, rename, error);
    if (!error.empty()) {
        std::fprintf(stderr, "zeq: %s\n", error.c_str());
        return 2;
    }

    // Every file is read, and every change made in memory, before one is written.
    bool failed = false;
    std::vector<PlanFile> files;
    for (const std::string& path : paths)
        failed = !AddPlanFiles(path, files) || failed;
    std::vector<Renamed> written;
    std::size_t changes = 0;
    CCatalogs catalogs;
    std::optional<std::string> searched; // the folder the catalogs were looked for from
    bool saidMissing = false;
    for (const auto& [file, root] : files) {
        CPlanData data;
        CKeptLayout kept;
        if (!LoadKept(file, data, kept)) {
            failed = true;
            continue;
        }
        const std::string folder = Utf8FromPath(PathFromUtf8(file).parent_path());
        if (searched != folder) {
            const std::vector<std::string> folders = CatalogFoldersFor(folder, root);
            catalogs.Find(folders, options.plansFile, options.unitsFile);
            searched = folder;
        }
        if (!catalogs.PlanTypes() && !saidMissing) {
            std::fprintf(stderr,
                         "zeq: note: %s: no plan-type catalog (Plans.dat) was found, so plan "
                         "parameters are not renamed (--plans names one)\n",
                         file.c_str());
            saidMissing = true;
        }
        const auto told = rename.Apply(data, catalogs.PlanTypes());
        if (told.empty()) continue;
        for (const auto& change : told) {
            const bool unknown =
                catalogs.Units() && !catalogs.Units()->FindUnitByClass(change.after);
            std::string line = file + ": ";
            if (change.plan) line.append("[").append(kept.SectionOf(change.plan)).append("] ");
            line.append(change.where).append(": ").append(change.before).append(" -> ");
            WriteOut(line.append(change.after)
                         .append(unknown ? " (not in the unit catalog)" : "")
                         .append("\n"));
        }
        changes += told.size();
        std::string text;
        if (!kept.Write(data, text)) {
            ReportError(file, 0, "the renamed document does not keep the file's layout");
            failed = true;
            continue;
        }
        written.push_back({file, std::move(text)});
    }
    if (failed) {
        std::fprintf(stderr, "zeq: nothing was written\n");
        return 1;
    }
    if (changes == 0) std::fprintf(stderr, "zeq: no plan file names a class to rename\n");
    if (options.dryRun) return 0;
    int status = 0;
    for (const Renamed& renamed : written)
        if (!SaveFileSafely(renamed.file, renamed.text, error)) {
            ReportError(renamed.file, 0, error);
            status = 1;
        }
    return status;
}
