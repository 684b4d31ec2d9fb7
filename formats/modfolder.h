#pragma once

#include <string>
#include <vector>

// The plan files (.zeq, case ignored) under a mod's folder, in name order;
// hidden folders and files (a name starting with '.', as .git) are left out.
// Empty with `error` said when the folder cannot be read.
std::vector<std::string> PlanFilesUnder(const std::string& folder, std::string& error);
