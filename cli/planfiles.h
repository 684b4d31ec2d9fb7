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
// `folder` and each folder above it up to `root`, nearest first; `folder`
// alone when it is not under `root`.
std::vector<std::string> FoldersUpTo(const std::string& folder, const std::string& root);
