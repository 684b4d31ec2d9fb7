#pragma once

#include <string>
#include <vector>

// The plan files (.zeq, case ignored) under a mod's folder, in name order;
// hidden folders and files (a name starting with '.', as .git) are left out.
// Empty with `error` said when the folder cannot be read.
std::vector<std::string> PlanFilesUnder(const std::string& folder, std::string& error);

// Where a mod's own files for a plan file in `folder` are looked for: that
// folder and each one above it up to the mod's `root`, nearest first; the
// folder alone when it is not under `root`.
std::vector<std::string> FoldersUpTo(const std::string& folder, const std::string& root);
