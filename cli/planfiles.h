#pragma once

#include <string>
#include <vector>

// A plan file a command works on, and the folder named on the command line
// that holds it (its own folder when the file itself was named): a mod's
// catalogs are looked for from the file up to there.
struct PlanFile {
    std::string file, root;
};

// A file as it is; a folder as every plan file (.zeq) under it, hidden
// folders and files left out, in name order. False, said on standard error,
// for a folder that cannot be read or holds no plan file.
bool AddPlanFiles(const std::string& argument, std::vector<PlanFile>& files);
// Where a plan file's catalogs are looked for: its `folder` and each folder
// above it up to `root` (its folder alone when it is not under `root`),
// nearest first, then where the editor looks.
std::vector<std::string> CatalogFoldersFor(const std::string& folder, const std::string& root);
